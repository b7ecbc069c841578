// The warnings about a settings file: what the reader passed over, converted
// or read as 0 without a word, and the codes out of their range it kept or
// read as 0. Each kind has its own headline in the log.

#include "app/settings_file_report.h"

#include <cstring>
#include <functional>
#include <sstream>
#include <utility>

#include "app/private_profile.h"
#include "app/settings.h"
#include "core/errors.h"

namespace {

const char* const READ_SETTINGS = "settings::read_settings()";

// The headlines of the warnings, in the error reporter's message table.
enum Headline {
    UNKNOWN_KEY = 211,
    MISSING_KEY = 212,
    NOT_A_NUMBER = 213,
    NOT_AN_INTEGER = 214,
    OUT_OF_RANGE = 215,
};

// The WARNING line, whose headline says what happened, and its detail line,
// which the results list as well.
void warn(Headline headline, std::string const& detail, std::vector<std::string>& details)
{
    E.error(WARNING, READ_SETTINGS, headline);
    *_ZOS_ << "\t" << detail << std::endl;
    details.push_back(detail);
}

std::string key_of(const char* entry)
{
    std::string line = entry;
    std::string key = line.substr(0, line.find('='));
    std::string::size_type first = key.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    return key.substr(first, key.find_last_not_of(" \t") - first + 1);
}

bool selects(settings const& s, int bits)
{
    return (s.TaskNumber & bits) != 0;
}

// A key that a selected analysis cannot do without: read as 0 when the file
// lacks it, it leaves that analysis without meaning.
struct NeededKey {
    const char* key;
    std::function<bool(settings const&)> needed;
    const char* consequence;
};

const NeededKey kNeededKeys[] = {
    {"DeletionWeight", [](settings const&) { return true; },
     "indels are not counted in DNA and RFLP samples"},
    {"TransitionWeight", [](settings const&) { return true; },
     "transitions are not counted in DNA samples"},
    {"TranversionWeight", [](settings const&) { return true; },
     "transversions are not counted in DNA samples"},
    {"MismatchSpatialExpNumParams", [](settings const& s) { return s.MismatchSpatialExp; },
     "the spatial expansion is not fitted (2, 3 or 4 parameters)"},
    {"NumSimulFuTest",
     [](settings const& s) { return selects(s, settings::TAJIMA_TEST | settings::FU_FS_TEST); },
     "Tajima's and Fu's tests simulate no sample"},
    {"NumIterationsNeutralityTests",
     [](settings const& s) {
         return selects(s, settings::EWENS_WATTERSON_TEST | settings::CHAKRABORTY_TEST);
     },
     "the Ewens-Watterson and Chakraborty tests simulate no sample"},
    {"MaximumNumOfIterationsEM",
     [](settings const& s) {
         return selects(s, settings::HAPLOTYPE_FREQUENCIES | settings::LINKAGE_DISEQUILIBRIUM);
     },
     "the EM estimation of haplotype frequencies makes no iteration"},
    {"SignificanceLevelLD",
     [](settings const& s) { return selects(s, settings::LINKAGE_DISEQUILIBRIUM); },
     "no linkage disequilibrium is reported as significant"},
    {"NumPermutationsFST",
     [](settings const& s) {
         return selects(s, settings::PAIRWISE_FST) && s.TestSignificancePairewiseFST;
     },
     "the pairwise distances are tested with no permutation"},
    {"FSTSignifLevel", [](settings const& s) { return selects(s, settings::PAIRWISE_FST); },
     "no pairwise distance is reported as significant"},
    {"SignLevelPopDiff",
     [](settings const& s) { return selects(s, settings::EXACT_DIFFERENTIATION_TEST); },
     "no population difference is reported as significant"},
    {"NumPermMantel", [](settings const& s) { return selects(s, settings::MANTEL_TEST); },
     "the Mantel test makes no permutation"},
    {"NumberOfSimsForFDist2", [](settings const& s) { return s.DetectSelectedLoci; },
     "the selection scan simulates no locus"},
    {"NumberOfDemesForFDist2", [](settings const& s) { return s.DetectSelectedLoci; },
     "the selection scan simulates an island model without demes"},
    {"NumberOfGroupsForFDist2",
     [](settings const& s) { return s.DetectSelectedLoci && s.UseHierarchicalIslandModel; },
     "the selection scan simulates a hierarchical island model without groups"},
    {"TargetHetHighBound", [](settings const& s) { return s.DetectSelectedLoci; },
     "the selection scan simulates loci of heterozygosity 0 only"},
};

// A code or a level with a range of meaningful values.
struct RangedKey {
    const char* key;
    double value;
    double low, high;
};

std::string number_text(double value)
{
    std::ostringstream text;
    text << value;
    return text.str();
}

void warn_out_of_range(SettingsFileReport const& report, settings const& s,
                       std::vector<std::string>& details)
{
    for (SettingsFileReport::CodeReadAsZero const& c : report.distance_codes_read_as_0)
        warn(OUT_OF_RANGE,
             c.key + "=" + std::to_string(c.value)
                 + " is outside its range 0 to 6: it is taken as 0, the number of differences",
             details);
    const RangedKey ranged[] = {
        {"TaskNumber", static_cast<double>(s.TaskNumber), 0, 0x1ffff},
        {"TypeOfTestHW", static_cast<double>(s.TypeOfTestHW), 0, 2},
        {"ComputeTheta", static_cast<double>(s.ComputeTheta), 0, 15},
        {"AllowedLevelOfMissingData", s.AllowedLevelOfMissingData, 0, 1},
        {"SignificanceLevelLD", s.SignificanceLevelLD, 0, 1},
        {"FSTSignifLevel", s.FSTSignifLevel, 0, 1},
        {"SignLevelPopDiff", s.SignLevelPopDiff, 0, 1},
    };
    for (RangedKey const& r : ranged) {
        if (r.value >= r.low && r.value <= r.high)
            continue;
        std::string value = number_text(r.value);
        warn(OUT_OF_RANGE,
             std::string(r.key) + "=" + value + " is outside its range " + number_text(r.low)
                 + " to " + number_text(r.high) + ": the value " + value + " is used as it stands",
             details);
    }
    // Only the spatial expansion fit reads its number of parameters; a
    // missing key is reported with the missing keys.
    int params = s.MismatchSpatialExpNumParams;
    if (s.MismatchSpatialExp && (params < 2 || params > 4)
        && !report.missing_keys.count("MismatchSpatialExpNumParams"))
        warn(OUT_OF_RANGE,
             "MismatchSpatialExpNumParams=" + std::to_string(params)
                 + " is outside its range 2 to 4: the spatial expansion is not fitted",
             details);
}

}  // namespace

