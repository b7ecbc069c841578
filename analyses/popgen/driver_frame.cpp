// The per-sample driver shared by the data types: banner, section walk,
// refusals of unphased genotypes, stop request and the preparation for the
// AMOVA permutations, and the elements every section is made of.

#include "analyses/popgen/driver_frame.h"

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <map>
#include <new>
#include <string>

#include "app/settings.h"
#include "core/errors.h"
#include "project/project_file_lines.h"
#include "project/references.h"
#include "project/result_tree.h"

namespace {

// The bits whose sections write into the results: all but the pairwise
// distances and the AMOVA preparation.
constexpr int kBannerBits = 0x41ff;

struct SectionTitle {
    int bit;
    const char* title;
    int rule;  // 0: the plan's (Fu's Fs)
};

// Titles and rule lengths are the same in every driver but for Fu's Fs.
const SectionTitle kTitles[] = {
    {settings::STANDARD_INDICES, "== Standard diversity indices : (", 31},
    {settings::MOLECULAR_DIVERSITY, "== Molecular diversity indices : (", 32},
    {settings::MISMATCH_DISTRIBUTION, "== Mismatch distribution : (", 26},
    {settings::HAPLOTYPE_FREQUENCIES, "== Haplotypes frequency estimation : (", 36},
    {settings::LINKAGE_DISEQUILIBRIUM, "== Pairwise linkage disequilibrium : (", 36},
    {settings::HARDY_WEINBERG, "== Hardy-Weinberg equilibrium : (", 31},
    {settings::TAJIMA_TEST, "== Tajima's test of selective neutrality : (", 42},
    {settings::EWENS_WATTERSON_TEST, "== Ewens-Watterson tests of selective neutrality : (", 50},
    {settings::CHAKRABORTY_TEST, "== Chakraborty's test of selective neutrality : (", 47},
    {settings::FU_FS_TEST, "== Fu's Fs test of selective neutrality : (", 0},
};

// A plan from the seven sections that every driver runs first, in this
// order, and the four neutrality tests in the data type's order.
DriverPlan plan_of(const char* where, int fu_fs_rule, DriverSection const (&tests)[4])
{
    DriverPlan plan{
        where,
        fu_fs_rule,
        {
            {settings::STANDARD_INDICES, &PopGenetics::standard_diversity_section, nullptr},
            {settings::MOLECULAR_DIVERSITY, &PopGenetics::molecular_diversity_section, nullptr},
            {settings::MISMATCH_DISTRIBUTION, &PopGenetics::mismatch_section,
             "Mismatch distribution cannot be computed \n"},
            {settings::HAPLOTYPE_FREQUENCIES, &PopGenetics::haplotype_frequencies_section,
             nullptr},
            {settings::LINKAGE_DISEQUILIBRIUM, &PopGenetics::linkage_disequilibrium_section,
             nullptr},
            {settings::HARDY_WEINBERG, &PopGenetics::hardy_weinberg_section, nullptr},
            {settings::PAIRWISE_DISTANCES, &PopGenetics::pairwise_distances_section, nullptr},
        },
    };
    std::copy(tests, tests + 4, plan.sections + DriverPlan::kSections - 4);
    return plan;
}

// The bits whose sections count the haplotypes of a sample: the haplotype
// number, the gene diversity and the tests built on them.
constexpr int kHaplotypeCountBits = settings::STANDARD_INDICES | settings::MOLECULAR_DIVERSITY
                                     | settings::EWENS_WATTERSON_TEST | settings::CHAKRABORTY_TEST
                                     | settings::FU_FS_TEST;

// Without InferHaplotypeDefinitionFromDistanceMatrix, every haplotype of a DNA
// sample counts as distinct, also one whose sequence repeats another's (data
// listed one sequence per line): the log gets a WARNING and the results a
// note that names the setting that pools them.
void warn_identical_sequences(DriverCall& call)
{
    PopGenetics const& sample = call.sample;
    if (ProfileSettings::DataType != DNA || sample.profile.GenotypicData != 0
        || call.s.InferHaplotypeDefinitionFromDistanceMatrix || !(call.task & kHaplotypeCountBits))
        return;
    std::map<std::string, const HaploDef*> first_of_sequence;
    int repeats = 0;
    const HaploDef* first_repeat = nullptr;
    const HaploDef* its_original = nullptr;
    for (int i = 0; i < sample.haplotypes.count; ++i) {
        const HaploDef* h = sample.haplotypes.data[i]->haplotype;
        if (h == nullptr || h->content.length == 0)
            continue;
        auto [at, added] = first_of_sequence.emplace(h->content.str, h);
        if (added || at->second == h)
            continue;
        if (repeats++ == 0) {
            first_repeat = h;
            its_original = at->second;
        }
    }
    if (repeats == 0)
        return;
    // The names as written in the log, escaped in the results.
    auto write_note = [&](std::ostream& os, auto name) {
        os << repeats << " of the " << sample.haplotypes.count << " haplotypes of sample \""
           << name(sample.name) << "\" repeat the sequence of another (first: "
           << name(first_repeat->id) << " has the sequence of " << name(its_original->id) << ")";
    };
    E.error(WARNING, call.plan.where, 31);
    *_ZOS_ << "\t";
    write_note(*_ZOS_, [](my_string const& name) -> my_string const& { return name; });
    *_ZOS_ << ": they count as distinct haplotypes unless "
           << "InferHaplotypeDefinitionFromDistanceMatrix=1" << std::endl;
    call.results << "Warning: ";
    write_note(call.results, result_text);
    call.results << ".\n"
                 << "They count as distinct haplotypes in the number of haplotypes, the gene "
                 << "diversity and the tests built on them;\n"
                 << "set InferHaplotypeDefinitionFromDistanceMatrix=1 in the settings to pool "
                 << "identical sequences.\n\n";
}

}  // namespace

