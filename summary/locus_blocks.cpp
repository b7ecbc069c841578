// The per-locus tables of the summary report: expected heterozygosity
// (Nei 1987), theta from the heterozygosity under the infinite-allele model
// (theta = 1/(1 - H) - 1) or the stepwise mutation model (theta =
// (1/(1 - H)^2 - 1)/2, Ohta and Kimura 1973), and the number of alleles.
// Each has one row per locus and rows over the loci; heterozygosity and
// number of alleles add a total over all samples pooled.

#include <iomanip>

#include "app/glbobj.h"
#include "app/settings.h"
#include "model/allele.h"
#include "project/project.h"
#include "project/samples.h"
#include "summary/summary_report.h"
#include "summary/sumstat.h"

namespace {

// Theta of a locus; false where it is not defined (H = 1, and for the
// stepwise model also H = 0).
bool theta_of_locus(double H, bool stepwise, double& theta)
{
    if (stepwise) {
        if (H <= 0.0 || H >= 1.0)
            return false;
        theta = (1.0 / ((1.0 - H) * (1.0 - H)) - 1.0) / 2.0;
        return true;
    }
    if (H >= 1.0)
        return false;
    theta = 1.0 / (1.0 - H) - 1.0;
    return true;
}

// Theta from a sample's mean heterozygosity; 9999 when H is 1.
double theta_of_mean(double H, bool stepwise)
{
    if (1.0 - H <= 0.0)
        return 9999.0;
    return stepwise ? (1.0 / ((1.0 - H) * (1.0 - H)) - 1.0) / 2.0 : 1.0 / (1.0 - H) - 1.0;
}

// Alleles of a pooled locus that were met: those counted in some sample,
// an allele standing for missing data left out.
int pooled_allele_count(int l, char missing)
{
    TLocus const* locus = SummaryReport::pooled_locus(l);
    if (!locus)
        return 0;
    int k = 0;
    for (int i = 0; i < locus->alleles.count; ++i) {
        TAllele const& a = *locus->alleles.data[i];
        if (a.count > 0.0 && !(a.name.length > 0 && a.name.str[0] == missing))
            ++k;
    }
    return k;
}

// The "Mean" row of the heterozygosity and allele-number tables, which also
// hands the collector one value and its s.d. per sample (haplotypic data
// their haplotype-level statistic, genotypes of unknown phase the row's
// value) and, when flagged, the mean and s.d. over samples of those values.
struct CollectorColumn {
    TSumStat::List& values;
    TSumStat::List& sds;
    bool mean_flag, sd_flag;
    double& mean;
    double& sd;
};
using SampleValue = double (*)(PopGenetics& p, int L);

void mean_row(SummaryReport& r, SummaryReport::Block const& b, SampleValue row_value,
              SampleValue row_sd, SampleValue haplotype_value, SampleValue haplotype_sd,
              CollectorColumn c)
{
    const bool haplotypic = r.haplotypic();
    c.values.count = 0;
    c.sds.count = 0;
    Moments stored;
    r.label(b, "Mean");
    r.sample_cells([&](PopGenetics& p, double& x) {
        x = row_value(p, r.L);
        const double value = haplotypic ? haplotype_value(p, r.L) : x;
        c.values.Add(r.collected(p, value));
        c.sds.Add(r.collected(p, haplotypic ? haplotype_sd(p, r.L) : row_sd(p, r.L)));
        if (r.analysed(p))
            stored.add(value);
        return true;
    });
    if (c.mean_flag)
        c.mean = stored.mean();
    if (c.sd_flag)
        c.sd = stored.sd();
}

}  // namespace

