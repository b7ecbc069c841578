// The frame of the per-sample analysis driver that the four data types share.
//
// For every sample of an analysis level the run control calls the sample's
// test_methods, which runs the driver of its data type: PopGenetics::run_driver
// with the data type's plan. The driver
//   1. copies RecessiveAllelesEM into the sample and reads TaskNumber once;
//   2. writes the sample's banner (anchor, tree entry and the boxed name) when
//      a bit of 0x41ff is set;
//   3. runs the plan's sections in order: a section whose bit is clear is
//      skipped; genotypic data of unknown phase get the plan's three-line
//      refusal instead of the sections that cannot take them; otherwise the
//      section's virtual (PopGenetics::standard_diversity_section, ...) runs,
//      and when it returns false (a stop request) the driver ends at once;
//   4. prepares the AMOVA permutations when TaskNumber is exactly 0x1000.
// The class list of the neutrality tests is made just before the
// Ewens-Watterson section, whatever the bits, and freed at the end of the
// call however it ends.
//
// A section is made of the elements DriverCall offers: console lines on the
// log, progress with the stop test, the title box, literature references, the
// once-per-call preparation steps, and the closing "done" line.
#ifndef DROV_ANALYSES_POPGEN_DRIVER_FRAME_H
#define DROV_ANALYSES_POPGEN_DRIVER_FRAME_H

#include <ctime>
#include <fstream>
#include <initializer_list>
#include <memory>

#include "analyses/popgen/pop_genetics.h"

class settings;

// One section as a data type runs it.
struct DriverSection {
    int bit;                                     // its TaskNumber bit
    bool (PopGenetics::*run)(DriverCall& call);  // its body
    // First line of the refusal of genotypic data with unknown gametic
    // phase; null when the section takes such data.
    const char* unknown_phase_refusal;
};

// The driver of one data type: its sections in the order they run.
struct DriverPlan {
    static constexpr int kSections = 11;
    const char* where;       // the driver's name in error reports
    int fu_fs_rule;          // length of the rule of the Fu's Fs title box
    DriverSection sections[kSections];
};

// The plans of the two families of drivers, which differ in the place of
// Fu's Fs test, the length of its rule and the sections they refuse for
// genotypes of unknown phase. `where` names the driver in error reports.
// DNA and RFLP samples, whose first refusal line of the Ewens-Watterson
// section differs:
DriverPlan sequence_data_plan(const char* where, const char* ewens_watterson_refusal);
// Microsatellite, standard and allele-frequency samples:
DriverPlan allele_data_plan(const char* where);

// The state of one call of a driver, and the elements of its sections.
class DriverCall {
public:
    PopGenetics& sample;
    settings& s;
    DriverPlan const& plan;

private:
    std::fstream unopened_;  // stands in for a missing result file: writes nothing

public:
    std::fstream& results;   // the result file (settings::results_stream)
    const int task;          // TaskNumber as read at entry; every gate tests this copy
    bool checked = false;                 // check_data has run in this call
    bool polymorphism_evaluated = false;  // evaluate_polymorphism has run under its flag
    // Classes of haplotypes of the Ewens-Watterson, Chakraborty and Fu's Fs
    // sections; made before the Ewens-Watterson section (room for
    // num_haplotypes + 1), null before. Its storage may be missing when
    // memory ran out (capacity 0): such a list must not be filled.
    std::unique_ptr<HaplotypeClasses> classes;
    bool pooled = false;                  // classes holds the haplotypes pooled at distance 0
    DriverSection const* section = nullptr;  // the section running

    DriverCall(PopGenetics& sample, settings& s, DriverPlan const& plan);
    DriverCall(DriverCall const&) = delete;
    DriverCall& operator=(DriverCall const&) = delete;

    // "\t", the step text and "\n" on the log.
    void console_step(const char* text);
    // The step text into settings::message and the progress hook; false when
    // a stop request then ends the driver.
    bool report_progress(const char* text);
    // The same for the steps that do not test the stop request.
    void report_progress_only(const char* text);
    // The title box of the running section, and its literature references
    // right after it: one key in the single form, more as one block.
    void title_box();
    void cite(std::initializer_list<const char*> keys);
    // The closing console line: "\tdone !", or with the processor time
    // since `start` in whole milliseconds.
    void done();
    void done_since(std::clock_t start);

    // The once-per-call preparation steps: each runs when its flag is clear
    // and sets it.
    void check_once();
    void evaluate_polymorphism_once();

    // Genotypic data of unknown gametic phase, by the sample's own profile.
    bool unknown_phase() const;
    // Haplotypic data or genotypes of known phase, by the run's copies of the
    // project profile.
    bool haplotypes_known() const;

    // The driver's own steps (driver_frame.cpp).
    void write_banner();
    void refuse_unknown_phase();
    void make_class_list();
    // The classes of the neutrality tests, unless an earlier section has
    // filled the list: with haplotypes inferred from a distance matrix, the
    // haplotypes pooled at distance 0 (`pooled` set); otherwise, or without a
    // matrix, one class per haplotype that holds gene copies. False when the
    // list has no storage or memory runs out (MEMORY, reported from the
    // plan's `where`).
    bool fill_classes();
    // The pooling of fill_classes: the distances that count every difference
    // once, and the classes of haplotypes at distance 0; false without a
    // distance matrix or when the pooling fails.
    bool pool_classes();
};

#endif
