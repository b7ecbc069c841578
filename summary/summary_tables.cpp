// The summary report of an analysis level: after every sample of the level
// has run its analyses, tables that put the samples' results side by side,
// with means and s.d. over the samples and totals over the pooled samples.
// The report computes no per-sample statistic: it reads what the analyses
// left in each sample and in the pooled allele counts.

#include <algorithm>
#include <fstream>
#include <iomanip>
#include <limits>
#include <string>

#include "app/glbobj.h"
#include "app/settings.h"
#include "core/xml.h"
#include "project/project_run.h"
#include "project/result_tree.h"
#include "project/samples.h"
#include "summary/summary_report.h"

namespace {

// Tajima's, Ewens-Watterson, Chakraborty's and Fu's tests.
constexpr int NEUTRALITY_TASKS = settings::TAJIMA_TEST | settings::EWENS_WATTERSON_TEST
                                 | settings::CHAKRABORTY_TEST | settings::FU_FS_TEST;

int widest_name_plus_two(Samples const& samples)
{
    int width = 12;
    for (int i = 0; i < samples.Populations.count; ++i)
        width = std::max(width, samples.Populations.data[i]->name.length + 2);
    return width;
}

int first_sample_loci(Samples const& samples)
{
    for (int i = 0; i < samples.Populations.count; ++i) {
        auto const* p = dynamic_cast<PopGenetics const*>(samples.Populations.data[i]);
        if (p && p->LocusExpHet.count > 0)
            return p->LocusExpHet.count;
    }
    return 0;
}

// A folder of the result tree without a link of its own.
void add_summary_folder(settings& s, bool group_level)
{
    std::ofstream tree;
    const char* title = group_level ? "Within-groups summary" : "Within-samples summary";
    if (open_tree_file(s, tree, "Samples::WriteSummaryStatistics()"))
        TJSOut(tree).aux(2, my_string(title), my_string());
}

}  // namespace

void Samples::WriteSummaryStatistics(Project* project, settings& s)
{
    if ((s.TaskNumber & SAMPLE_TASKS) == 0 || Populations.count == 0 || !s.results_stream)
        return;
    add_summary_folder(s, atGroupLevel);
    SummaryReport report(*this, s, project);

    const std::string rule(80, '=');
    report.out << "\n\n" << rule << "\n== Summary of computations done within "
               << (atGroupLevel ? "groups" : "populations") << "\n" << rule << "\n";

    const TDataType type = ProfileSettings::DataType;
    if ((s.TaskNumber & settings::STANDARD_INDICES) && s.RecessiveAllelesEM == 0) {
        write_basic_properties(report);
        write_expected_heterozygosity(report);
        if (type == MICROSAT || type == STANDARD)
            write_theta_h(report);
        write_number_of_alleles(report);
        if (type == MICROSAT)
            write_allelic_range_blocks(report);
        write_summary_exports(report);
        report.pooledNumAlleles.clear();
    }
    const bool haplotypes = GenotypicData == 0 || GameticPhase != 0;
    if ((s.TaskNumber & settings::MOLECULAR_DIVERSITY) && s.RecessiveAllelesEM == 0
        && (type == DNA || type == RFLP || type == FREQUENCY))
        write_molecular_diversity(report);
    if (type != MICROSAT && (s.TaskNumber & NEUTRALITY_TASKS)
        && (GenotypicData == 0 || (GameticPhase != 0 && s.RecessiveAllelesEM == 0)))
        write_neutrality_tests(report);
    if ((s.TaskNumber & settings::MISMATCH_DISTRIBUTION) && (type == DNA || type == RFLP)
        && haplotypes)
        write_mismatch_analysis(report);
}

SummaryReport::SummaryReport(Samples& samples_, settings& s_, Project* project_)
    : samples(samples_), s(s_), project(project_), out(*s_.results_stream),
      n(samples_.Populations.count), columnWidth(widest_name_plus_two(samples_)),
      L(first_sample_loci(samples_))
{
    for (int i = 0; i < n; ++i) {
        typed_.push_back(&dynamic_cast<PopGenetics&>(*samples.Populations.data[i]));
        analysed_.push_back(typed_.back()->gene_copies_fit());
    }
}

