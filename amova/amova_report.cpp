// The result section of an AMOVA design: banner, citations (variance
// components from mean squares, Weir and Cockerham 1984; the analysis of
// molecular variance, Excoffier, Smouse and Quattro 1992; the textbook, Weir
// 1996), the analysis table, the index lines, the population-specific FST
// table, the hand-over of the indices to the summary-statistics collector and
// the leading fields of the design's line on "amovares.sum".
//
// The numbers of the table are right-aligned in fixed notation with the
// decimal point shown; these flags stay on the result stream afterwards.
// When the components sum to 0 the total is stored as 1e-18 (a mark that the
// locus-by-locus table relies on), yet the percentages print 0.00: a ratio to
// that mark would show about 10^20.

#include <algorithm>
#include <iomanip>
#include <string>

#include "amova/amova.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "model/population.h"
#include "project/samples.h"
#include "project/structure.h"
#include "project/references.h"
#include "project/result_tree.h"
#include "summary/sumstat.h"

namespace {

const char* const separator = "----------------------------------------------------------------------";

void number_format(std::ostream& out, int width, int precision)
{
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.setf(std::ios::right, std::ios::adjustfield);
    out.setf(std::ios::showpoint);
    out << std::setw(width) << std::setprecision(precision);
}

}  // namespace

void Amova::print_section_head(std::ostream& out) const
{
    out << "\n--------------------------\n"
        << "AMOVA design and results :\n"
        << "--------------------------\n\n";
    References(out, "Weir_B_Cockerham_C", 0);
    References(out, "Excoffier_L_Smouse_P_Quattro_J", 1);
    References(out, "Weir_B", 2);
    out << separator << "\n"
        << " Source of                  Sum of      Variance         Percentage\n"
        << " variation      d.f.        squares     components       of variation\n"
        << separator << "\n";
}

void Amova::print_row(std::ostream& out, const char* label, int dfWidth, int df, double ssd,
                      double component, const char* name, const char* end) const
{
    double percent = zeroTotalVariance ? 0.0 : 100.0 * component / totalVariance;
    out << label << std::setw(dfWidth) << df;
    number_format(out, 15, 3);
    out << ssd;
    number_format(out, 15, 5);
    out << component << " " << name;
    number_format(out, 17, 2);
    out << percent << end;
}

void Amova::print_total_rows(std::ostream& out) const
{
    out << separator << "\n" << " Total" << std::setw(13)
        << static_cast<int>(totalGeneCopies - 1);
    number_format(out, 15, 3);
    out << ssdTotal;
    number_format(out, 15, 5);
    out << totalVariance << "\n" << separator << "\n";
}

void Amova::print_index_line(std::ostream& out, const char* label, double value) const
{
    out << label;
    number_format(out, 12, 5);
    out << value << "\n";
}

void Amova::print_section_end(std::ostream& out) const
{
    out << separator << std::endl;
}

// The rows of the population tables: group by group, members in order, the
// order of the sample indices that the population values are kept by (the
// population table itself may hold a permuted order after the tests).
std::vector<Population const*> Amova::populations_in_structure_order() const
{
    std::vector<Population const*> order;
    for (int g = 0; g < structure->NbGroups; ++g)
        for (int m = 0; m < structure->Groups[g].count; ++m)
            order.push_back(structure->Groups[g].data[m]);
    return order;
}

void Amova::print_pop_fst_table(std::ostream& out) const
{
    int width = 0;
    for (Population const* p : popTable)
        width = std::max(width, p->name.length);
    width = std::max(width + 2, 10);
    const std::string dashes(width + 16, '-');
    out << "\n-------------------------------" << "\nPopulation specific FST indices\n"
        << dashes << "\n"
        << std::setw(6) << "Pop#" << std::setw(width) << "Name" << std::setw(10) << "FST\n"
        << dashes << "\n";
    int k = 0;
    for (Population const* p : populations_in_structure_order()) {
        out << std::setw(6) << ++k << std::setw(width) << result_text(p->name);
        number_format(out, 10, 5);
        out << popFST[p->sample_index] << "\n";
    }
    out << dashes << "\n\n";
}

