// The "Molecular diversity indexes" table of the summary report: for DNA the
// counts of substitutions and indels and of the sites that carry them, the
// substitution sites of the whole level, the private sites of each sample and
// the mean number of pairwise differences (Tajima 1983); for DNA, RFLP and
// allele-frequency data the theta estimators of the sample analyses.

#include <algorithm>
#include <iomanip>
#include <vector>

#include "analyses/datatypes/popul_dna.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/xml.h"
#include "project/result_tree.h"
#include "project/samples.h"
#include "summary/summary_report.h"
#include "summary/sumstat.h"

namespace {

constexpr int kLabelWidth = 25;

// Sites the per-site usable and polymorphic flags of a sample cover: its
// reference sequence once its sites were compared (both arrays have the
// flags' length), none before. A site beyond a shorter sample's flags is
// neither polymorphic nor usable for it.
int flagged_sites(PopGenetics const& p)
{
    return p.LocusUsable ? std::min(p.ArbitraryHaplotype.content.length, p.num_locus_flags) : 0;
}

// A substitution site keeps at least two alleles besides the recessive-allele
// slot (allele 0) once gaps, missing data and, for DNA, ambiguity codes are
// set aside: a site of one nucleotide and a gap is an indel site.
bool substitution_site(TLocus const& locus, char missing, bool dna)
{
    const int entries = locus.alleles.count;
    if (entries < 3)
        return false;
    int excluded = 0;
    for (int i = 1; i < entries; ++i) {
        my_string const& a = locus.alleles.data[i]->name;
        const bool gap = a.length == 1 && a.str[0] == '-';
        if (gap || (a.length > 0 && a.str[0] == missing) || (dna && PopulDNA::isAmbiguous(a)))
            ++excluded;
    }
    return entries - excluded > 2;
}

PopulDNA* dna_sample(PopGenetics& p)
{
    return dynamic_cast<PopulDNA*>(&p);
}

class MolecularDiversityTable {
public:
    explicit MolecularDiversityTable(SummaryReport& report) : r(report) {}

    void write();

private:
    SummaryReport& r;

