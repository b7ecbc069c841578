// The per-locus table of a locus-by-locus AMOVA and the population-specific
// FST and FIS per locus. Each design (amova_case 1 to 9) has its own rows of
// variation and index columns; a row's sum of squares sits in the slot of its
// source of variation, its d.f. and component in the slot of its level.

#include "amova/amova_table.h"

#include <cmath>
#include <iomanip>
#include <ostream>

namespace {

using SsdField = double amova_results::*;
using IndexField = double amova_results::*;

struct IndexColumn {
    const char* name;
    IndexField value;
    IndexField pValue;
};

struct TableLayout {
    int levels;
    const char* titles[4];
    SsdField ssd[4];
    int indices;
    IndexColumn columns[4];
};

const IndexColumn FST_COL = {"FST", &amova_results::fst_index, &amova_results::p_fst};
const IndexColumn FSC_COL = {"FSC", &amova_results::fsc_index, &amova_results::p_fsc};
const IndexColumn FCT_COL = {"FCT", &amova_results::fct_index, &amova_results::p_fct};
const IndexColumn FIT_COL = {"FIT", &amova_results::fit_index, &amova_results::p_fit};
const IndexColumn FIS_COL = {"FIS", &amova_results::fis_index, &amova_results::p_fis};

// The titles are those the program has always written, lower and upper case
// and the missing plural of "Among Population:" included.
const TableLayout GROUPS_LAYOUT = {
    3,
    {"Among Groups:", "Among Population:", "Within Populations:", nullptr},
    {&amova_results::ssd_groups, &amova_results::ssd_pops, &amova_results::ssd_within, nullptr},
    3,
    {FSC_COL, FST_COL, FCT_COL, {}}};

const TableLayout LAYOUTS[9] = {
    // 1: one group of populations
    {2,
     {"Among populations:", "Within populations:", nullptr, nullptr},
     {&amova_results::ssd_pops, &amova_results::ssd_within, nullptr, nullptr},
     1,
     {FST_COL, {}, {}, {}}},
    // 2: one group of populations with individuals
    {3,
     {"Among populations:", "Among Individuals:", "Within Individuals:", nullptr},
     {&amova_results::ssd_pops, &amova_results::ssd_within, &amova_results::ssd_indiv, nullptr},
     3,
     {FIS_COL, FST_COL, FIT_COL, {}}},
    // 3: groups of populations
    GROUPS_LAYOUT,
    // 4: groups of populations with individuals
    {4,
     {"Among Groups:", "Among Population:", "Within Populations:", "Within Individuals:"},
     {&amova_results::ssd_groups, &amova_results::ssd_pops, &amova_results::ssd_within,
      &amova_results::ssd_indiv},
     4,
     {FIS_COL, FSC_COL, FCT_COL, FIT_COL}},
    // 5: groups, whole individuals permuted
    GROUPS_LAYOUT,
    // 6: one population of individuals
    {2,
     {"Among Individuals:", "Within Individuals:", nullptr, nullptr},
     {&amova_results::ssd_within, &amova_results::ssd_indiv, nullptr, nullptr},
     1,
     {FIS_COL, {}, {}, {}}},
    // 7: one group, whole individuals permuted
    {2,
     {"Among Populations:", "Within Populations:", nullptr, nullptr},
     {&amova_results::ssd_pops, &amova_results::ssd_within, nullptr, nullptr},
     1,
     {FST_COL, {}, {}, {}}},
    // 8: groups of recessive data (nothing computed; the two-level layout)
    {2,
     {"Among Populations:", "Within Populations:", nullptr, nullptr},
     {&amova_results::ssd_pops, &amova_results::ssd_within, nullptr, nullptr},
     1,
     {FST_COL, {}, {}, {}}},
    // 9: one group of recessive data (nothing computed; the groups layout)
    GROUPS_LAYOUT};

TableLayout const* layout_of(int amova_case)
{
    return amova_case >= 1 && amova_case <= 9 ? &LAYOUTS[amova_case - 1] : nullptr;
}

const char* const COMPONENT_NAMES[4] = {"Va", "Vb", "Vc", "Vd"};

int df_of(amova_results const& r, int level)
{
    const int amova_results::*df[4] = {&amova_results::df_1, &amova_results::df_2,
                                        &amova_results::df_3, &amova_results::df_4};
    return r.*df[level];
}

double var_of(amova_results const& r, int level)
{
    const double amova_results::*var[4] = {&amova_results::var_1, &amova_results::var_2,
                                            &amova_results::var_3, &amova_results::var_4};
    return r.*var[level];
}

// The FIS designs store this for a population whose FIS cannot be computed.
const double FIS_MISSING = -9.99999;

void write_na(std::ostream& out, int width)
{
    out << std::right << std::setw(width) << "N.A.";
}

void write_value(std::ostream& out, int width, int precision, double value)
{
    out << std::right << std::setw(width) << std::setprecision(precision) << value;
}

}  // namespace

