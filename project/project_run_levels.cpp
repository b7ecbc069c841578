// The analysis levels of a run. At the group level (on request) each group
// of the genetic structure is pooled into one sample and analysed as such;
// at the population level the project's own samples are. Each level runs
// the assignment test, the per-sample analyses with their summary tables,
// and the genetic-structure analyses, as TaskNumber asks. The selection scan
// follows both levels.

#include "project/project_run.h"

#include <fstream>
#include <memory>
#include <string>

#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "comparisons/ind_likelihood.h"
#include "core/errors.h"
#include "core/file_helpers.h"
#include "project/project.h"
#include "project/project_file_lines.h"
#include "project/references.h"
#include "project/result_tree.h"
#include "summary/sumstat.h"

namespace {

const std::string equals_line(78, '=');

// The assignment test always treats genotypes as of unknown phase; the
// phase flags come back however the test ends (a memory report throws).
void run_assignment_test(Project& p)
{
    settings& s = p.run_settings;
    struct PhaseBack {
        settings& s;
        Samples& samples;
        int phase;
        ~PhaseBack()
        {
            s.gametic_phase = phase;
            samples.GameticPhase = phase;
        }
    } back{s, *p.samples, s.gametic_phase};
    if (s.genotypic_data && s.gametic_phase) {
        s.gametic_phase = 0;
        p.samples->GameticPhase = 0;
    }
    IndLikelihood test(1e-10, s, p.samples);
    test.run();
}

void add_tree_folder(settings& s, const char* title)
{
    std::ofstream tree;
    if (open_tree_file(s, tree, "Project::run()"))
        TJSOut(tree).aux(2, my_string(title), my_string());
}

// The assignment test and the per-sample analyses of the current samples;
// `banner` writes the level's banner when a per-sample task is selected.
template <class Banner>
void run_sample_analyses(Project& p, const char* folder_title, Banner banner)
{
    settings& s = p.run_settings;
    if (s.TaskNumber & settings::GENOTYPE_ASSIGNMENT)
        run_assignment_test(p);
    if ((s.TaskNumber & SAMPLE_TASKS) && s.results_stream) {
        add_tree_folder(s, folder_title);
        banner(*s.results_stream);
    }
    // The pooled totals of a level rest on its own samples only: the group
    // level's pooled groups must not count again among the populations.
    PopGenetics::globalSubstPolymSites.count = 0;
    PopGenetics::globalAllelicDB.destroy();
    p.samples->compute_stuff(&p, s);
}

void run_structure_analyses(Project& p)
{
    if (p.run_settings.TaskNumber & GENETIC_STRUCTURE_TASKS)
        p.GenStructCalculations(p.run_settings.results_stream);
}

// While the group level runs, the project holds the pooled samples and
// structure in place of its own; whatever ends the level, its own come back
// (only the pointers: the caller restores the profile on the normal path).
class PooledObjectsInPlace {
public:
    PooledObjectsInPlace(Project& p, Samples* pooled_samples, Structure* pooled_structure)
        : p_(p), own_samples_(p.samples), own_structure_(p.structure)
    {
        p.samples = pooled_samples;
        p.structure = pooled_structure;
    }
    ~PooledObjectsInPlace()
    {
        p_.samples = own_samples_;
        p_.structure = own_structure_;
        p_.run_settings.current_samples = own_samples_;
    }
    PooledObjectsInPlace(PooledObjectsInPlace const&) = delete;
    PooledObjectsInPlace& operator=(PooledObjectsInPlace const&) = delete;

private:
    Project& p_;
    Samples* own_samples_;
    Structure* own_structure_;
};

}  // namespace

std::string computing_time_text(long long ms)
{
    long long h = ms / 3600000;
    long long rest = ms - h * 3600000;
    long long m = rest / 60000;
    rest -= m * 60000;
    long long sec = rest / 1000;
    rest -= sec * 1000;
    return std::to_string(h) + "h " + std::to_string(m) + "m " + std::to_string(sec) + "s "
           + std::to_string(rest) + " ms";
}

