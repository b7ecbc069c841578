// What the exports of the summary report share: the allele-frequency files
// and the site frequency spectra read the pooled allele table, sorted by
// allele name, and the frequencies of the project's allele database, and
// write plain-text files into the result folder.
#ifndef DROV_SUMMARY_SUMMARY_EXPORTS_H
#define DROV_SUMMARY_SUMMARY_EXPORTS_H

#include <fstream>
#include <string>

class settings;
class TAllele;
class TAlleleDB;
class TLocus;

namespace summary_exports {

// Sorts the alleles of the locus by name in ascending byte order, in place:
// the smallest name first, then the one-based heap sort of the rest.
void sort_alleles_by_name(TLocus& locus);

// Locus l of the database, or null when it has none (or no database).
TLocus* locus_of(TAlleleDB* db, int l);

// The first allele of that name at locus l of the database, or null.
TAllele* allele_named(TAlleleDB* db, int l, const char* name);

// The allele's relative frequency in the sample at that position: 0 for an
// allele that is absent or carries no frequency for the sample.
double frequency_in(TAllele const* allele, int sample);

// The folder part of the results file, with its separator ("" without one).
std::string result_folder(settings const& s);

// A cell of a spectrum, a count of sites or a sum of ones and halves,
// written exactly: whole (1000001), else with its one decimal (2.5).
std::string spectrum_cell(double count);

// Opens an output file; when it cannot be created, one WARNING naming it
// (from `where`), and false.
bool open_output(std::ofstream& out, std::string const& name, std::ios::openmode mode,
                 const char* where);

}  // namespace summary_exports

#endif
