// The microsatellite tables of the summary report: the allelic size range of
// every sample and of all samples together, the Garza-Williamson (2001)
// index M = k/(r + 1), and the modified index, in which each sample's M is
// weighted by (r + 1)/(R + 1), R the range over all samples of the level.
// The pooled index of the collector is the mean over loci of K/(R + 1), K
// the alleles of the locus over all samples.

#include <algorithm>
#include <climits>
#include <iomanip>
#include <vector>

#include "app/glbobj.h"
#include "summary/summary_report.h"
#include "summary/sumstat.h"

namespace {

// The range R of a locus over the samples that counted a gene copy there
// (the others keep sizes 0, which are no sizes); false when none did.
bool total_range(SummaryReport& r, int l, int& range)
{
    double hi = -INT_MAX, lo = INT_MAX;
    bool any = false;
    for (int i = 0; i < r.n; ++i) {
        PopGenetics& p = r.sample(i);
        if (l >= p.LocusMinAlleleSize.count || l >= p.LocusMaxAlleleSize.count
            || !has_gene_copies(p, l))
            continue;
        hi = std::max(hi, static_cast<double>(p.LocusMaxAlleleSize[l]));
        lo = std::min(lo, static_cast<double>(p.LocusMinAlleleSize[l]));
        any = true;
    }
    if (any)
        range = static_cast<int>(hi - lo);
    return any;
}

}  // namespace

void write_allelic_range_blocks(SummaryReport& r)
{
    // Allelic size range, with the range of every locus over all samples.
    const SummaryReport::Block range{"allRange", "Allelic range", "Allelic size range",
                                     "sumAllelicSizeRange", "range", "Locus#", 6,
                                     {"Mean", "s.d.", "Tot. range"}};
    r.open_block(range);
    r.out << std::setprecision(3);
    std::vector<int> totalAllelicRange(static_cast<std::size_t>(r.L), 0);
    std::vector<bool> has_total(static_cast<std::size_t>(r.L), false);
    Moments total, pooled_gw;  // over the loci with a total range
    for (int l = 0; l < r.L; ++l) {
        r.out << std::setw(6) << l + 1;
        r.sample_cells(SummaryReport::locus_entry(&PopGenetics::LocusAllelicRange, l), true);
        int R = 0;
        if (!total_range(r, l, R)) {
            r.not_available(12);
            r.out << "\n";
            continue;
        }
        r.out << Column{12} << R << "\n";
        totalAllelicRange[static_cast<std::size_t>(l)] = R;
        has_total[static_cast<std::size_t>(l)] = true;
        total.add(R);
        const double K = static_cast<std::size_t>(l) < r.pooledNumAlleles.size()
                             ? r.pooledNumAlleles[static_cast<std::size_t>(l)]
                             : 0.0;
        pooled_gw.add(K / (R + 1.0));
    }
    r.rule(range);
    SumStat.totGW = pooled_gw.mean();
    Moments ranges = r.field_row(range, "Mean", &PopGenetics::MeanAllelicRange, &SumStat.R);
    r.out << Column{12} << total.mean() << "\n";
    SumStat.meanR = ranges.mean();
    SumStat.sdR = ranges.sd();
    SumStat.totR = total.mean();
    r.field_row(range, "s.d.", &PopGenetics::MeanAllelicRangeSD, &SumStat.Rsd);
    r.out << Column{12} << total.sd() << "\n";
    r.close_block(range);

    // Garza-Williamson index.
    const SummaryReport::Block gw{"GW", "Garza-Williamson index", "Garza-Williamson index",
                                  "sumGWIndex", "GWIndex", "Locus#", 6, {"Mean", "s.d."}};
    r.open_block(gw);
    for (int l = 0; l < r.L; ++l) {
        r.out << std::setw(6) << l + 1;
        r.sample_cells(SummaryReport::locus_entry(&PopGenetics::LocusGWStat, l));
        r.out << "\n";
    }
    r.rule(gw);
    Moments means = r.field_row(gw, "Mean", &PopGenetics::MeanGWStat, &SumStat.GW);
    r.out << "\n";
    if (SumStat.MEAN_GW)
        SumStat.meanGW = means.mean();
    if (SumStat.SD_GW)
        SumStat.sdGW = means.sd();
    r.field_row(gw, "s.d.", &PopGenetics::MeanGWStatSD, &SumStat.GWsd);
    r.out << "\n";
    r.close_block(gw);

    // Modified Garza-Williamson index; a locus without a total range, and a
    // sample without any gene copy at the locus, are left out ("N.A.").
    const SummaryReport::Block modified{"GWN", "Garza-Williamson modified index",
                                        "Garza-Williamson modified index", "sumModGWIndex",
                                        "modGWIndex", "Locus#", 6, {"Mean", "s.d."}};
    r.open_block(modified);
    std::vector<Moments> of_sample(static_cast<std::size_t>(r.n));
    for (int l = 0; l < r.L; ++l) {
        r.out << std::setw(6) << l + 1;
        const std::size_t at = static_cast<std::size_t>(l);
        int i = 0;
        r.sample_cells([&](PopGenetics& p, double& v) {
            Moments& sums = of_sample[static_cast<std::size_t>(i++)];
            if (!has_total[at] || l >= p.LocusAllelicRange.count || l >= p.LocusGWStat.count
                || !has_gene_copies(p, l))
                return false;
            v = (p.LocusAllelicRange[l] + 1.0) / (totalAllelicRange[at] + 1.0) * p.LocusGWStat[l];
            sums.add(v);
            return true;
        });
        r.out << "\n";
    }
    r.rule(modified);
    for (int i = 0; i < r.n; ++i) {
        r.sample(i).MeanModGWIndex = of_sample[static_cast<std::size_t>(i)].mean();
        r.sample(i).MeanModGWIndexSD = of_sample[static_cast<std::size_t>(i)].sd();
    }
    Moments modified_means =
        r.field_row(modified, "Mean", &PopGenetics::MeanModGWIndex, &SumStat.NGW);
    r.out << "\n";
    if (SumStat.MEAN_NGW)
        SumStat.meanNGW = modified_means.mean();
    if (SumStat.SD_NGW)
        SumStat.sdNGW = modified_means.sd();
    r.field_row(modified, "s.d.", &PopGenetics::MeanModGWIndexSD, &SumStat.NGWsd);
    r.out << "\n";
    r.close_block(modified);
}
