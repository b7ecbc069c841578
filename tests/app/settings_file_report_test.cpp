// Warnings about a settings file: unknown keys, values that are no number,
// numbers that are no integer for an integer key, codes out of their range
// and missing keys whose 0 leaves a selected analysis without meaning. Each
// gives one WARNING whose headline says which of these happened and a line
// naming the key and the value used; the values read are those of a read
// without warnings.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace {

// The headlines of the log's WARNING lines.
const std::string kUnknown = "unknown keyword in settings file";
const std::string kMissing = "keyword missing from settings file";
const std::string kNotANumber = "value assigned to keyword is not a number";
const std::string kNotAnInteger = "value assigned to keyword is not an integer";
const std::string kOutOfRange = "value assigned to keyword is outside its range";

// The shared run settings with keys changed, lines removed and lines added.
std::string settings_file(std::map<std::string, std::string> const& changes,
                          std::vector<std::string> const& removed = {},
                          std::string const& added = "")
{
    std::string text = run_settings_text(changes);
    for (std::string const& key : removed) {
        std::string::size_type at = text.find("\n" + key + "=");
        EXPECT_NE(at, std::string::npos) << key;
        if (at != std::string::npos)
            text.erase(at + 1, text.find('\n', at + 1) - at);
    }
    return text + added;
}

// The log's WARNING lines from "from function" on, each with the line after it.
std::string warning_lines(std::string const& log)
{
    std::string lines;
    std::istringstream in(log);
    for (std::string line; std::getline(in, line);) {
        if (line.find("#[WARNING # ") == std::string::npos)
            continue;
        lines += line.substr(line.find("from function")) + "\n";
        if (std::getline(in, line))
            lines += line + "\n";
    }
    return lines;
}

struct Warning {
    std::string headline;
    std::string detail;
};

struct Case {
    const char* name;
    std::string file;
    std::vector<Warning> warnings;  // in the order of the log
};

class SettingsFileReportTest : public LogFolderTest {
protected:
    std::unique_ptr<settings> read(std::string const& text, bool warn)
    {
        my_string path(write_file("run.drs", text).string().c_str());
        auto s = std::make_unique<settings>();
        s->read_settings(path, warn);
        return s;
    }
};