std::vector<std::string> unknown_key_lines(const char* file_name,
                                           std::set<std::string> const& known_keys)
{
    std::vector<std::string> unknown;
    const char* entries = PrivateProfileScan::entries_of(file_name);
    if (entries == nullptr)
        return unknown;
    for (const char* entry = entries; *entry != '\0'; entry += std::strlen(entry) + 1)
        if (!known_keys.count(key_of(entry)))
            unknown.push_back(entry);
    return unknown;
}

void read_distance_codes_out_of_range_as_0(SettingsFileReport& report, settings& s)
{
    const std::pair<const char*, int*> codes[] = {
        {"DistanceMethod", &s.DistanceMethod},
        {"MismatchDistanceMethod", &s.MismatchDistanceMethod},
        {"DistanceMethodAMOVA", &s.DistanceMethodAMOVA},
    };
    for (auto const& code : codes) {
        int& value = *code.second;
        if (value < 0 || value > 6) {
            report.distance_codes_read_as_0.push_back({code.first, value});
            value = 0;
        }
    }
}

std::vector<std::string> warn_about_settings_file(SettingsFileReport const& report,
                                                  settings const& s)
{
    std::vector<std::string> details;
    for (std::string const& line : report.unknown_lines)
        warn(UNKNOWN_KEY, "Unknown key in the settings file: \"" + line + "\" is not used",
             details);
    for (SettingsFileReport::NotANumber const& n : report.not_numbers)
        warn(NOT_A_NUMBER,
             n.key + "=" + n.text + " is not a number: " + n.key + " is read as " + n.used,
             details);
    for (SettingsFileReport::NotANumber const& n : report.not_integers)
        warn(NOT_AN_INTEGER,
             n.key + "=" + n.text + " is not an integer: " + n.key + " is read as " + n.used,
             details);
    warn_out_of_range(report, s, details);
    for (NeededKey const& k : kNeededKeys)
        if (report.missing_keys.count(k.key) && k.needed(s))
            warn(MISSING_KEY,
                 std::string(k.key) + " is missing from the settings file and reads 0: "
                     + k.consequence,
                 details);
    return details;
}