    void open();
    void count_row(const char* text, int PopulDNA::*field, TSumStat::List* list = nullptr);
    void substitution_sites_row(int total, int site_count);
    void pi_row();
    void theta_row(const char* text, double PopGenetics::*field);
    void moments(Moments const& m, int precision);
};

void MolecularDiversityTable::moments(Moments const& m, int precision)
{
    r.out << std::setprecision(precision);
    r.mean_and_sd(m);
}

void MolecularDiversityTable::count_row(const char* text, int PopulDNA::*field,
                                        TSumStat::List* list)
{
    if (list)
        list->count = 0;
    r.out << std::setw(kLabelWidth) << text;
    Moments m;
    for (int i = 0; i < r.n; ++i) {
        PopulDNA* p = dna_sample(r.sample(i));
        const int x = p ? p->*field : 0;
        if (list)
            list->Add(r.collected(r.sample(i), x));
        if (!r.analysed(i)) {
            r.not_available(r.columnWidth);
            continue;
        }
        r.out << Column{r.columnWidth} << x;
        m.add(x);
    }
    moments(m, 3);
}

void MolecularDiversityTable::pi_row()
{
    SumStat.Pi.count = 0;
    r.out << std::setw(kLabelWidth) << "Pi";
    Moments m;
    for (int i = 0; i < r.n; ++i) {
        const double x = r.sample(i).MeanPairDiff;
        SumStat.Pi.Add(r.collected(r.sample(i), x));
        if (!r.analysed(i)) {
            r.not_available(r.columnWidth);
            continue;
        }
        r.out << std::setprecision(3) << Column{r.columnWidth} << x;
        m.add(x);
    }
    moments(m, 5);
    r.out << "\n\n";
    if (SumStat.MEAN_PI)
        SumStat.meanPi = m.mean();
    if (SumStat.SD_PI)
        SumStat.sdPi = m.sd();
}

// A theta that was not computed (negative) reads "N.A." in its cell and in the
// row's Mean and s.d.; a sample that was not analysed only in its cell.
void MolecularDiversityTable::theta_row(const char* text, double PopGenetics::*field)
{
    r.out << std::setw(kLabelWidth) << text << std::setprecision(5);
    Moments m;
    bool marked = false;
    for (int i = 0; i < r.n; ++i) {
        const double x = r.sample(i).*field;
        if (!r.analysed(i)) {
            r.not_available(r.columnWidth);
            continue;
        }
        if (x >= 0.0) {
            r.out << Column{r.columnWidth} << x;
        } else {
            r.not_available(r.columnWidth);
            marked = true;
        }
        m.add(x);
    }
    if (marked || m.m == 0 || !(m.mean() >= 0.0)) {
        r.not_available(12);
        r.not_available(12);
    } else {
        moments(m, 5);
    }
    r.out << "\n";
}

void MolecularDiversityTable::open()
{
    r.samples.print_computation_anchor(2, r.s, my_string("moldiv"),
                                       my_string("Molecular diversity"));
    r.out << "\n---------------------------" << "\nMolecular diversity indexes";
    if (xmlOutput) {
        TXmlTag tag("sumMolecDivIndexes");
        tag.attribute = "samp";
        tag.value = "moldiv";
        r.out << tag.open();
    }
    r.out << "\n";
    const int width = r.n * r.columnWidth + 49;
    printLine(r.out, width);
    r.out << std::right << std::setw(kLabelWidth) << "Statistics";
    for (int i = 0; i < r.n; ++i)
        r.out << std::setw(r.columnWidth) << result_text(r.samples.Populations.data[i]->name);
    r.out << std::setw(12) << "Mean" << std::setw(12) << "s.d." << "\n";
    printLine(r.out, width);
    r.out << std::fixed << std::showpoint << std::right;
}

void MolecularDiversityTable::write()
{
    open();
    const TDataType type = ProfileSettings::DataType;
    const int site_count = PopGenetics::globalSubstPolymSites.count;
    const int total = substitution_site_total(r.samples);
    if (SumStat.TOT_S && site_count != 0)
        SumStat.totS = total;

    if (type == DNA) {
        const std::pair<const char*, int PopulDNA::*> counts[] = {
            {"No. of transitions", &PopulDNA::NumTransitions},
            {"No. of transversions", &PopulDNA::NumTransversions},
            {"No. of substitutions", &PopulDNA::NumSubstitutions},
            {"No. of indels", &PopulDNA::NumIndels},
            {"No. of ts. sites", &PopulDNA::NumTransitionSites},
            {"No. of tv. sites", &PopulDNA::NumTransversionSites},
            {"No. of subst. sites", &PopulDNA::NumSubstitutionSites},
        };
        for (auto const& [text, field] : counts) {
            count_row(text, field);
            if (field == &PopulDNA::NumSubstitutionSites && site_count != 0)
                r.out << "  Total:" << std::setw(12) << total;
            r.out << "\n";
        }
        r.samples.computeNumPrivateSubstSitesPerPop(r.s);
        count_row("No. private subst. sites", &PopulDNA::NumPrivateSubstSites, &SumStat.prS);
        r.out << "\n";
        count_row("No. of indel sites", &PopulDNA::NumIndelSites);
        r.out << "\n";
        pi_row();
    }

    const int theta = r.s.ComputeTheta;
    if ((theta & settings::THETA_K) && r.haplotypic()) {
        theta_row("Theta_k", &PopGenetics::ThetaK);
        theta_row("Theta_k_lower", &PopGenetics::ThetaKLow);
        theta_row("Theta_k_upper", &PopGenetics::ThetaKHigh);
    }
    if (theta & settings::THETA_HOM) {
        theta_row("Theta_H", &PopGenetics::ThetaHom);
        theta_row("s.d. Theta_H", &PopGenetics::ThetaHomSD);
    }
    const bool sequences = type == DNA || type == RFLP;
    if (sequences && (theta & settings::THETA_S)) {
        theta_row("Theta_S", &PopGenetics::ThetaS);
        theta_row("s.d. Theta_S", &PopGenetics::ThetaSSD);
    }
    if (sequences && (theta & settings::THETA_PI)) {
        theta_row("Theta_pi", &PopGenetics::ThetaPi);
        theta_row("s.d. Theta_pi", &PopGenetics::ThetaPiSD);
    }

    if (xmlOutput)
        r.out << TXmlTag("sumMolecDivIndexes").close() << "\n";
    printLine(r.out, r.n * r.columnWidth + 49);
}

}  // namespace

int substitution_site_total(Samples const& samples)
{
    const int site_count = PopGenetics::globalSubstPolymSites.count;
    if (site_count == 0 || samples.Populations.count == 0)
        return 0;
    std::vector<char> candidate(static_cast<std::size_t>(site_count), 0);
    PopGenetics const* first = nullptr;
    for (int i = 0; i < samples.Populations.count; ++i) {
        auto const* p = dynamic_cast<PopGenetics const*>(samples.Populations.data[i]);
        if (!p)
            continue;
        if (i == 0)
            first = p;
        const int L = std::min(site_count, flagged_sites(*p));
        for (int site = 0; site < L; ++site)
            if (p->is_locus_polymorphic(site) && p->LocusUsable[site])
                candidate[static_cast<std::size_t>(site)] = 1;
    }
    if (!first || !first->alleleDB)
        return 0;
    MY_TIArrayAsVector<TLocus> const& loci = first->alleleDB->loci;
    const char missing = first->profile.MissingData;
    const bool dna = ProfileSettings::DataType == DNA;
    int total = 0;
    for (int site = 0; site < site_count && site < loci.count; ++site)
        if (candidate[static_cast<std::size_t>(site)] && substitution_site(*loci.data[site], missing, dna))
            ++total;
    return total;
}

void write_molecular_diversity(SummaryReport& r)
{
    MolecularDiversityTable(r).write();
}
