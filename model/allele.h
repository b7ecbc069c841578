// Alleles and loci of the allele database.
//
// Every allele the program meets exists once, as a TAllele owned by its TLocus;
// haplotypes and individuals hold non-owning pointers to it, so two haplotypes
// are equal exactly when they point to the same allele objects. Position 0 of
// every locus is the recessive-allele slot; real alleles start at position 1.
#ifndef DROV_MODEL_ALLELE_H
#define DROV_MODEL_ALLELE_H

#include <ostream>

#include "core/my_string.h"
#include "core/pointer_arrays.h"

class TAllele {
public:
    my_string name;        // the allele as written in the data
    double count;          // sum of the weights with which the allele was entered
    int locus;             // index of its locus in the database
    int sub_locus;         // position in the source haplotype of the last sub-haplotype built
    int mark;              // 1: selected for computation
    double* pop_freq;      // owned: per-population frequencies, or null
    double* group_freq;    // owned: per-group frequencies, or null
    double exp_freq;       // expected frequency of the haplotype-frequency estimation
    double inbreed_sum;    // frequency share due to inbreeding, accumulated
    // Lengths of the two arrays above. numPop and numGroup are process-wide,
    // while each database creates its arrays on its own, so an allele keeps
    // the length its arrays were made with; copies never read past them.
    int pop_freq_len;
    int group_freq_len;

    // Length of the per-population and per-group arrays made last.
    static int numPop;
    static int numGroup;

    TAllele();
    TAllele(my_string const& allele_name, double const& weight, int const& locus_index);
    TAllele(TAllele const& source);
    ~TAllele();

    // Copies everything but sub_locus; the arrays are copied whole.
    TAllele& operator=(TAllele const& source);

    // Releases the array (if any) and leaves a null pointer.
    void release_pop_freq();
    void release_group_freq();
};

// Writes the allele's name and nothing else.
std::ostream& operator<<(std::ostream& os, TAllele const& allele);

class TLocus {
public:
    MY_TIArrayAsVector<TAllele> alleles;  // owning, in order of creation

private:
    // The one-character names of the first alleles, noted by the lookups by
    // character: reading DNA looks up one character per site of every
    // sequence, and visiting each allele and its name for that took most of
    // the reading time. A noted position is trusted while it still holds the
    // allele object it was noted from; alleles keep their names, and a locus
    // only gains alleles at the end (operator= starts the notes anew). Kept
    // next to the alleles, so that a lookup reads few cache lines.
    static const int NOTED_ALLELES = 6;
    int noted_;                        // positions 0 .. noted_-1 are noted
    short noted_char_[NOTED_ALLELES];  // the name's byte as unsigned char; -1: not one character
    TAllele const* noted_allele_[NOTED_ALLELES];

public:
    my_string name;
    int print_width;                      // column width in the allele-table printout
    // The ten statistics of the locus's own AMOVA, stored by the
    // locus-by-locus AMOVA (-2.0 each when its one-locus samples could not be built).
    enum AmovaStatistic { LOCUS_VA, LOCUS_VB, LOCUS_VC, LOCUS_VD, LOCUS_TOTAL_VARIANCE,
                          LOCUS_FIS, LOCUS_FST, LOCUS_FSC, LOCUS_FCT, LOCUS_FIT, AMOVA_STATISTICS };
    double locus_results[12];             // by AmovaStatistic
    double meanHetWithinSamples;          // expected heterozygosity over samples, weighted by size

    explicit TLocus(my_string const& locus_name);
    TLocus(TLocus const& source);
    TLocus& operator=(TLocus const& source);

    // The character forms match an allele whose whole name is that one
    // character, so that a DNA 'n' is not taken for the recessive slot "null".
    TAllele* find_allele_by_name(char const& c);
    TAllele* find_allele_by_name(my_string const& s);
    int find_allele_pos_by_name(char const& c);
    int find_allele_pos_by_name(my_string const& s);
    // Position of that very object (pointer identity); -1 when absent.
    int get_allele_index(TAllele* allele);

    // Polymorphism of a locus holding the recessive slot at position 0: more
    // than one real allele besides the missing-data allele.
    bool is_polymorph(char missing);
    // True when more than one allele is neither the missing-data allele nor
    // named other.
    bool is_polymorph(char missing, my_string const& other);
};

#endif
