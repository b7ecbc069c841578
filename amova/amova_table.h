// The results of a locus-by-locus AMOVA: one amova_results record per
// analysed locus, in locus order, and the printers of the per-locus table,
// of the population-specific indices per locus and of the global AMOVA as a
// weighted average over loci with bootstrap percentiles and permutation tests.
//
// The layout of every printer is chosen by the design (amova_case) of the
// first record; the other records are printed in that layout.
#ifndef DROV_AMOVA_AMOVA_TABLE_H
#define DROV_AMOVA_AMOVA_TABLE_H

#include <fstream>

#include "amova/amova_results.h"
#include "core/pointer_arrays.h"

class settings;
class Samples;
class Structure;

class AMOVA_table {
public:
    double epsilon;                       // tolerance of the ties in the tests over loci
    MY_TIArrayAsVector<amova_results> records;  // owning, one per analysed locus
    int col_width;                        // width of the SSD, component and % columns
    int col_precision;

    AMOVA_table();
    AMOVA_table(AMOVA_table const&) = delete;
    AMOVA_table& operator=(AMOVA_table const&) = delete;

    // The two column-title lines of the first record's design, or
    // "Invalid AMOVA case"; nothing for an empty table.
    void print_table_header(std::fstream& out);
    // One row per record whose total variance exceeds 1e-17; a P-value whose
    // test did not run is "N.A.". Leaves fixed notation, shown point and
    // right alignment set on the stream.
    void print_table(std::fstream& out);

    // Rows of the population-specific FST (FIS) per locus: one per record of
    // positive total sum of squares, `cells` population cells of width
    // cellWidth, absolute or relative (%) to the locus's own index. A value
    // a record lacks is "N.A.", and so is an FIS of -9.99999 or less.
    void print_Fst_per_pop_table(std::fstream& out, int cellWidth, bool relative, int cells);
    void print_Fis_per_pop_table(std::fstream& out, int cellWidth, bool relative, int cells);

    // The global AMOVA of all records: sums over loci, indices as ratios of
    // summed components, bootstrap percentiles over loci (from 6 loci on)
    // and the tests of the averaged null distributions.
    void print_average_loci(std::fstream& out, settings* s);
};

// Number of bootstrap replicates over loci, and the loci needed for them.
const int LOCUS_BOOTSTRAPS = 20000;
const int MIN_LOCI_FOR_BOOTSTRAP = 6;

// Shared with the global AMOVA run (amova_run.cpp).
class DistMat;
class Haplo_DB;
// A computed matrix has one row per haplotype of the list: its labels become
// the haplotypes' ids.
void label_rows_with_ids(DistMat& matrix, Haplo_DB const& list);
// The populations of samples numbered group after group, members in order,
// from 0, then the samples outside every group (the AMOVA's population order).
void number_populations(Samples& samples, Structure const& structure);

#endif
