// The locus-by-locus AMOVA: every polymorphic locus gets its own silent AMOVA
// on one-locus copies of the samples, the structure and the haplotype list,
// with a distance matrix computed for that locus alone. The records are
// printed as one row per locus, as population-specific indices per locus and
// as a global AMOVA averaged over loci; each locus of the allele database
// keeps the ten statistics of its own AMOVA (the selection scan reads them),
// or the "not computed" value -2.0 when its AMOVA could not run.
//
// Every locus replays the same stretch of the random stream, so that with
// the same units at every locus (complete data) permutation k moves the same
// individuals, gene copies or samples in the same way at every locus: the
// average over loci is then tested against one joint permutation per
// replicate, which keeps the dependence between the loci.

#include <algorithm>
#include <memory>
#include <ostream>
#include <string>
#include <vector>

#include "amova/amova.h"
#include "amova/amova_table.h"
#include "app/glbobj.h"
#include "core/errors.h"
#include "core/random.h"
#include "project/project.h"
#include "project/result_tree.h"

namespace {

const int INVALID_DATA_MESSAGE = 134;

// The value of the ten statistics of a locus whose AMOVA did not run.
const double NOT_COMPUTED = -2.0;

struct SkippedLocus {
    int locus;
    const char* reason;
};

void set_locus_statistics(TLocus& locus, double value)
{
    std::fill(locus.locus_results, locus.locus_results + TLocus::AMOVA_STATISTICS, value);
}

void store_locus_statistics(TLocus& locus, amova_results const& r)
{
    const double values[TLocus::AMOVA_STATISTICS] = {
        r.var_1,     r.var_2,     r.var_3,     r.var_4,     r.var_total,
        r.fis_index, r.fst_index, r.fsc_index, r.fct_index, r.fit_index};
    std::copy(values, values + TLocus::AMOVA_STATISTICS, locus.locus_results);
}

// The project's distance matrix as it was before the loci replaced it: a
// matrix given in the project file must still serve the levels that follow.
class SavedDistances {
public:
    explicit SavedDistances(DistMat& matrix)
        : matrix_(matrix), copy_(matrix), constant_(matrix.constant_mode),
          diagonal_(matrix.diagonal_value), off_diagonal_(matrix.off_diagonal_value)
    {
    }
    ~SavedDistances()
    {
        matrix_ = copy_;
        matrix_.constant_mode = constant_;
        matrix_.diagonal_value = diagonal_;
        matrix_.off_diagonal_value = off_diagonal_;
    }
    SavedDistances(SavedDistances const&) = delete;
    SavedDistances& operator=(SavedDistances const&) = delete;

private:
    DistMat& matrix_;
    DistMat copy_;
    int constant_;
    double diagonal_, off_diagonal_;
};

// What one locus changes in the settings, put back whatever ends the locus.
class LocusSettings {
public:
    explicit LocusSettings(Project& p) : p_(p), s_(p.run_settings), task_(s_.TaskNumber),
                                keep_(s_.KeepNullDistrib)
    {
    }
    ~LocusSettings()
    {
        s_.TaskNumber = task_;
        s_.KeepNullDistrib = keep_;
        s_.current_samples = p_.samples;
        s_.current_structure = p_.structure;
        s_.current_haplotype_list = &p_.haplo_list;
    }
    LocusSettings(LocusSettings const&) = delete;
    LocusSettings& operator=(LocusSettings const&) = delete;

