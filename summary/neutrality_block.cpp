// The "Neutrality tests" table of the summary report: the results of the
// Ewens-Watterson test (Ewens 1972, Watterson 1978) with Slatkin's exact test
// (Slatkin 1994), Chakraborty's test (Chakraborty 1990), Tajima's D (Tajima
// 1989) and Fu's FS (Fu 1997), one column per sample, with their mean and
// s.d. over the samples.

#include <iomanip>
#include <limits>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_rflp.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "project/samples.h"
#include "summary/summary_report.h"
#include "summary/sumstat.h"

namespace {

constexpr int kLabelWidth = 60;

using Value = double (*)(PopGenetics& p);

class NeutralityTable {
public:
    explicit NeutralityTable(SummaryReport& report) : r(report) {}

    void ewens_watterson();
    void chakraborty();
    void tajima();
    void fu();

private:
    SummaryReport& r;

    enum Kind { COUNT, PLAIN, NOT_AVAILABLE, FS_P_VALUE };
    // One row; `list` (emptied first) receives every value. Returns its moments.
    Moments row(const char* text, Kind kind, Value value, TSumStat::List* list = nullptr,
                int width = kLabelWidth);
    void title(const char* text);
    void alleles_rows();
};

void NeutralityTable::title(const char* text)
{
    r.out << text << "\n" << std::string(std::char_traits<char>::length(text), '-') << "\n";
}

Moments NeutralityTable::row(const char* text, Kind kind, Value value, TSumStat::List* list,
                             int width)
{
    if (list)
        list->count = 0;
    r.out << std::setw(width) << text;
    Moments m;
    bool not_available = false;
    for (int i = 0; i < r.n; ++i) {
        const double x = value(r.sample(i));
        if (list)
            list->Add(r.collected(r.sample(i), x));
        if (!r.analysed(i)) {
            r.not_available(r.columnWidth);
            continue;
        }
        m.add(x);
        const bool computed = kind == FS_P_VALUE ? x > -1.0 : x >= 0.0;
        if ((kind == NOT_AVAILABLE || kind == FS_P_VALUE) && !computed) {
            r.not_available(r.columnWidth);
            not_available = true;
        } else if (kind == COUNT) {
            r.out << Column{r.columnWidth} << static_cast<long long>(x);
        } else {
            r.out << Column{r.columnWidth} << x;
        }
    }
    const bool na_row = kind == NOT_AVAILABLE || kind == FS_P_VALUE;
    if (na_row && (not_available || !(m.mean() >= 0.0))) {
        r.not_available(12);
        r.not_available(12);
    } else {
        r.mean_and_sd(m);
    }
    r.out << "\n";
    return m;
}

// The number of alleles of each sample, and with haplotypes checked against
// the distance matrix the number before identical ones were merged. A sample
// that never went through the merge (a pooled group) had nothing merged: its
// original number is its number of haplotypes.
void NeutralityTable::alleles_rows()
{
    const bool checked = r.s.InferHaplotypeDefinitionFromDistanceMatrix != 0;
    const char* text = checked ? "Real no. of alleles" : "No. of alleles(unchecked)";
    Value haplotypes = [](PopGenetics& p) { return static_cast<double>(p.num_haplotypes); };
    row(text, COUNT, haplotypes);
    if (checked && r.samples.GenotypicData == 0)
        row("Orig. no. of alleles", COUNT, [](PopGenetics& p) {
            return static_cast<double>(p.nbInitialHaplotypes > 0 ? p.nbInitialHaplotypes
                                                                 : p.num_haplotypes);
        });
}

double sample_size(PopGenetics& p)
{
    return p.SampleSize;
}

void NeutralityTable::ewens_watterson()
{
    title("Ewens-Watterson test");
    row("Sample size", COUNT, sample_size);
    alleles_rows();
    row("Observed F value", NOT_AVAILABLE, [](PopGenetics& p) { return p.EWObservedF; });
    row("Expected F value", NOT_AVAILABLE, [](PopGenetics& p) { return p.EWExpectedF; });
    row("   Watterson test: Pr(rand F &lt;= obs F)", NOT_AVAILABLE,
        [](PopGenetics& p) { return p.EWPValue; }, nullptr, 63);
    row("Slatkin's exact test P-value", NOT_AVAILABLE,
        [](PopGenetics& p) { return p.SlatkinExactP; });
}

// P(k or more alleles) of the test as the sample ran it: on its own
// haplotypes, or on the classes of identical haplotypes.
void NeutralityTable::chakraborty()
{
    title("Chakraborty's test");
    row("Sample size", COUNT, sample_size);
    alleles_rows();
    row("Obs. homozygosity", NOT_AVAILABLE, [](PopGenetics& p) { return p.Homozygosity; });
    row("Exp. no. of alleles", NOT_AVAILABLE,
        [](PopGenetics& p) { return p.ChakrabortyExpNumAlleles; });
    row("P(k or more alleles)", NOT_AVAILABLE,
        [](PopGenetics& p) { return p.ChakrabortyPClasses; });
}

// S: the sites with substitutions of a DNA sample, the segregating sites of
// an RFLP sample.
double segregating_sites(PopGenetics& p)
{
    if (auto* dna = dynamic_cast<PopulDNA*>(&p))
        return dna->NumSubstitutionSites;
    if (auto* rflp = dynamic_cast<PopulRFLP*>(&p))
        return rflp->NumSubstitutionSites;
    return 0.0;
}

// Fu's test sets the expected number of alleles together with Fs, and -1
// when it does not compute Fs.
bool fs_computed(PopGenetics const& p)
{
    return p.FuExpNumAlleles >= 0.0;
}

// Under their flags, the mean and s.d. of a row for the collector; not a
// number when no sample has a value.
void store(Moments const& m, bool mean_flag, double& mean, bool sd_flag, double& sd)
{
    const double none = std::numeric_limits<double>::quiet_NaN();
    if (mean_flag)
        mean = m.m > 0 ? m.mean() : none;
    if (sd_flag)
        sd = m.m > 0 ? m.sd() : none;
}

void NeutralityTable::tajima()
{
    title("Tajima's D test");
    row("Sample size", COUNT, sample_size);
    row("S", COUNT, segregating_sites);
    row("Pi", PLAIN, [](PopGenetics& p) { return p.MeanPairDiff; });
    SumStat.Dsd.count = 0;
    Moments D = row("Tajima's D", PLAIN, [](PopGenetics& p) { return p.TajimaD; }, &SumStat.D);
    store(D, SumStat.MEAN_TAJIMAD, SumStat.meanD, SumStat.SD_TAJIMAD, SumStat.sdD);
    row("Tajima's D p-value", NOT_AVAILABLE, [](PopGenetics& p) { return p.TajimaDPValue; });
}

void NeutralityTable::fu()
{
    title("Fu's FS test");
    alleles_rows();
    row("Theta_pi", NOT_AVAILABLE, [](PopGenetics& p) { return p.ThetaPi; });
    row("Exp. no. of alleles", NOT_AVAILABLE, [](PopGenetics& p) { return p.FuExpNumAlleles; });
    // A sample whose Fs was not computed is "N.A." and stays out of the mean
    // and s.d.; the collector's list holds not a number for it.
    SumStat.FSsd.count = 0;
    SumStat.FS.count = 0;
    r.out << std::setw(kLabelWidth) << "FS";
    Moments FS = r.sample_cells([this](PopGenetics& p, double& x) {
        const bool computed = fs_computed(p);
        x = p.FuFs;
        SumStat.FS.Add(computed ? r.collected(p, x) : std::numeric_limits<double>::quiet_NaN());
        return computed;
    });
    r.out << "\n";
    store(FS, SumStat.MEAN_FUFS, SumStat.meanFS, SumStat.SD_FUFS, SumStat.sdFS);
    row("FS p-value", FS_P_VALUE, [](PopGenetics& p) { return p.FuFsPValue; });
}

}  // namespace

void write_neutrality_tests(SummaryReport& r)
{
    const SummaryReport::Block b{"neutests", "Neutrality tests", "Neutrality tests\n", nullptr,
                                 nullptr, "Statistics", kLabelWidth, {"Mean", "s.d."}};
    r.open_block(b);
    NeutralityTable table(r);
    const int tasks = r.s.TaskNumber;
    const TDataType type = ProfileSettings::DataType;
    if (tasks & settings::EWENS_WATTERSON_TEST)
        table.ewens_watterson();
    if (tasks & settings::CHAKRABORTY_TEST)
        table.chakraborty();
    if (type == DNA || type == RFLP) {
        if (tasks & settings::TAJIMA_TEST)
            table.tajima();
        if (tasks & settings::FU_FS_TEST)
            table.fu();
    }
    r.close_block(b);
}
