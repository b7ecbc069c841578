// Per-locus diversity of a sample: gene copies, alleles, observed and
// unbiased expected heterozygosity (Nei 1987), and for microsatellites the
// allelic range r and the Garza-Williamson (2001) statistic M = k / (r + 1).
// Every cell after the locus number begins with a blank, so that a count as
// wide as its column stays apart from the one before.

#include <algorithm>
#include <cmath>
#include <iomanip>
#include <string>

#include "analyses/popgen/locus_counts.h"
#include "analyses/popgen/moments.h"
#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "core/column.h"

namespace {

struct ColumnSums {
    Moments copies, alleles, observed, expected, range, gw;
};

// What one table shows.
struct TableLayout {
    bool observed;  // the observed heterozygosity column (genotypic samples)
    bool microsat;  // the allelic range and G-W columns
    bool rules;     // the rules around the header and after the rows
};

int rule_length()
{
    return ProfileSettings::DataType == MICROSAT ? 69 : 49;
}

void print_rule(std::ostream& out)
{
    out << std::string(rule_length(), '-') << "\n";
}

void print_header(std::ostream& out, TableLayout const& t)
{
    out << "\n\nResults are only shown for polymorphic loci";
    if (t.rules) {
        out << "\n";
        print_rule(out);
    }
    out << std::right << std::setw(16) << "Num.\n" << std::setw(15) << "gene" << std::setw(9)
        << "Num.";
    if (t.observed)
        out << std::setw(12) << "Obs." << std::setw(10) << "Exp.";
    else
        out << std::setw(12) << "Exp.";
    if (t.microsat)
        out << std::setw(10) << "Allelic" << std::setw(11) << "G-W";
    out << "\n" << std::setw(6) << "Locus#" << std::setw(10) << "copies" << std::setw(10)
        << "alleles";
    if (t.observed)
        out << std::setw(10) << "Het.";
    out << std::setw(10) << "Het";
    if (t.microsat)
        out << std::setw(10) << "range" << std::setw(12) << "stat.";
    if (t.rules) {
        out << "\n";
        print_rule(out);
    }
    out << std::fixed << std::showpoint << std::setprecision(5);
}

void print_locus_row(std::ostream& out, TableLayout const& t, PopGenetics const& p, int l)
{
    out << std::setw(6) << l + 1 << Column{10} << p.LocusGeneCopies[l] << Column{10}
        << p.LocusNumAlleles[l];
    if (t.observed)
        out << Column{10} << p.LocusObsHet[l];
    out << Column{10} << p.LocusExpHet[l];
    if (t.microsat)
        out << Column{10} << p.LocusAllelicRange[l] << Column{12} << p.LocusGWStat[l];
    out << "\n";
}

// The Mean or s.d. row: counts with 3 decimals, heterozygosities and G-W with 5.
void print_summary_row(std::ostream& out, TableLayout const& t, const char* label,
                       ColumnSums const& c, double (Moments::*value)() const)
{
    out << std::setw(6) << label << std::setprecision(3) << Column{10} << (c.copies.*value)()
        << Column{10} << (c.alleles.*value)() << std::setprecision(5);
    if (t.observed)
        out << Column{10} << (c.observed.*value)();
    out << Column{10} << (c.expected.*value)();
    if (t.microsat)
        out << std::setprecision(3) << Column{10} << (c.range.*value)() << std::setprecision(5)
            << Column{12} << (c.gw.*value)();
    out << "\n";
}

// The alleles of the first locus with a gene copy; 0 when there is none.
double first_typed_locus_alleles(PopGenetics const& p)
{
    for (int l = 0; l < p.LocusGeneCopies.count; ++l)
        if (p.LocusGeneCopies[l] > 0)
            return p.LocusNumAlleles[l];
    return 0.0;
}

// The Mean* fields. With a Mean row (a polymorphic locus among two or more),
// the genotypic table of DNA data keeps the values of its Mean and s.d. rows,
// every other table those over all loci; without one, the values of the
// polymorphic locus (0 when there is none) and no s.d. The allelic range and
// G-W of microsatellites are always those of the polymorphic loci. A locus
// without any gene copy has no heterozygosity nor alleles to count: it takes
// no part in their means over all loci (its gene copies, 0, do).
void store_locus_means(PopGenetics& p, ColumnSums const& polymorphic, ColumnSums const& all,
                       bool observed)
{
    const int L = all.copies.m;
    if (polymorphic.copies.m >= 1 && L >= 2) {
        const bool over_polymorphic = observed && ProfileSettings::DataType == DNA;
        ColumnSums const& c = over_polymorphic ? polymorphic : all;
        p.MeanExpHet = c.expected.mean();
        p.MeanExpHetSD = c.expected.sd();
        p.MeanNumAlleles = c.alleles.mean();
        p.MeanNumAllelesSD = c.alleles.sd();
        p.MeanGeneCopies = all.copies.mean();
        p.MeanGeneCopiesSD = all.copies.sd();
    } else {
        p.MeanExpHet = polymorphic.expected.mean();
        p.MeanGeneCopies = polymorphic.copies.mean();
        p.MeanNumAlleles = first_typed_locus_alleles(p);
        p.MeanExpHetSD = p.MeanNumAllelesSD = p.MeanGeneCopiesSD = 0.0;
    }
    if (ProfileSettings::DataType == MICROSAT) {
        p.MeanAllelicRange = polymorphic.range.mean();
        p.MeanAllelicRangeSD = polymorphic.range.sd();
        p.MeanGWStat = polymorphic.gw.mean();
        p.MeanGWStatSD = polymorphic.gw.sd();
    }
}

}  // namespace