    void silence()
    {
        s_.TaskNumber &= ~(settings::PAIRWISE_FST | settings::MANTEL_TEST);
        s_.KeepNullDistrib = 0;
    }

private:
    Project& p_;
    settings& s_;
    int task_, keep_;
};

struct PopulationColumns {
    std::vector<my_string> names;
    int width;
};

// The populations of the structure, group after group, and the cell width:
// the longest name plus 2, at least 10.
PopulationColumns population_columns(Structure const& structure)
{
    PopulationColumns c{{}, 10};
    for (int g = 0; g < structure.NbGroups && structure.Groups; ++g)
        for (int k = 0; k < structure.Groups[g].count; ++k) {
            my_string const& name = structure.Groups[g].data[k]->name;
            c.names.push_back(name);
            c.width = std::max(c.width, name.length + 2);
        }
    return c;
}

void write_dashes(std::ostream& out, int n)
{
    out << std::string(static_cast<std::size_t>(std::max(n, 0)), '-') << "\n";
}

void write_population_head(std::ostream& out, PopulationColumns const& c, const char* average)
{
    out.setf(std::ios::right, std::ios::adjustfield);
    out.width(7);
    out << "Locus";
    out.width(14);
    out << average;
    for (my_string const& name : c.names) {
        out.width(c.width);
        out << result_text(name);
    }
    out << "\n";
}

using RowPrinter = void (AMOVA_table::*)(std::fstream&, int, bool, int);

// The absolute and the relative table of one population-specific index.
void write_population_tables(std::fstream& out, AMOVA_table& table, PopulationColumns const& c,
                             const char* index, RowPrinter rows)
{
    const int cells = static_cast<int>(c.names.size());
    const int D = c.width * cells + 21;
    const std::string name(index);
    const std::string average = "Average " + name;
    out << "\n\n" << std::string(71, '-')
        << "\nPopulation specific " << name << " indices per polymorphic locus (absolute values)\n";
    write_dashes(out, D);
    write_population_head(out, c, average.c_str());
    write_dashes(out, D);
    (table.*rows)(out, c.width, false, cells);
    write_dashes(out, D);
    out << "\n" << std::string(99, '-') << "\nPopulation specific " << name
        << " indices per polymorphic locus (relative values (%) compared to average " << name
        << ")\n";
    write_dashes(out, D);
    write_population_head(out, c, average.c_str());
    write_dashes(out, D);
    (table.*rows)(out, c.width, true, cells);
    write_dashes(out, D);
}

// Why an AMOVA that ran filled nothing: a design fills d.f. >= 1.
const char* reason_not_filled(amova_results const& r)
{
    if (r.amova_case == 0)
        return "no AMOVA design fits the genetic structure";
    if (r.amova_case >= 8)
        return "the designs of recessive alleles compute no AMOVA";
    return "ill-defined genetic structure at this locus";
}

void write_skipped_loci(std::ostream& out, std::vector<SkippedLocus> const& loci)
{
    if (loci.empty())
        return;
    out << "\nLoci without AMOVA (not computed):\n" << "-----------------------------------\n\n";
    for (SkippedLocus const& k : loci)
        out << "Locus " << k.locus + 1 << ": " << k.reason << "\n";
}

void write_monomorphic_loci(std::ostream& out, std::vector<int> const& loci)
{
    out << "List of loci with only one allele:\n" << "----------------------------------\n\n";
    for (std::size_t k = 0; k < loci.size(); ++k) {
        out << loci[k] + 1 << " ";
        if ((k + 1) % 30 == 0)
            out << "\n";
    }
    out << "\n";
}

}  // namespace

