// The steps of an analysis run (Project::run) that its main sequence
// (project_run.cpp) and its analysis levels (project_run_levels.cpp) share.
#ifndef DROV_PROJECT_PROJECT_RUN_H
#define DROV_PROJECT_PROJECT_RUN_H

#include <string>

class Project;

// Task bits of the per-sample analyses (0x1 to 0x100, and Fu's Fs 0x4000):
// their level gets its banner and its tree folder.
const int SAMPLE_TASKS = 0x41FF;
// Task bits of the genetic-structure dispatcher: AMOVA, pairwise FST, exact
// test of differentiation, Mantel test.
const int GENETIC_STRUCTURE_TASKS = 0x12600;

// Inside a catch block: the log line that says which error interrupted the
// work ("run", "exploration"), e.g. "\nThe run was interrupted by an error:
// not enough memory".
std::string interruption_text(const char* work);

// A computing time as the end banner shows it: "1h 2m 3s 4 ms".
std::string computing_time_text(long long ms);

// IncludeIndividualLevel is meaningful only for genotypes of which the
// individuals are kept: 0 for haplotypic data, and for unknown phase with
// ComputeConventionalFST.
void apply_individual_level_rule(Project& p);

// The analysis levels of a run: the group level on pooled samples, the
// population level, the selection scan (with DetectSelectedLoci), and the
// summary-statistics line that closes each level.
void run_group_level(Project& p);
void run_population_level(Project& p);
void run_selection_scan(Project& p);
void write_summary_line();

#endif