void apply_individual_level_rule(Project& p)
{
    settings& s = p.run_settings;
    bool unknown_phase_conventional = p.profile.GameticPhase == 0 && s.ComputeConventionalFST;
    if (p.profile.GenotypicData == 0 || unknown_phase_conventional)
        s.IncludeIndividualLevel = 0;
}

void run_group_level(Project& p)
{
    settings& s = p.run_settings;
    ProfileSettings own_profile(p.profile);
    int own_conversion = p.phenotypes_converted;

    auto pooled_samples = std::make_unique<Samples>();
    auto pooled_structure = std::make_unique<Structure>();
    pooled_samples->NbHaploClasses = p.samples->NbHaploClasses;
    static_cast<ProfileSettings&>(*pooled_samples) = *p.samples;
    static_cast<ProfileSettings&>(*pooled_structure) = *p.structure;
    p.poolSamplesInGroups(*p.samples, *p.structure, *pooled_samples, *pooled_structure);
    {
        PooledObjectsInPlace in_place(p, pooled_samples.get(), pooled_structure.get());
        pooled_samples->atGroupLevel = true;
        SumStat.atGroupLevel = true;
        s.current_samples = pooled_samples.get();

        if (p.run_possible) {
            run_sample_analyses(p, "Groups", [&](std::ostream& out) {
                out << "\n" << equals_line << "\n== ANALYSES AT THE INTRA-GROUP LEVEL"
                    << "\n" << equals_line << "\n\n" << *pooled_structure << "\n";
            });
        }
        run_structure_analyses(p);
    }
    p.profile = own_profile;

    // The population level starts from the settings file again. What the
    // task checks ruled out for these data stays ruled out.
    s.read_settings(s.settings_file);
    p.apply_task_switches();
    apply_individual_level_rule(p);

    pooled_structure.reset();
    pooled_samples.reset();
    write_summary_line();
    SumStat.atGroupLevel = false;
    p.phenotypes_converted = own_conversion;
}

void run_population_level(Project& p)
{
    settings& s = p.run_settings;
    p.samples->atGroupLevel = false;
    SumStat.atGroupLevel = false;
    s.current_samples = p.samples;
    p.haplo_vectors_built = 0;
    if (p.run_possible) {
        run_sample_analyses(p, "Samples", [&](std::ostream& out) {
            out << "\n" << equals_line << "\n== ANALYSES AT THE INTRA-POPULATION LEVEL"
                << "\n" << equals_line << "\n";
        });
    }
    run_structure_analyses(p);
}

void run_selection_scan(Project& p)
{
    settings& s = p.run_settings;
    if (s.results_stream) {
        std::ostream& out = *s.results_stream;
        out << "\n" << equals_line
            << "\n== DETECTION OF LOCI UNDER SELECTION FROM GENOME SCANS BASED ON F-STATISTICS"
            << "\n" << equals_line << "\n";
        References(out, my_string("Beaumont_M_Nichols_R"), 0);
        References(out, my_string("Slatkin_M_Voelm_L"), 2);
    }
    print_js_aux_entry(s, 2, "_fdist2_", "Loci under selection");
    std::clock_t start = get_sys_clock();
    *_ZOS_ << "Detecting loci under selection based on F-statistics\n";

    auto note = [&](const char* text) {
        if (s.results_stream)
            *s.results_stream << text << "\n";
        *_ZOS_ << "\t" << text << "\n";
    };
    bool has_groups = p.structure->NbGroups > 0;
    if (ProfileSettings::DataType == FREQUENCY && has_groups)
        note("Impossible to detect outlier loci with relative frequency data");
    else if (!has_groups)
        note("Impossible to detect outlier loci when no genetic structure is defined");
    else
        p.detectSelectedLociFromFSTHetComparison(s.UseHierarchicalIslandModel != 0);
    *_ZOS_ << "done with detection of loci under selection! (" << milliseconds_since(start)
           << " ms)\n";
}

// The header comes from the first project that completes its line, so that
// a first project that fails leaves no file without its header.
void write_summary_line()
{
    if (SumStat.needsHeader())
        SumStat.outputHeader(ProfileSettings::DataType);
    SumStat.outputStats(ProfileSettings::DataType);
}
