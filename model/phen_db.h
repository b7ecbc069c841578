// The individuals of one genotypic sample, with the results that belong to
// the sample as a whole.
//
// A typical estimation of haplotype frequencies pools identical individuals
// (check_pheno_redundancy), enumerates every individual's genotypes into an
// empty haplotype table (build_all_genotypes), gives the table starting
// frequencies, and repeats the expectation step (update_genotypes), the
// log-likelihood (calc_ln_likelihood) and the maximisation step
// (update_hapl_freq) until the frequencies converge.
#ifndef DROV_MODEL_PHEN_DB_H
#define DROV_MODEL_PHEN_DB_H

#include <ostream>
#include <vector>

#include "core/pointer_arrays.h"
#include "model/phenotype.h"

class TAlleleDB;
class TPopHaploDB;

// Log-likelihood of a sample in which some individual has probability 0 (or
// less): the negative of the largest single-precision value. It is also the
// starting value when the best of several log-likelihoods is sought.
const double MIN_LN_LIKELIHOOD = -3.4028234663852886e38;

class TPhenDB {
public:
    MY_TIArrayAsVector<TPhenotype> phenotypes;  // owned, in the order of the data
    double ln_likelihood;       // from the last calc_ln_likelihood
    double inbreeding_coeff;    // written by the estimation with inbreeding
    double IF_coeff;            // from the last compute_IF_coeff
    int num_ambiguous;          // individuals with more than one heterozygous locus
    int num_ambiguous_correct;  // of those, how many had their phase right

    TPhenDB();
    TPhenDB(TPhenDB const& src);
    // n individuals, each of two haplotypes drawn from the frequencies of table.
    TPhenDB(int const& n, TPopHaploDB const& table);
    TPhenDB& operator=(TPhenDB const& src);

    // Estimation support.
    int build_all_genotypes(TPopHaploDB& table, TAlleleDB* alleles, int const& recessive);
    void update_genotypes();
    // Sum of count x ln(prob); MIN_LN_LIKELIHOOD when some prob is not positive.
    double calc_ln_likelihood();
    // Table frequencies := expected numbers of gene copies (summing to twice
    // the total count); the caller normalises them.
    void update_hapl_freq(TPopHaploDB& table);
    void convert_freq_to_real();
    double link_equil_ln_likelihood();

    // Pools identical individuals (same unordered allele pairs at every
    // locus) into the first of each class, summing counts and frequencies.
    void check_pheno_redundancy();
    int nb_individuals() const;
    int num_loci() const;

    // Replaces the individuals by copies of src's cut down to loci[1..loci[0]]
    // (create_temp_PhenDB) or to the loci whose mask entry is not 0.
    TPhenDB& create_temp_PhenDB(int const* loci, TPhenDB const& src);
    TPhenDB& build_sub_PhenDB(int const* mask, TPhenDB const& src);

    void print_all_genotypes(std::ostream& os);
    void printGenotypeFrequencies(std::ostream& os, double const& min_freq);

    // Resampling, permutation and statistics (phen_db_resampling.cpp,
    // phen_db_statistics.cpp).
    void explode_base();
    void permute_alleles(int const* loci, long& seed);
    // 1 on success; 0 (reported) when a table's frequencies do not sum to 1.
    int resample(int const& n, TPopHaploDB& table1, TPopHaploDB& table2, long& seed,
                 TAlleleDB* alleles);
    void resample(int const& n, TPopHaploDB& table, long& seed, TAlleleDB* alleles);
    int get_num_of_deg_freed();
    double hw_chi_stat(TAlleleDB* alleles, int locus, char missing, int& df);
    double calc_ln_multinom();
    double compute_IF_coeff(TPopHaploDB* estimated);
    double percent_correct_gametic_phase(std::ostream& os);

private:
    template <class Restrict>
    void restricted_copy(TPhenDB const& src, const char* where, Restrict restrict);
    void pool_by_key();
    void pool_pairwise();
    void remove_entries(std::vector<bool> const& drop);
};

// Every individual followed by a blank line.
std::ostream& operator<<(std::ostream& os, TPhenDB const& db);

#endif
