// One individual of a genotypic sample (or one class of identical
// individuals, with its count): its two gene copies as allele lists
// ("pseudo-haplotypes") and the genotypes compatible with them.
//
// When the gametic phase is unknown, which alleles of the two gene copies
// travelled together cannot be told; the estimation of haplotype frequencies
// therefore enumerates every phase (build_genotypes) into a shared haplotype
// table and weighs them by the table's frequencies (update_gen_prob).
// Alleles are never copied: pseudo-haplotypes and table haplotypes point to
// the alleles of the allele database, one per locus.
#ifndef DROV_MODEL_PHENOTYPE_H
#define DROV_MODEL_PHENOTYPE_H

#include <ostream>

#include "core/my_string.h"
#include "core/pointer_arrays.h"
#include "model/genotype.h"

class TAllele;
class TAlleleDB;
class TPopHaplotype;
class TPopHaploDB;

class TPhenotype {
public:
    my_string name;                         // "UNKNOWN" until set
    double count;                           // number of individuals this entry stands for
    double rel_freq;                        // count / total count of the sample
    double prob;                            // sum of the probabilities of its genotypes
    int num_genotypes;                      // genotypes added by the last enumeration
    TPopHaplotype* pseudo_hapl[2];          // owned; gene copy 1 and 2, or null
    my_string gene_copy[2];                 // the gene copies as read from the data
    MY_TIArrayAsVector<TGenotype> genotypes;  // owned; the compatible genotypes
    int redundant;                          // 1: pooling found it repeats an earlier entry
    int num_hetero_loci;                    // loci where the two gene copies differ
    int homozygous;                         // 1: homozygous everywhere, no recessive data

    TPhenotype();
    // Copies of h1 and h2 (none for a null pointer), named by id, count 1.
    TPhenotype(TPopHaplotype const* h1, TPopHaplotype const* h2, int const& id);
    TPhenotype(my_string const& name, double const& count);
    TPhenotype(TPhenotype const& src);
    ~TPhenotype();

    // Deep copy; the genotypes point to the same table haplotypes as src's.
    TPhenotype& operator=(TPhenotype const& src);

    // Empties both pseudo-haplotypes, the name, the gene copies and the genotypes.
    void delete_pheno();
    void kill_gen_list();

    // The same unordered pair of alleles at every locus of this individual's
    // first gene copy; the phase plays no part. Without a first gene copy the
    // counts are compared.
    bool operator==(TPhenotype const& other) const;

    void count_hetero_loci();
    // which 0 or 1: replaces that gene copy by a copy of h (any other value: nothing).
    void set_pseudo_hapl(TPopHaplotype const& h, int const& which);
    // The same, taking ownership of h instead of copying it.
    void set_pseudo_hapl(TPopHaplotype* h, int const& which);

    // Adds one to the base-2 counter bits[0..n], lowest digit first.
    static void binary_inc(int* bits, int const& n);

    // Probability under linkage and Hardy-Weinberg equilibrium, from the
    // alleles' counts (their relative frequencies once the sample's allele
    // vectors are built).
    double link_equil_pheno_prob();

    // Enters every genotype compatible with the two gene copies into table
    // and the genotype list (see phenotype_genotypes.cpp). recessive: the
    // data have recessive alleles, allele 0 of each locus of alleles;
    // use_sub_locus: locate an allele's locus by sub_locus instead of locus.
    void build_genotypes(TPopHaploDB& table, TAlleleDB* alleles, int const& recessive,
                         bool use_sub_locus);
    // The genotypes of build_genotypes whose two haplotypes, cut down to the
    // loci of mask (indexed by an allele's locus), both occur in given with a
    // frequency above min_freq; their haplotypes go into table. An
    // individual that none of them fits keeps all its genotypes instead.
    void build_compatible_genotypes(TPopHaploDB& given, int* mask, TPopHaploDB& table,
                                    TAlleleDB* alleles, int const& recessive,
                                    double const& min_freq);
    // Expectation step: genotype probabilities from the table's frequencies.
    void update_gen_prob();
    // Adds count x rel_prob of every genotype to both its haplotypes' frequencies.
    void update_hapl_freq_in_genotypes();

    // Copies of src cut down to loci[1..loci[0]] (copy_restricted_pheno) or
    // to the loci whose mask entry is not 0 (build_sub_phenotype); no genotypes.
    TPhenotype& copy_restricted_pheno(int const* loci, TPhenotype const& src);
    TPhenotype& build_sub_phenotype(int const* mask, TPhenotype const& src);

    // Makes this individual a random two-locus draw: the alleles of gene copy
    // 1 and 2 at each locus drawn from the cumulative frequencies cum1 (k1
    // haplotypes of table1) and cum2 (k2 of table2), recessive alleles rec1
    // and rec2 hidden by a dominant partner. Named id, haplotypes id and id+1.
    void build_resam_pheno(int const& n, int const& id, double* cum1, int const& k1,
                           double* cum2, int const& k2, TPopHaploDB& table1,
                           TPopHaploDB& table2, long& seed, TAlleleDB* alleles,
                           TAllele* rec1, TAllele* rec2);

    // Every genotype of positive probability, as shares of the individual's.
    void print_detailed_genotypes(std::ostream& os);
    // Expected genotype frequencies (recomputed, with inbreeding shares) and
    // the genotypes sorted by decreasing frequency; those whose share exceeds
    // min_freq are printed.
    void printGenotypeFreqs(std::ostream& os, int const& index, double const& min_freq);

    // Allele of gene copy `copy` at position `locus`, or null.
    TAllele* allele_at(int copy, int locus) const;
    // Number of alleles of gene copy 1 (0 without it).
    int num_loci() const;

private:
    void release_pseudo_hapl();
    void replace_pseudo_hapl(TPopHaplotype* h, int which);
    void copy_restricted_fields(TPhenotype const& src);
};

// Name, count and gene copy 1 on one line, gene copy 2 under it.
std::ostream& operator<<(std::ostream& os, TPhenotype const& p);

#endif