DriverPlan sequence_data_plan(const char* where, const char* ewens_watterson_refusal)
{
    const DriverSection tests[4] = {
        {settings::TAJIMA_TEST, &PopGenetics::tajima_section,
         "Tajima's test cannot be computed \n"},
        {settings::EWENS_WATTERSON_TEST, &PopGenetics::ewens_watterson_section,
         ewens_watterson_refusal},
        {settings::CHAKRABORTY_TEST, &PopGenetics::chakraborty_section,
         "Chakraborty's test cannot be computed \n"},
        {settings::FU_FS_TEST, &PopGenetics::fu_fs_section, "Fu's Fs test cannot be computed \n"},
    };
    return plan_of(where, 47, tests);
}

// Tajima's and Fu's tests print their own text for every data kind.
DriverPlan allele_data_plan(const char* where)
{
    const DriverSection tests[4] = {
        {settings::TAJIMA_TEST, &PopGenetics::tajima_section, nullptr},
        {settings::FU_FS_TEST, &PopGenetics::fu_fs_section, nullptr},
        {settings::EWENS_WATTERSON_TEST, &PopGenetics::ewens_watterson_section,
         "Ewens-Watterson test cannot be computed \n"},
        {settings::CHAKRABORTY_TEST, &PopGenetics::chakraborty_section,
         "Chakraborty's test cannot be computed \n"},
    };
    return plan_of(where, 42, tests);
}

DriverCall::DriverCall(PopGenetics& sample_, settings& s_, DriverPlan const& plan_)
    : sample(sample_), s(s_), plan(plan_), unopened_(),
      results(s_.results_stream ? *s_.results_stream : unopened_), task(s_.TaskNumber)
{
}

void DriverCall::console_step(const char* text)
{
    *_ZOS_ << "\t" << text << "\n";
}

void DriverCall::report_progress_only(const char* text)
{
    std::snprintf(settings::message, sizeof settings::message, "%s", text);
    settings::print_message();
}

bool DriverCall::report_progress(const char* text)
{
    report_progress_only(text);
    return s.stop_requested == 0;
}

void DriverCall::title_box()
{
    for (SectionTitle const& t : kTitles) {
        if (t.bit != section->bit)
            continue;
        std::string rule(t.rule ? t.rule : plan.fu_fs_rule, '=');
        results << "\n" << rule << "\n" << t.title << result_text(sample.name) << ")\n" << rule
                << "\n\n";
        return;
    }
}