void Amova::print_amova_anchor(int level, settings& s, my_string const& suffix,
                               my_string const& text)
{
    my_string name = my_string("_amova_") + suffix;
    print_js_doc_entry(s, level, name.str, text.str);
}

void Amova::print_pop_fis_table(std::ostream& out, int permutations)
{
    settings& s = runSettings;
    bool group_level = s.current_samples && s.current_samples->Populations.count > 0
                       && s.current_samples->Populations.data[0]->group_level_sample;
    print_amova_anchor(2, s, group_level ? "GR_AMOVA_FIS" : "POP_AMOVA_FIS",
                       group_level ? "FIS per group" : "FIS per pop");
    int width = 0;
    for (Population const* p : popTable)
        width = std::max(width, p->name.length);
    width = std::max(width + 2, 10);
    const bool with_p = permutations > 0;
    const std::string rule(width + (with_p ? 41 : 16), '-');
    if (with_p)
        out << "\n" << std::string(55, '-') << "\nPopulation specific FIS indices (" << permutations
            << " permutations)\n";
    else
        out << "\n-------------------------------" << "\nPopulation specific FIS indices\n";
    out << rule << "\n" << std::setw(6) << "Pop#" << std::setw(width) << "Name";
    if (with_p)
        out << std::setw(10) << "FIS" << std::setw(25) << "P(Rand FIS>=Obs FIS)\n";
    else
        out << std::setw(10) << "FIS\n";
    out << rule << "\n";
    int k = 0;
    for (Population const* p : populations_in_structure_order()) {
        int i = p->sample_index;
        bool missing = popFIS[i] == not_available_FIS;
        out << std::setw(6) << ++k << std::setw(width) << result_text(p->name);
        if (missing) {
            out << std::setw(10) << "N.A.";
        } else {
            number_format(out, 10, 5);
            out << popFIS[i];
        }
        if (with_p) {
            if (missing) {
                out << std::setw(20) << "N.A.";
            } else {
                number_format(out, 20, 6);
                out << popFISPValue[i];
            }
        }
        out << "\n";
    }
    out << rule << "\n\n";
}

void Amova::store_global_fstat() const
{
    TSumStat::FixationIndices values;
    values.FIS = FIS;
    values.FST = FST;
    values.FCT = FCT;
    values.FSC = FSC;
    values.FIT = FIT;
    SumStat.storeGlobalFStat(TSumStat::designIndices(result_code(designCode)), values);
}

// Integers for the d.f., the stream's default notation for the doubles; a
// level or an index the design does not have is passed as the integer 0.
void Amova::write_batch_fields(int const df[4], double const v[4], double const index[4])
{
    if (!batchLineOpen || !ofs_amova_res)
        return;
    std::ostream& out = *ofs_amova_res;
    out << df[0] << "\t" << df[1] << "\t" << df[2] << "\t" << df[3];
    for (int k = 0; k < 4; ++k)
        out << "\t" << v[k];
    for (int k = 0; k < 4; ++k)
        out << "\t" << index[k];
}

void Amova::record_design_results(int totalDf, double const* populationFST,
                                  double const* populationFIS)
{
    const int populations =
        populationFST || populationFIS ? static_cast<int>(popTable.size()) : 0;
    results->set_amova_results(dfA, ssdAG, Va, dfB, ssdAP, Vb, dfC, ssdWP, Vc, dfD, ssdWI, Vd,
                               totalDf, ssdTotal, totalVariance, FST, FSC, FCT, FIT, FIS,
                               amova_results::NOT_TESTED, amova_results::NOT_TESTED,
                               amova_results::NOT_TESTED, amova_results::NOT_TESTED,
                               amova_results::NOT_TESTED, populationFST, populationFIS, nullptr,
                               populations);
}

void Amova::compute_population_FIS()
{
    if (runSettings.PopSpecificFIS)
        for (size_t i = 0; i < popTable.size(); ++i)
            popFIS[i] = population_FIS(*popTable[i]);
}
