// The exact test of population differentiation: a global test over all
// samples of the level, then every pair. The P value of a contingency table
// of categories (haplotypes, or multi-locus genotypes for genotypic data of
// unknown phase) by sample is the probability of the tables with the same
// margins that are not more probable than the observed one, estimated by a
// Markov chain over such tables.
#ifndef DROV_COMPARISONS_DIFF_INTER_POP_H
#define DROV_COMPARISONS_DIFF_INTER_POP_H

#include <vector>

class settings;
class Samples;
class Population;

// One move of the chain on the cells (row1, col1), (row2, col2) and their
// crossed cells: r1[c1] and r2[c2] lose one, r1[c2] and r2[c1] gain one.
// Returns the ratio of the table's probability after the move to that before
// it when the move is accepted (always when it is at least 1, else with that
// probability), 1.0 when it is refused. A move that would empty a zero cell
// has ratio 0 and is refused. The products are taken in 64 bits.
double swap_cells(int* r1, int* r2, int c1, int c2, long& idum);

class DiffInterPop {
public:
    // The contingency table: one row per sample of the table, one count per
    // column; empty while no table exists.
    std::vector<std::vector<int>> table;
    int first_sample;        // the pair under test (first sample in row 0)
    int second_sample;
    int num_columns;         // of the current table
    double prob;             // P value of the last test; -1 when it could not be made
    double prob_sd;          // its standard deviation
    int steps_done;          // Markov steps on which prob rests
    int test_failed;         // set when some test could not be made
    settings* run_settings;  // not owned
    Samples* samples;        // the samples compared; not owned

    DiffInterPop(settings& s, Samples* compared)
        : first_sample(0), second_sample(0), num_columns(0), prob(-1.0), prob_sd(0.0),
          steps_done(0), test_failed(0), run_settings(&s), samples(compared)
    {
    }

    // The whole test and its output on the run's result stream.
    void make_all_tests();
    // The global test on the table of all samples.
    void make_sample_test();
    // The test of the pair (first_sample, second_sample).
    void make_diff_test();

    // Build the table of the two samples (a in row 0) or of all samples:
    // haplotype definitions, or multi-locus genotypes, as columns in order of
    // first occurrence. 1, or 0 (and no table) with fewer than two columns.
    int build_all_table(Population* a, Population* b);
    int build_pheno_table(Population* a, Population* b);
    int build_all_table();
    int build_pheno_table();

    // One step of the chain on the two-row table, or on the table of all
    // samples; returns the accepted ratio or 1.0.
    double swap_in_table(long& idum, int const& k);
    double swap_in_table2(long& idum, int const& k);

    // Free the two-row table, or the table of all samples; an empty table is
    // left alone.
    void clean_table();
    void clean_big_table();

    // Whether the genotype table (genotypic data of unknown phase) is used.
    bool uses_genotype_table() const;
    // True when every category of the table of all samples (or of the pair
    // under test) occurs once: all tables with its margins are then equally
    // probable and its P is 1.
    bool every_category_unique(bool all_samples = true);

private:
    int build_table(std::vector<Population*> const& rows, bool genotypes);
    // The observed table of the test under way, of the kind the data ask for.
    int build_observed_table(bool all_samples);
    void release_table(bool all_samples);
    void run_chain(bool all_samples);
};

#endif
