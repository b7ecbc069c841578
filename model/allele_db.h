// The allele database: the loci of a project with their alleles.
//
// The database owns its loci, a locus owns its alleles, an allele owns its
// frequency arrays. Alleles are entered one occurrence at a time with a weight
// (InsertAllPos), which adds to an existing allele or creates it; pointers to
// alleles stay valid until destroy() or the database's destruction.
#ifndef DROV_MODEL_ALLELE_DB_H
#define DROV_MODEL_ALLELE_DB_H

#include <ostream>

#include "core/my_string.h"
#include "core/pointer_arrays.h"
#include "model/allele.h"

class TAlleleDB {
public:
    MY_TIArrayAsVector<TLocus> loci;  // owning, by locus index
    int blanks_inserted;              // 1 once every locus holds its recessive-allele slot
    TAllele not_found;                // "Allele not found"; no lookup returns it

    TAlleleDB();
    explicit TAlleleDB(int const& n);  // room for n+1 loci
    TAlleleDB(TAlleleDB const& source);
    TAlleleDB& operator=(TAlleleDB const& source);

    // Lookups answer null when the locus or the allele is absent.
    TAllele* operator()(my_string const& locus_name, my_string const& allele_name);
    TAllele* operator()(int const& locus_index, my_string const& allele_name);
    TAllele* operator()(my_string const& locus_name, int const& allele_pos);
    // The allele at position pos of locus index locus (a position that
    // InsertAllPos answered, -1 included).
    TAllele* allele_at(int locus, int pos) const;

    // Enter one occurrence of an allele at a locus with weight w and return the
    // allele's position in its locus. A locus index equal to the number of loci
    // appends the locus "Locus <index>"; a locus name not yet present appends a
    // locus of that name. The character forms match the allele named by that
    // one character. The trailing int of the reference forms is not used.
    int InsertAllPos(int const& L, my_string const& allele_name, double w);
    int InsertAllPos(int const& L, char const& c, double w);
    int InsertAllPos(my_string const& locus_name, my_string const& allele_name, double w);
    int InsertAllPos(int const& L, my_string const& allele_name, double& w, int const& unused);
    int InsertAllPos(int const& L, char const& c, double& w, int const& unused);

    // Deletes every locus with its alleles and clears blanks_inserted, so the
    // next run inserts the recessive-allele slots again. numPop and numGroup
    // keep their values.
    void destroy();

    void assign_rand_exp_freq();
    void reset_exp_freq();
    // Inbreeding correction of the expected frequencies from pop_freq[0] and
    // pop_freq[1]; returns the summed absolute change, or -1 when F is not
    // positive or some allele has no array of at least two entries.
    double update_all_freq_with_inbreeding(double const& F);

    // Every allele gets a fresh array of n zeros; then numPop (numGroup) is n.
    void create_pop_freq_vector(int const& n);
    void create_group_freq_vector(int const& n);
    void flush_pop_freq_vector();
    void flush_group_freq_vector();
    void reset_all_pop_freqs();

private:
    TLocus* locus_for_insert(int L);
    int locus_pos_by_name(my_string const& locus_name);
    int add_or_create(TLocus* locus, int found_pos, my_string const& allele_name, double w, int L);
    bool create_freq_arrays(int n, double* TAllele::*array, int TAllele::*length);
};

// The allele table: one column per locus, one row per allele position, each
// cell the allele's name and its count as a truncated percentage. Sets every
// locus's print_width.
std::ostream& operator<<(std::ostream& os, TAlleleDB& db);

#endif
