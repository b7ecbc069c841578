// Haplotype definitions: one named haplotype of a project, and a sample's
// reference to one.
//
// A HaploDef holds a haplotype's name (its id), its data as text (its
// content) and, once the allele database is built, one pointer per locus to
// the allele objects of that database. Because every definition enters its
// alleles through the same database, two definitions with the same alleles
// hold the very same pointers.
#ifndef DROV_MODEL_HAPLO_DEF_H
#define DROV_MODEL_HAPLO_DEF_H

#include <algorithm>
#include <cstdint>
#include <istream>
#include <ostream>

#include "core/my_string.h"
#include "core/pointer_arrays.h"
#include "model/allele.h"
#include "project/profile_settings.h"

class TAlleleDB;

class HaploDef {
public:
    // One pointer per locus into the project's allele database, in locus
    // order; never owns the alleles. Empty until build_haplovect.
    MY_TIArrayAsVector<TAllele> haplovect;
    int matrix_index;   // row in the user-defined distance matrix; -1 before an association
    my_string id;       // the haplotype's name as written in the project file
    my_string content;  // the data as accepted by read_data (empty for frequency data)
    int count;          // copies over all samples, kept by the sample readers

    HaploDef();
    explicit HaploDef(my_string const& haplotype_id);
    HaploDef(HaploDef const& other);
    // Copies id, matrix index, content and count, and the allele pointers.
    HaploDef& operator=(HaploDef const& other);

    // Sets the content from one line of data, checked by the project's data
    // type (ProfileSettings::DataType): 1 on success, 0 on failure (ERROR 26,
    // 25 or 27 for a character that DNA, RFLP or MICROSAT data do not take;
    // no report when nothing was taken).
    int read_data(my_string& line, ProfileSettings& profile);
    // The same, taking the characters from the stream up to the end of the line.
    int read_data(std::istream& is, ProfileSettings& profile);

    // Enters the content into the allele database, locus by locus, with the
    // given weight, and keeps one allele pointer per locus. Separator 0: one
    // character per locus; any other: the non-empty words between separators.
    void build_haplovect(TAlleleDB* db, char const& separator, int population, double weight);

    // True when both hold the same allele objects locus by locus; definitions
    // of different lengths differ (two empty ones are equal).
    bool hasSameAllelicContent(HaploDef const& other) const;

    void flush();  // empties the allele list

private:
    void trim_trailing_blanks();
};

// A sample's reference to a definition of the project's haplotype list, with
// the number of gene copies of that haplotype in the sample.
class PHaploDef {
public:
    HaploDef* haplotype;  // not owned: the list outlives every sample
    int count;

    explicit PHaploDef(HaploDef* h = nullptr, int copies = 0) : haplotype(h), count(copies) {}
};

// Two counts of gene copies merged into one record: summed in 64 bits and
// held at the largest int, since a record counts in an int; the sample's
// SampleSize keeps the true total, which the size check of the analyses
// refuses.
inline int merged_count(int a, int b)
{
    return static_cast<int>(std::min<std::int64_t>(std::int64_t(a) + b, INT32_MAX));
}

// The id, a tab and the content; an empty content gives a blank and the id.
std::ostream& operator<<(std::ostream& os, HaploDef& h);
// Per-element printer of the list writer: the definition, a line end, a flush.
void Print(HaploDef& h, void* stream);

#endif