AMOVA_table::AMOVA_table() : epsilon(1e-10), records(11, 10), col_width(15), col_precision(4)
{
}

void AMOVA_table::print_table_header(std::fstream& out)
{
    if (records.count == 0)
        return;
    TableLayout const* layout = layout_of(records.data[0]->amova_case);
    if (layout == nullptr) {
        out << "Invalid AMOVA case" << std::endl;
        return;
    }
    const int w = col_width;
    out.setf(std::ios::right, std::ios::adjustfield);
    for (int k = 0; k < layout->levels; ++k)
        out << std::setw(k == 0 ? w + 10 : 3 * w + 10) << layout->titles[k];
    out << std::setw(2 * w + 20) << "Fixation indices:" << std::endl;

    out << std::setw(7) << "Locus";
    for (int k = 0; k < layout->levels; ++k)
        out << std::setw(w) << "SSD" << std::setw(7) << "d.f." << std::setw(w)
            << COMPONENT_NAMES[k] << std::setw(w) << "% variation";
    for (int c = 0; c < layout->indices; ++c)
        out << std::setw(10) << layout->columns[c].name << std::setw(10) << "P-value";
    out << std::endl;
}

void AMOVA_table::print_table(std::fstream& out)
{
    if (records.count == 0)
        return;
    TableLayout const* layout = layout_of(records.data[0]->amova_case);
    const int w = col_width;
    for (int i = 0; i < records.count; ++i) {
        amova_results const& r = *records.data[i];
        if (!(r.var_total > 1e-17))
            continue;
        out.setf(std::ios::fixed | std::ios::showpoint | std::ios::right);
        out.unsetf(std::ios::scientific);
        out << std::setprecision(5);
        if (layout == nullptr) {
            out << "Invalid AMOVA case" << std::endl;
            continue;
        }
        out << std::setw(7) << r.locus + 1;
        for (int k = 0; k < layout->levels; ++k) {
            double component = var_of(r, k);
            out << std::setw(w) << r.*(layout->ssd[k]) << std::setw(7) << df_of(r, k)
                << std::setw(w) << component << std::setw(w)
                << component / r.var_total * 100.0;
        }
        for (int c = 0; c < layout->indices; ++c) {
            out << std::setw(10) << r.*(layout->columns[c].value);
            double p = r.*(layout->columns[c].pValue);
            if (p == amova_results::NOT_TESTED)
                write_na(out, 10);
            else
                out << std::setw(10) << p;
        }
        out << std::endl;
    }
}

void AMOVA_table::print_Fst_per_pop_table(std::fstream& out, int cellWidth, bool relative,
                                          int cells)
{
    out.setf(std::ios::fixed | std::ios::showpoint);
    for (int i = 0; i < records.count; ++i) {
        amova_results const& r = *records.data[i];
        if (!(r.ssd_total > 0))
            continue;
        out << std::right << std::setw(7) << r.locus + 1;
        write_value(out, 14, 5, r.fst_index);
        // A locus FST of 0 has no relative values: the row ends here.
        if (!(relative && r.fst_index == 0)) {
            for (int p = 0; p < cells; ++p) {
                if (p >= r.pop_fst.count) {
                    write_na(out, cellWidth);
                    continue;
                }
                double value = r.pop_fst[p];
                if (relative)
                    write_value(out, cellWidth, 3, 100.0 * (value - r.fst_index) / r.fst_index);
                else
                    write_value(out, cellWidth, 5, value);
            }
        }
        out << "\n";
    }
}

void AMOVA_table::print_Fis_per_pop_table(std::fstream& out, int cellWidth, bool relative,
                                          int cells)
{
    out.setf(std::ios::fixed | std::ios::showpoint);
    for (int i = 0; i < records.count; ++i) {
        amova_results const& r = *records.data[i];
        if (!(r.ssd_total > 0))
            continue;
        out << std::right << std::setw(7) << r.locus + 1;
        write_value(out, 14, 5, r.fis_index);
        for (int p = 0; p < cells; ++p) {
            double value = p < r.pop_fis.count ? r.pop_fis[p] : FIS_MISSING;
            bool missing = !(value > FIS_MISSING);
            if (missing || (relative && r.fis_index == 0))
                write_na(out, cellWidth);
            else if (relative)
                write_value(out, cellWidth, 3, 100.0 * (value - r.fis_index) / r.fis_index);
            else
                write_value(out, cellWidth, 5, value);
        }
        out << "\n";
    }
}
