// The Basic properties table of the summary report: per sample its gene
// copies, loci, usable loci and polymorphic loci (sites for DNA and RFLP).

#include <iomanip>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_rflp.h"
#include "app/glbobj.h"
#include "summary/summary_report.h"
#include "summary/sumstat.h"

namespace {

// Sites with substitutions for DNA and RFLP data (a site that varies only by
// an indel does not count), polymorphic usable loci for the other types.
int polymorphic_count(PopGenetics& p)
{
    if (auto* dna = dynamic_cast<PopulDNA*>(&p))
        return dna->NumSubstitutionSites;
    if (auto* rflp = dynamic_cast<PopulRFLP*>(&p))
        return rflp->NumSubstitutionSites;
    return p.NumPolymSites;
}

}  // namespace

void write_basic_properties(SummaryReport& r)
{
    const SummaryReport::Block b{"Basic", "Basic indices", "Basic properties\n", nullptr, nullptr,
                                 "Statistics", 20, {"Mean", "s.d."}};
    r.open_block(b);
    r.out << std::setprecision(3);
    auto row = [&](const char* text, SummaryReport::Cell const& cell) {
        r.label(b, text);
        Moments m = r.sample_cells(cell, true);
        r.out << "\n";
        return m;
    };
    // The column shows whole gene copies; the mean keeps the fraction. A
    // sample too large to be analysed has no count (nor any other cell).
    row("No. of gene copies", [](PopGenetics& p, double& x) {
        x = p.SampleSize;
        return true;
    });
    row("No. of loci", [](PopGenetics& p, double& x) {
        x = p.num_loci_cached();
        return true;
    });
    row("No. of usable loci", [](PopGenetics& p, double& x) {
        x = p.NumUsableLoci;
        return true;
    });
    SumStat.S.count = 0;
    SumStat.Ssd.count = 0;
    Moments polymorphic = row("No. of polym. loci", [&](PopGenetics& p, double& x) {
        x = polymorphic_count(p);
        SumStat.S.Add(r.collected(p, x));
        return true;
    });
    if (SumStat.MEAN_S)
        SumStat.meanS = polymorphic.mean();
    if (SumStat.SD_S)
        SumStat.sdS = polymorphic.sd();
    r.close_block(b);
}