void Project::LocusByLocusAMOVA(std::fstream* results)
{
    settings& s = run_settings;
    std::fstream& out = *results;
    std::vector<int> monomorphic_loci;
    std::vector<SkippedLocus> skipped_loci;
    AMOVA_table table;
    out << "\n********************\nLocus by locus AMOVA:\n********************\n" << std::endl;

    const int method_asked = s.DistanceMethodAMOVA;
    if ((ProfileSettings::DataType == DNA || ProfileSettings::DataType == RFLP)
        && s.DistanceMethodAMOVA != 0)
        s.DistanceMethodAMOVA = 0;
    if (s.results_stream != nullptr) {
        std::fstream& method_out = *s.results_stream;
        if (s.ComputeConventionalFST)
            method_out << "Computing conventional F-Statistics from haplotype frequencies"
                       << std::endl;
        else if (s.ComputeDistanceMatrixAMOVA) {
            // DNA and RFLP loci are single sites: always the pairwise difference.
            const char* name = distance_method_name(s.DistanceMethodAMOVA);
            method_out << "Distance method for locus-by-locus analysis: " << (name ? name : "")
                       << std::endl;
        }
        method_out << std::endl;
    }

    // An empty haplotype list has no locus; a locus must also be in the
    // allele database.
    int num_loci = 0;
    if (haplo_list.list.count > 0 && haplo_list.list.data[0] != nullptr)
        num_loci = std::min(haplo_list.list.data[0]->haplovect.count, allele_db.loci.count);

    bool abandoned = false;
    const Ran3State permutations_start = ran3_state();
    {
        SavedDistances saved_distances(dist_mat);
        for (int i = 0; i < num_loci && !abandoned; ++i) {
            TLocus& locus = *allele_db.loci.data[i];
            if (!locus.is_polymorph(profile.MissingData)) {
                monomorphic_loci.push_back(i);
                continue;
            }
            // Destroyed in reverse order: the copies refer to the one-locus list.
            auto one_haplotypes = std::make_unique<Haplo_DB>();
            auto one_samples = std::make_unique<Samples>();
            auto one_structure = std::make_unique<Structure>();
            LocusSettings locus_settings(*this);
            if (!one_samples->build_one_loci_sample(i, samples, structure,
                                                    one_haplotypes.get())) {
                set_locus_statistics(locus, NOT_COMPUTED);
                skipped_loci.push_back({i, "a population has no data at this locus"});
                continue;
            }
            one_structure->build_one_loci_str(one_samples.get(), structure);
            if (!IsAmovaStructure()) {
                E.error(WARNING, "Project::AMOVA()", INVALID_DATA_MESSAGE);
                abandoned = true;
                break;
            }
            if (locus.alleles.count < 3) {  // no AMOVA: spare its distance matrix
                set_locus_statistics(locus, 0.0);
                continue;
            }
            locus_settings.silence();
            calc_dist_matrix(*one_haplotypes, s.DistanceMethodAMOVA, s.GammaAValueAMOVA);
            label_rows_with_ids(dist_mat, *one_haplotypes);
            number_populations(*one_samples, *one_structure);
            s.current_samples = one_samples.get();
            s.current_structure = one_structure.get();
            s.current_distance_matrix = &dist_mat;
            s.current_haplotype_list = one_haplotypes.get();
            s.current_allele_db = &allele_db;

            auto record = std::make_unique<amova_results>();
            record->locus = i;
            set_ran3_state(permutations_start);
            try {
                Amova analysis(s, one_structure.get(), one_samples.get(), &dist_mat,
                               one_haplotypes.get(), &allele_db, &mantel, 0, 1, record.get());
            } catch (Amova::AmovaFatalError const&) {
                abandoned = true;
                break;
            }
            if (record->df_total < 1) {
                set_locus_statistics(locus, NOT_COMPUTED);
                skipped_loci.push_back({i, reason_not_filled(*record)});
                continue;
            }
            store_locus_statistics(locus, *record);
            if (table.records.Add(record.get()))
                record.release();
        }
    }
    s.DistanceMethodAMOVA = method_asked;
    if (abandoned)
        return;
    *_ZOS_ << "\tEnd of locus-by-locus computations" << std::endl;

    write_monomorphic_loci(out, monomorphic_loci);
    write_skipped_loci(out, skipped_loci);
    if (out.is_open())
        print_js_doc_entry(s, 2, samples->atGroupLevel ? "gr_Loc_by_Loc_AMOVA"
                                                        : "pop_Loc_by_Loc_AMOVA",
                           "Locus by locus AMOVA");
    out << "\n----------------------------------------"
        << "\nAMOVA Results for polymorphic loci only:"
        << "\n----------------------------------------\n\n";
    table.print_table_header(out);
    *_ZOS_ << "\tPrinting locus-by_locus AMOVA results in table...";
    table.print_table(out);
    *_ZOS_ << " done!\n";

    const int first_case = table.records.count > 0 ? table.records.data[0]->amova_case : 0;
    PopulationColumns columns = population_columns(*structure);
    if (s.PopSpecificFST && (first_case == 1 || first_case == 7))
        write_population_tables(out, table, columns, "FST", &AMOVA_table::print_Fst_per_pop_table);
    if (!s.selection_scan_running)
        table.print_average_loci(out, &s);
    if (s.PopSpecificFIS && (first_case == 2 || first_case == 4 || first_case == 6)) {
        Samples* current = s.current_samples;
        if (current != nullptr) {
            bool group_level = current->atGroupLevel;
            current->print_computation_anchor(
                2, s, my_string(group_level ? "LBL_GR_AMOVA_FIS" : "LBL_POP_AMOVA_FIS"),
                my_string(group_level ? "FIS per group per locus" : "FIS per pop per locus"));
        }
        write_population_tables(out, table, columns, "FIS", &AMOVA_table::print_Fis_per_pop_table);
    }
    out << std::endl;
}