void DriverCall::cite(std::initializer_list<const char*> keys)
{
    if (keys.size() == 1) {
        References(results, my_string(*keys.begin()));
        return;
    }
    int i = 0;
    const int last = static_cast<int>(keys.size()) - 1;
    for (const char* key : keys) {
        References(results, my_string(key), i == 0 ? 0 : (i == last ? 2 : 1));
        ++i;
    }
}

void DriverCall::done()
{
    *_ZOS_ << "\tdone !" << std::endl;
}

void DriverCall::done_since(std::clock_t start)
{
    *_ZOS_ << "\tdone ! (" << milliseconds_since(start) << " ms)\n";
}

void DriverCall::check_once()
{
    if (checked)
        return;
    sample.check_data();
    checked = true;
}

void DriverCall::evaluate_polymorphism_once()
{
    if (polymorphism_evaluated)
        return;
    sample.evaluate_polymorphism(s);
    polymorphism_evaluated = true;
}

bool DriverCall::unknown_phase() const
{
    return sample.profile.GenotypicData != 0 && sample.profile.GameticPhase == 0;
}

bool DriverCall::haplotypes_known() const
{
    return s.genotypic_data == 0 || s.gametic_phase != 0;
}

void DriverCall::write_banner()
{
    sample.print_population_anchor(2, s, "group");
    std::string rule(79, '=');
    results << "\n" << rule << "\n" << "== Sample : \t" << result_text(sample.name) << "\n" << rule
            << "\n\n";
}

void DriverCall::refuse_unknown_phase()
{
    results << section->unknown_phase_refusal
            << "in case of genotypic data with unknown gametic phase\n\n"
            << "We hope to change it in a future release...\n"
            << std::endl;
}

// Room for every haplotype and one more, with no growth step: the list never
// holds more classes than the sample has haplotypes.
void DriverCall::make_class_list()
{
    classes = std::make_unique<HaplotypeClasses>(sample.num_haplotypes, 0);
}

bool DriverCall::pool_classes()
{
    check_once();
    evaluate_polymorphism_once();
    sample.take_pooling_distance_settings();
    if (!sample.compute_distance_matrix(nullptr, &s, 0) || !sample.HaplDistMat)
        return false;
    if (!sample.check_hapl_freqs(*sample.HaplDistMat, *classes))
        return false;
    pooled = true;
    return true;
}

bool DriverCall::fill_classes()
{
    if (!classes || classes->capacity == 0)
        return false;
    if (classes->count > 0)
        return true;
    // With haplotypes inferred from a distance matrix, those at distance 0
    // are one class; without a matrix each haplotype stays its own class.
    if (s.InferHaplotypeDefinitionFromDistanceMatrix && pool_classes())
        return true;
    if (classes->count > 0)
        return false;  // the pooling failed half-way (ERROR 169)
    try {
        for (int i = 0; i < sample.haplotypes.count; ++i) {
            const double c = sample.haplotypes.data[i]->count;
            if (c > 0)
                classes->Add(new AHaplFreq(c, c * c));
        }
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, plan.where, 0);
        return false;
    }
    return true;
}

void PopGenetics::run_driver(settings& run_settings, DriverPlan const& plan)
{
    RecessiveAllelesEM = run_settings.RecessiveAllelesEM;
    DriverCall call(*this, run_settings, plan);
    if (call.task & kBannerBits)
        call.write_banner();
    if (!sample_size_fits(plan.where)) {
        call.results << "The sample is too large to be analysed: more than " << INT32_MAX
                     << " gene copies\n" << std::endl;
        return;
    }
    warn_identical_sequences(call);

    for (DriverSection const& section : plan.sections) {
        if (section.bit == settings::EWENS_WATTERSON_TEST)
            call.make_class_list();
        if (!(call.task & section.bit))
            continue;
        call.section = &section;
        if (section.unknown_phase_refusal && call.unknown_phase()) {
            call.refuse_unknown_phase();
            continue;
        }
        if (!(this->*section.run)(call))
            return;  // a stop request: nothing more for this sample
    }

    // Only the allele vectors, as the preparation of the AMOVA permutations
    // asks; they go into the project's database, attached by the task checks.
    if (call.task != settings::AMOVA_PERMUTATION_PREPARATION || !alleleDB)
        return;
    if (RecessiveAllelesEM)
        make_all_blanks(ProfileSettings::LocusSeparator);
    build_allele_vectors(ProfileSettings::LocusSeparator);
}