TEST_F(SettingsFileReportTest, EachProblemGivesItsWarningAndTheValuesStay)
{
    const Case cases[] = {
        {"complete file", settings_file({{"TaskNumber", "16895"}}), {}},
        {"misspelt key", settings_file({}, {}, "NumPermutationAMOVA=50\n"),
         {{kUnknown, "Unknown key in the settings file: \"NumPermutationAMOVA=50\" is not used"}}},
        {"count that is no number", settings_file({{"NumPermutationsAMOVA", "abc"}}),
         {{kNotANumber,
           "NumPermutationsAMOVA=abc is not a number: NumPermutationsAMOVA is read as 0"}}},
        {"task that is no number", settings_file({{"TaskNumber", "foo"}}),
         {{kNotANumber, "TaskNumber=foo is not a number: TaskNumber is read as 0"}}},
        {"integer key with digits after the number",
         settings_file({{"NumSimulFuTest", "1000 runs"}}),
         {{kNotANumber, "NumSimulFuTest=1000 runs is not a number: NumSimulFuTest is read as 1000"}}},
        {"decimals in an integer key", settings_file({{"NumPermutationsAMOVA", "2.5"}}),
         {{kNotAnInteger,
           "NumPermutationsAMOVA=2.5 is not an integer: NumPermutationsAMOVA is read as 2"}}},
        {"exponent in an integer key", settings_file({{"NumSimulFuTest", "1e3"}}),
         {{kNotAnInteger, "NumSimulFuTest=1e3 is not an integer: NumSimulFuTest is read as 1"}}},
        {"negative decimals in an integer key", settings_file({{"InitialCondEMLD", "-3.7"}}),
         {{kNotAnInteger, "InitialCondEMLD=-3.7 is not an integer: InitialCondEMLD is read as -3"}}},
        {"integer in a real key", settings_file({{"SignificanceLevelLD", "1"}}), {}},
        {"real key with a unit", settings_file({{"SignificanceLevelLD", "0.05 %"}}),
         {{kNotANumber,
           "SignificanceLevelLD=0.05 % is not a number: SignificanceLevelLD is read as 0.05"}}},
        {"distance codes out of range",
         settings_file({{"DistanceMethod", "99"},
                        {"MismatchDistanceMethod", "7"},
                        {"DistanceMethodAMOVA", "-1"}}),
         {{kOutOfRange, "DistanceMethod=99 is outside its range 0 to 6: it is taken as 0, the "
                        "number of differences"},
          {kOutOfRange, "MismatchDistanceMethod=7 is outside its range 0 to 6: it is taken as 0, "
                        "the number of differences"},
          {kOutOfRange, "DistanceMethodAMOVA=-1 is outside its range 0 to 6: it is taken as 0, "
                        "the number of differences"}}},
        {"level above 1", settings_file({{"AllowedLevelOfMissingData", "5"}}),
         {{kOutOfRange, "AllowedLevelOfMissingData=5 is outside its range 0 to 1: the value 5 is "
                        "used as it stands"}}},
        {"spatial fit with 7 parameters",
         settings_file({{"MismatchSpatialExp", "1"}, {"MismatchSpatialExpNumParams", "7"}}),
         {{kOutOfRange, "MismatchSpatialExpNumParams=7 is outside its range 2 to 4: the spatial "
                        "expansion is not fitted"}}},
        {"missing weights",
         settings_file({}, {"DeletionWeight", "TransitionWeight", "TranversionWeight"}),
         {{kMissing, "DeletionWeight is missing from the settings file and reads 0: indels are "
                     "not counted in DNA and RFLP samples"},
          {kMissing, "TransitionWeight is missing from the settings file and reads 0: "
                     "transitions are not counted in DNA samples"},
          {kMissing, "TranversionWeight is missing from the settings file and reads 0: "
                     "transversions are not counted in DNA samples"}}},
        {"missing simulations of a selected test",
         settings_file({{"TaskNumber", "64"}}, {"NumSimulFuTest"}),
         {{kMissing, "NumSimulFuTest is missing from the settings file and reads 0: Tajima's and "
                     "Fu's tests simulate no sample"}}},
        {"missing simulations of a test not selected",
         settings_file({{"TaskNumber", "1"}}, {"NumSimulFuTest"}), {}},
        {"missing parameters of the spatial fit",
         settings_file({{"MismatchSpatialExp", "1"}}, {"MismatchSpatialExpNumParams"}),
         {{kMissing, "MismatchSpatialExpNumParams is missing from the settings file and reads 0: "
                     "the spatial expansion is not fitted (2, 3 or 4 parameters)"}}},
        {"one of each kind",
         settings_file({{"NumPermutationsAMOVA", "2.5"}, {"NumSimulFuTest", "x"},
                        {"TypeOfTestHW", "3"}, {"TaskNumber", "64"}},
                       {"NumSimulFuTest"}, "Foo=1\nNumSimulFuTest=x\n"),
         {{kUnknown, "Unknown key in the settings file: \"Foo=1\" is not used"},
          {kNotANumber, "NumSimulFuTest=x is not a number: NumSimulFuTest is read as 0"},
          {kNotAnInteger,
           "NumPermutationsAMOVA=2.5 is not an integer: NumPermutationsAMOVA is read as 2"},
          {kOutOfRange, "TypeOfTestHW=3 is outside its range 0 to 2: the value 3 is used as it "
                        "stands"}}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        auto quiet = read(c.file, false);
        EXPECT_EQ(take_log(), "");
        auto warned = read(c.file, true);
        std::string log = take_log();

        // The WARNING lines in order, each with its detail line.
        std::string expected;
        std::vector<std::string> details;
        for (std::size_t k = 0; k < c.warnings.size(); ++k) {
            expected += "from function \"settings::read_settings()\" : " + c.warnings[k].headline
                        + "\n\t" + c.warnings[k].detail + "\n";
            details.push_back(c.warnings[k].detail);
        }
        EXPECT_EQ(warning_lines(log), expected);
        // The results' settings section lists the same lines.
        EXPECT_EQ(warned->file_warnings, details);

        EXPECT_EQ(warned->TaskNumber, quiet->TaskNumber);
        EXPECT_EQ(warned->NumPermutationsAMOVA, quiet->NumPermutationsAMOVA);
        EXPECT_EQ(warned->NumSimulFuTest, quiet->NumSimulFuTest);
        EXPECT_EQ(warned->DistanceMethod, quiet->DistanceMethod);
        EXPECT_EQ(warned->SignificanceLevelLD, quiet->SignificanceLevelLD);
        EXPECT_EQ(warned->DeletionWeight, quiet->DeletionWeight);
    }
}

// A distance code outside 0 to 6 reads 0 (the number of differences) with
// or without warnings; a code in the range stays.
TEST_F(SettingsFileReportTest, DistanceCodesOutOfRangeReadZero)
{
    const struct {
        const char* value;
        int read;
    } cases[] = {{"99", 0}, {"7", 0}, {"-1", 0}, {"6", 6}, {"1", 1}};
    for (auto const& c : cases) {
        SCOPED_TRACE(c.value);
        std::string file = settings_file({{"DistanceMethod", c.value},
                                          {"MismatchDistanceMethod", c.value},
                                          {"DistanceMethodAMOVA", c.value}});
        for (bool warn : {false, true}) {
            auto s = read(file, warn);
            EXPECT_EQ(s->DistanceMethod, c.read);
            EXPECT_EQ(s->MismatchDistanceMethod, c.read);
            EXPECT_EQ(s->DistanceMethodAMOVA, c.read);
        }
        take_log();
    }
}

}  // namespace