bool SummaryReport::analysed(PopGenetics const& p) const
{
    auto at = std::find(typed_.begin(), typed_.end(), &p);
    return at == typed_.end() || analysed(static_cast<int>(at - typed_.begin()));
}

double SummaryReport::collected(PopGenetics const& p, double value) const
{
    return analysed(p) ? value : std::numeric_limits<double>::quiet_NaN();
}

bool SummaryReport::haplotypic() const
{
    return s.genotypic_data == 0 || s.gametic_phase != 0;
}

int SummaryReport::table_width(Block const& b) const
{
    return b.labelWidth + n * columnWidth + 12 * static_cast<int>(b.trailing.size());
}

void SummaryReport::rule(Block const& b)
{
    printLine(out, table_width(b));
}

void SummaryReport::open_block(Block const& b)
{
    samples.print_computation_anchor(2, s, my_string(b.shortName), my_string(b.treeText));
    const std::string title = b.title;
    out << "\n" << std::string(title.size() - (title.back() == '\n' ? 1 : 0), '-') << "\n" << title;
    if (b.element && xmlOutput) {
        TXmlTag tag(b.element);
        tag.attribute = "samp";
        tag.value = b.attribute;
        out << tag.open();
    } else if (title.back() != '\n') {
        out << "\n";
    }
    rule(b);
    out << std::right << std::setw(b.labelWidth) << b.caption;
    for (int i = 0; i < n; ++i)
        out << std::setw(columnWidth) << result_text(samples.Populations.data[i]->name);
    for (const char* caption : b.trailing)
        out << std::setw(12) << caption;
    out << "\n";
    rule(b);
    out << std::fixed << std::showpoint << std::right << std::setprecision(5);
}

void SummaryReport::close_block(Block const& b)
{
    rule(b);
    if (b.element && xmlOutput) {
        TXmlTag tag(b.element);
        out << tag.close() << "\n";
    }
}

Moments SummaryReport::field_row(Block const& b, const char* text, double PopGenetics::*field,
                                 MY_TArrayAsVector<double>* list)
{
    if (list)
        list->count = 0;
    label(b, text);
    return sample_cells([&](PopGenetics& p, double& x) {
        x = p.*field;
        if (list)
            list->Add(collected(p, x));
        return true;
    });
}

void SummaryReport::label(Block const& b, const char* text)
{
    out << std::setw(b.labelWidth) << text;
}

bool has_gene_copies(PopGenetics const& p, int l)
{
    return l < p.LocusGeneCopies.count && p.LocusGeneCopies[l] > 0;
}

TLocus const* SummaryReport::pooled_locus(int l)
{
    TAlleleDB const& pooled = PopGenetics::globalAllelicDB;
    return l < pooled.loci.count ? pooled.loci.data[l] : nullptr;
}

void SummaryReport::not_available(int width)
{
    out << Column{width} << "N.A.";
}

Moments SummaryReport::sample_cells(Cell const& value, bool integer)
{
    Moments over_samples;
    for (int i = 0; i < n; ++i) {
        double x = 0.0;
        const bool computed = value(sample(i), x);
        if (!computed || !analysed(i)) {
            not_available(columnWidth);
            continue;
        }
        over_samples.add(x);
        if (integer)
            out << Column{columnWidth} << static_cast<long long>(x);
        else
            out << Column{columnWidth} << x;
    }
    mean_and_sd(over_samples);
    return over_samples;
}

void SummaryReport::mean_and_sd(Moments const& over_samples)
{
    if (over_samples.m == 0) {
        not_available(12);
        not_available(12);
        return;
    }
    out << Column{12} << over_samples.mean() << Column{12} << over_samples.sd();
}