void write_expected_heterozygosity(SummaryReport& r)
{
    const SummaryReport::Block b{"het", "Heterozygosity", "Expected heterozygosity",
                                 "sumExpHeterozygosity", "heteroz", "Locus#", 6,
                                 {"Mean", "s.d.", "Tot. Het."}};
    r.open_block(b);
    Moments total;  // over the loci polymorphic in the pooled samples
    for (int l = 0; l < r.L; ++l) {
        r.out << std::setw(6) << l + 1;
        r.sample_cells(SummaryReport::locus_entry(&PopGenetics::LocusExpHet, l));
        const double pooled =
            computeHeterozygosity(SummaryReport::pooled_locus(l), r.samples.MissingData);
        r.out << Column{12} << pooled << "\n";
        if (pooled != 0.0)
            total.add(pooled);
    }
    if (total.m >= 1)
        r.rule(b);

    mean_row(
        r, b, [](PopGenetics& p, int L) { return L == 0 ? p.GeneDiversity : p.MeanExpHet; },
        [](PopGenetics& p, int) { return p.MeanExpHetSD; },
        [](PopGenetics& p, int) { return p.GeneDiversity; },
        [](PopGenetics& p, int) { return p.GeneDiversitySD; },
        {SumStat.H, SumStat.Hsd, SumStat.MEAN_H, SumStat.SD_H, SumStat.meanH, SumStat.sdH});
    r.out << Column{12} << total.mean() << "\n";
    if (SumStat.TOT_H)
        SumStat.totH = total.mean();

    if (r.L != 0) {
        r.field_row(b, "s.d.", &PopGenetics::MeanExpHetSD);
        r.out << Column{12} << total.sd() << "\n";
    }
    r.close_block(b);
}

void write_theta_h(SummaryReport& r)
{
    const bool stepwise = ProfileSettings::DataType == MICROSAT;
    const SummaryReport::Block b{"thetaH", "Theta(H)",
                                 stepwise ? "Theta(H) under the stepwise mutation model"
                                          : "Theta(H) under the infinite-allele model",
                                 "sumThetaH", "thetaH", "Locus#", 6, {"Mean", "s.d."}};
    r.open_block(b);
    for (int l = 0; l < r.L; ++l) {
        r.out << std::setw(6) << l + 1;
        r.sample_cells([&](PopGenetics& p, double& theta) {
            return l < p.LocusExpHet.count && has_gene_copies(p, l)
                   && theta_of_locus(p.LocusExpHet[l], stepwise, theta);
        });
        r.out << "\n";
    }
    r.rule(b);
    // The label is wider than its field: the values follow on its second line.
    r.label(b, "Theta from\nMean H");
    r.sample_cells([&](PopGenetics& p, double& theta) {
        theta = theta_of_mean(p.MeanExpHet, stepwise);
        return true;
    });
    r.out << "\n";
    r.close_block(b);
}

void write_number_of_alleles(SummaryReport& r)
{
    const SummaryReport::Block b{"numAll", "No. of alleles", "Number of alleles", "sumNumAlleles",
                                 "numAlleles", "Locus#", 6, {"Mean", "s.d.", "Tot. number"}};
    r.open_block(b);
    r.out << std::setprecision(3);
    r.pooledNumAlleles.assign(static_cast<std::size_t>(r.L), 0.0);
    Moments all, polymorphic;  // of the pooled counts over the loci
    for (int l = 0; l < r.L; ++l) {
        r.out << std::setw(6) << l + 1;
        r.sample_cells(SummaryReport::locus_entry(&PopGenetics::LocusNumAlleles, l), true);
        const int k = pooled_allele_count(l, r.samples.MissingData);
        r.out << Column{12} << k << "\n";
        r.pooledNumAlleles[static_cast<std::size_t>(l)] = k;
        all.add(k);
        if (k >= 2)
            polymorphic.add(k);
    }
    if (r.L != 0)
        r.rule(b);
    // DNA totals describe the polymorphic sites only.
    Moments const& total = ProfileSettings::DataType == DNA ? polymorphic : all;

    mean_row(
        r, b, [](PopGenetics& p, int) { return p.MeanNumAlleles; },
        [](PopGenetics& p, int) { return p.MeanNumAllelesSD; },
        [](PopGenetics& p, int) { return static_cast<double>(p.num_haplotypes); },
        [](PopGenetics&, int) { return 0.0; },
        {SumStat.K, SumStat.Ksd, SumStat.MEAN_K, SumStat.SD_K, SumStat.meanK, SumStat.sdK});
    r.out << Column{12} << total.mean() << "\n";
    if (SumStat.TOT_K) {
        if (!r.haplotypic()) {
            SumStat.totK = total.mean();
        } else if (r.project) {
            r.samples.NbHaploClasses = r.project->haplo_list.list.count;
            SumStat.totK = r.samples.NbHaploClasses;
        }
    }

    if (r.L != 0) {
        r.field_row(b, "s.d.", &PopGenetics::MeanNumAllelesSD);
        r.out << Column{12} << total.sd() << "\n";
    }
    r.close_block(b);
}
