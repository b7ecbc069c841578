// The summary report over the samples of one analysis level: what its table
// blocks share. Every block puts one statistic of every sample side by side,
// one column per sample, with the mean and s.d. over the samples; the
// per-locus blocks show one row per locus and then rows over the loci.
//
// A sample whose per-locus lists hold fewer entries than the report's locus
// count (its analyses were refused or stopped), or that has no gene copy at
// a locus, shows "N.A." in the cells it lacks, and those cells stay out of
// every mean, s.d. and sum. A sample refused for its size (more gene copies
// than a count holds) was not analysed at all: every cell of its column is
// "N.A.", it stays out of every mean and s.d. over the samples, and the
// collector's lists hold not a number for it. Every value cell begins with
// a blank, so that a number wider than its column never runs into the one
// before.
#ifndef DROV_SUMMARY_SUMMARY_REPORT_H
#define DROV_SUMMARY_SUMMARY_REPORT_H

#include <functional>
#include <iomanip>
#include <ostream>
#include <vector>

#include "analyses/popgen/moments.h"
#include "analyses/popgen/pop_genetics.h"
#include "core/column.h"

class Project;
class Samples;
class settings;
class TLocus;

// A table rule: n '-' (none when n is 0 or less), then a line end.
void printLine(std::ostream& os, int n);

// True when the sample counted a gene copy at locus l (from 0).
bool has_gene_copies(PopGenetics const& p, int l);

// Expected heterozygosity of a locus from the counts c_i of all its alleles
// (Nei 1987): (1 - sum (c_i/N)^2) N/(N - 1), N = sum c_i; 0 without alleles
// or for N <= 1. An allele standing for missing data counts like any other.
double computeHeterozygosity(TLocus const* locus, char missing);

class SummaryReport {
public:
    SummaryReport(Samples& samples, settings& s, Project* project);

    Samples& samples;
    settings& s;
    Project* project;  // may be null: only the total of haplotypes needs it
    std::ostream& out;
    const int n;            // samples of the level
    const int columnWidth;  // of every sample column: the widest name + 2, at least 12
    // Loci of the per-locus rows: those of the He list of the first sample
    // that has one (a sample refused for its size has none).
    const int L;
    // Per locus the pooled allele count ("Tot. number"), from the Number of
    // alleles block to the end of the standard-diversity blocks.
    std::vector<double> pooledNumAlleles;

    PopGenetics& sample(int i) const { return *typed_[static_cast<std::size_t>(i)]; }
    // False for a sample refused for its size (PopGenetics::gene_copies_fit).
    bool analysed(int i) const { return analysed_[static_cast<std::size_t>(i)]; }
    bool analysed(PopGenetics const& p) const;
    // A sample's value for the collector's lists: not a number for a sample
    // that was not analysed.
    double collected(PopGenetics const& p, double value) const;
    // Haplotypic data, or genotypes of known phase.
    bool haplotypic() const;

    // The frame of a block: anchor, title rule and title, the XML element
    // (when the block has one and the output is XML) or a line end, the
    // table rule, the header row and the rule under it.
    struct Block {
        const char* shortName;  // ends the anchor name
        const char* treeText;
        const char* title;
        const char* element;    // XML element, or null
        const char* attribute;  // its "samp" value
        const char* caption;    // of the label column
        int labelWidth;
        std::vector<const char*> trailing;  // "Mean", "s.d." and any total
    };
    void open_block(Block const& b);
    // The final rule, and the element's closing.
    void close_block(Block const& b);
    int table_width(Block const& b) const;
    void rule(Block const& b);

    // One cell per sample: `value` gives the sample's value, or false for a
    // cell that cannot be computed ("N.A."); then the mean and s.d. over the
    // computed cells in width 12 ("N.A." twice when there is none). Integer
    // cells are written without decimals. `value` is asked for every sample,
    // so that it hands the collector one entry per sample; a sample that was
    // not analysed is "N.A." whatever it gives. Returns the moments over
    // samples.
    using Cell = std::function<bool(PopGenetics& p, double& value)>;
    // The cell of locus l (from 0) of a per-locus list; "N.A." beyond its end
    // and where the sample has no gene copy.
    template <class T>
    static Cell locus_entry(MY_TArrayAsVector<T> PopGenetics::*list, int l)
    {
        return [list, l](PopGenetics& p, double& value) {
            if (l >= (p.*list).count || !has_gene_copies(p, l))
                return false;
            value = (p.*list)[l];
            return true;
        };
    }
    Moments sample_cells(Cell const& value, bool integer = false);
    void mean_and_sd(Moments const& over_samples);
    void not_available(int width);
    // A row labelled `text` of one result field of every sample, each value
    // also added to `list` when one is given; the mean and s.d. over samples.
    Moments field_row(Block const& b, const char* text, double PopGenetics::*field,
                      MY_TArrayAsVector<double>* list = nullptr);
    // A row's label right-aligned in the block's label width.
    void label(Block const& b, const char* text);

    // Locus l (from 0) of the pooled allele counts, or null.
    static TLocus const* pooled_locus(int l);

private:
    std::vector<PopGenetics*> typed_;  // the samples, cast once
    std::vector<bool> analysed_;       // per sample, asked once
};

// The blocks, in the order of the report.
void write_basic_properties(SummaryReport& r);
void write_expected_heterozygosity(SummaryReport& r);
void write_theta_h(SummaryReport& r);
void write_number_of_alleles(SummaryReport& r);
void write_allelic_range_blocks(SummaryReport& r);
// Not a table: the allele-frequency files and the site frequency spectra of
// the level (summary/summary_exports.cpp).
void write_summary_exports(SummaryReport& r);
void write_molecular_diversity(SummaryReport& r);
void write_neutrality_tests(SummaryReport& r);
void write_mismatch_analysis(SummaryReport& r);

// The substitution sites of the level, over the sites of
// PopGenetics::globalSubstPolymSites: those polymorphic and usable in some
// sample (a site beyond a sample's flags is neither for that sample) at which
// the first sample's allele table holds two alleles or more besides the
// recessive-allele slot, gaps, missing data and, for DNA, ambiguity codes.
int substitution_site_total(Samples const& samples);

#endif