void PopGenetics::OutputAllelelNumberAndHetPerLocusDipl(TPhenDB& sample_individuals,
                                                        std::ostream& out, settings const&,
                                                        bool range, bool gw, bool print)
{
    if (ProfileSettings::DataType == FREQUENCY)
        return;
    const bool microsat = ProfileSettings::DataType == MICROSAT && (range || gw);
    fill_locus_tables(&sample_individuals, microsat);
    write_locus_table(out, print, true, microsat, range || gw);
}

// The haplotypic table always shows its rules, and the microsatellite columns
// for every microsatellite sample.
void PopGenetics::OutputAllelelNumberAndHetPerLocusHapl(std::ostream& out, settings const&, bool,
                                                        bool, bool)
{
    if (ProfileSettings::DataType == FREQUENCY)
        return;
    const bool microsat = ProfileSettings::DataType == MICROSAT;
    fill_locus_tables(nullptr, microsat);
    write_locus_table(out, true, false, microsat, true);
}

int PopGenetics::num_loci_cached()
{
    if (NumLoci == 0)
        NumLoci = num_loci_of_first_haplotype();
    return NumLoci;
}

void PopGenetics::fill_locus_tables(TPhenDB const* sample_individuals, bool microsat)
{
    const int L = num_loci_cached();
    for (auto* column : {&LocusObsHet, &LocusExpHet})
        column->Reallocate(L);
    if (ProfileSettings::DataType == MICROSAT) {
        for (auto* column : {&LocusMinAlleleSize, &LocusMaxAlleleSize, &LocusAllelicRange})
            column->Reallocate(L);
        for (auto* column : {&LocusMeanAlleleSize, &LocusGWStat})
            column->Reallocate(L);
    }
    count_loci(sample_individuals, false, [&](int, LocusAlleleCounts const& counts) {
        if (sample_individuals)
            LocusObsHet.Add(counts.observed_heterozygosity());
        LocusExpHet.Add(counts.expected_heterozygosity());
        if (microsat)
            add_allele_sizes(counts);
    });
}

// A locus without any allele keeps sizes, range and G-W at 0.
void PopGenetics::add_allele_sizes(LocusAlleleCounts const& counts)
{
    int smallest = 0, largest = 0;
    bool any = false;
    double mean = 0.0;
    for (std::size_t k = 0; k < counts.alleles.size(); ++k) {
        if (!counts.counted[k])
            continue;
        const int size = allele_size(*counts.alleles[k]);
        smallest = any ? std::min(smallest, size) : size;
        largest = any ? std::max(largest, size) : size;
        any = true;
        if (counts.gene_copies > 0)
            mean += static_cast<double>(counts.weights[k]) / counts.gene_copies * size;
    }
    const int range = largest - smallest;
    LocusMinAlleleSize.Add(smallest);
    LocusMaxAlleleSize.Add(largest);
    LocusMeanAlleleSize.Add(mean);
    LocusAllelicRange.Add(range);
    LocusGWStat.Add(any ? counts.num_alleles() / (range + 1.0) : 0.0);
}

void PopGenetics::write_locus_table(std::ostream& out, bool print, bool observed, bool microsat,
                                    bool rules)
{
    const TableLayout layout{observed, microsat, rules};
    const int L = LocusGeneCopies.count;
    ColumnSums polymorphic, all;
    if (print)
        print_header(out, layout);
    for (int l = 0; l < L; ++l) {
        const double exp_het = LocusExpHet[l];
        all.copies.add(LocusGeneCopies[l]);
        if (LocusGeneCopies[l] > 0) {
            all.alleles.add(LocusNumAlleles[l]);
            all.expected.add(exp_het);
        }
        if (!is_locus_polymorphic(l))
            continue;
        polymorphic.copies.add(LocusGeneCopies[l]);
        polymorphic.alleles.add(LocusNumAlleles[l]);
        polymorphic.expected.add(exp_het);
        if (observed)
            polymorphic.observed.add(LocusObsHet[l]);
        if (microsat) {
            polymorphic.range.add(LocusAllelicRange[l]);
            polymorphic.gw.add(LocusGWStat[l]);
        }
        if (print)
            print_locus_row(out, layout, *this, l);
    }
    if (print && rules)
        print_rule(out);

    const int P = polymorphic.copies.m;
    const bool means = P >= 1 && L >= 2;
    if (print && means) {
        print_summary_row(out, layout, "Mean", polymorphic, &Moments::mean);
        print_summary_row(out, layout, "s.d.", polymorphic, &Moments::sd);
        print_rule(out);
        out << "\n";
    } else if (print) {
        out << "\n";
    }

    store_locus_means(*this, polymorphic, all, observed);
}

