// End-to-end tests of the warnings about what silently changes results: a
// settings file with an unknown key, a value that is no number, a code out of
// range or missing weights gives its WARNING in the log while the run stays
// what the file amounts to; a DNA sample whose haplotypes repeat a sequence
// is warned about, in the log and in its results, unless the setting that
// pools identical sequences is on.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <regex>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class SilentChangesE2E : public DrovexecTest {
protected:
    // Runs the fixture project as p.drp with this settings text; returns the
    // results file with the run's dates, stamps and times made constant.
    std::string run_project(std::string const& fixture, std::string const& settings_text)
    {
        fs::remove_all(work);
        fs::create_directory(work);
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / fixture));
        write("p.drs", settings_text);
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
        static const std::regex date(R"(\d\d/\d\d/\d\d at \d\d:\d\d:\d\d)");
        static const std::regex stamp(R"(\d\d_\d\d_\d\dat\d\d_\d\d_\d\d_\d+_\d+)");
        static const std::regex time(R"(\d+h \d+m \d+s \d+ ms)");
        std::string text = read_text(work / "p.res" / "p.htm");
        text = std::regex_replace(text, date, "DATE");
        text = std::regex_replace(text, stamp, "STAMP");
        return std::regex_replace(text, time, "TIME");
    }

    std::string log() const { return read_text(work / "p.res" / "Drovalen_log.txt"); }
};

std::string without_line(std::string text, std::string const& key)
{
    std::string::size_type at = text.find("\n" + key + "=");
    text.erase(at + 1, text.find('\n', at + 1) - at);
    return text;
}

// Each odd settings file runs as the clean file it amounts to: the same
// results but for the settings section, which lists the WARNING that the log
// gives, naming the key and the value used. A distance code out of its range
// runs as code 0, the number of differences.
TEST_F(SilentChangesE2E, SettingsWarningsLeaveTheRunUnchanged)
{
    // An AMOVA without permutations on four samples in two groups.
    auto amova = [](std::map<std::string, std::string> changes) {
        changes.insert({{"TaskNumber", "512"}, {"HaplAMOVA", "1"}, {"NumPermutationsAMOVA", "0"}});
        return run_settings_text(changes);
    };
    auto diversity = [](const char* key, const char* code) {
        return run_settings_text({{"TaskNumber", "7"}, {key, code}});
    };
    const struct {
        const char* name;
        const char* fixture;
        std::string odd, clean;
        const char* detail;
        const char* headline;  // the WARNING's own line in the log
    } cases[] = {
        {"misspelt key", "dna_structure.drp", amova({}) + "NumPermutationAMOVA=50\n", amova({}),
         "Unknown key in the settings file: \"NumPermutationAMOVA=50\" is not used",
         "unknown keyword in settings file"},
        {"count that is no number", "dna_structure.drp", amova({{"NumPermutationsAMOVA", "abc"}}),
         amova({}), "NumPermutationsAMOVA=abc is not a number: NumPermutationsAMOVA is read as 0",
         "value assigned to keyword is not a number"},
        {"task that is no number", "dna2.drp", run_settings_text({{"TaskNumber", "foo"}}),
         run_settings_text({{"TaskNumber", "0"}}),
         "TaskNumber=foo is not a number: TaskNumber is read as 0",
         "value assigned to keyword is not a number"},
        {"missing weight", "dna2.drp",
         without_line(run_settings_text({{"TaskNumber", "2"}}), "TranversionWeight"),
         run_settings_text({{"TaskNumber", "2"}, {"TranversionWeight", "0"}}),
         "TranversionWeight is missing from the settings file and reads 0: transversions are "
         "not counted in DNA samples",
         "keyword missing from settings file"},
        {"distance code 99", "dna2.drp", diversity("DistanceMethod", "99"),
         diversity("DistanceMethod", "0"),
         "DistanceMethod=99 is outside its range 0 to 6: it is taken as 0, the number of "
         "differences",
         "value assigned to keyword is outside its range"},
        {"mismatch code 7", "rflp1.drp", diversity("MismatchDistanceMethod", "7"),
         diversity("MismatchDistanceMethod", "0"),
         "MismatchDistanceMethod=7 is outside its range 0 to 6: it is taken as 0, the number of "
         "differences",
         "value assigned to keyword is outside its range"},
        {"pairwise code -1", "microsat3.drp",
         run_settings_text({{"TaskNumber", "1024"}, {"ComputePairwiseFST", "1"},
                            {"PrintFstVals", "1"}, {"DistanceMethodAMOVA", "-1"}}),
         run_settings_text({{"TaskNumber", "1024"}, {"ComputePairwiseFST", "1"},
                            {"PrintFstVals", "1"}, {"DistanceMethodAMOVA", "0"}}),
         "DistanceMethodAMOVA=-1 is outside its range 0 to 6: it is taken as 0, the number of "
         "differences",
         "value assigned to keyword is outside its range"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.name);
        std::string clean = run_project(c.fixture, c.clean);
        EXPECT_THAT(log(), Not(HasSubstr("#[WARNING")));
        std::string odd = run_project(c.fixture, c.odd);
        const std::string listed = " Warnings about the settings file (also in the log):\n"
                                   " ---------------------------------------------------\n"
                                   "        WARNING: "
                                   + std::regex_replace(c.detail, std::regex("\""), "&quot;")
                                   + "\n\n";
        std::string::size_type at = odd.find(listed);
        ASSERT_NE(at, std::string::npos) << odd.substr(0, 2000);
        EXPECT_EQ(odd.substr(at + listed.size(), 20), " General settings:\n ");
        EXPECT_EQ(odd.erase(at, listed.size()), clean);
        EXPECT_EQ(count_of(log(), "#[WARNING"), 1) << log();
        EXPECT_THAT(log(), HasSubstr("from function \"settings::read_settings()\" : "
                                     + std::string(c.headline) + "\n\t" + c.detail + "\n"));
    }
}

// The XML results list the warnings in their settings section too, the
// characters of markup escaped.
TEST_F(SilentChangesE2E, SettingsWarningsInTheXmlResults)
{
    fs::remove_all(work);
    fs::create_directory(work);
    write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / "dna2.drp"));
    write("p.drs", run_settings_text({{"TaskNumber", "1"}, {"XMLOutput", "1"}})
                       + "Num<Perm>&Co=5\n");
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    std::string xml = read_text(work / "p.res" / "p.xml");
    EXPECT_THAT(xml, HasSubstr("Settings used for Calculations\n==============================\n"
                               "\n</title> <data>\n\n Warnings about the settings file (also in the log):\n"
                               " ---------------------------------------------------\n"
                               "        WARNING: Unknown key in the settings file: "
                               "&quot;Num&lt;Perm&gt;&amp;Co=5&quot; is not used\n\n"
                               " General settings:\n"));
}

// Sample "Lake" lists h1 (3 copies), h2 (2) and h3 (1), h2 with the sequence
// of h1. As three haplotypes: 6/5 (1 - (9 + 4 + 1)/36) = 0.7333; pooled into
// two (5 and 1 copies): 6/5 (1 - (25 + 1)/36) = 0.3333.
TEST_F(SilentChangesE2E, RepeatedSequencesAreNamed)
{
    const std::string project =
        "[Profile]\n\tTitle=\"Repeats\"\n\tNbSamples=1\n\tDataType=DNA\n\tGenotypicData=0\n"
        "\tLocusSeparator=NONE\n\tMissingData='?'\n"
        "[Data]\n\t[[Samples]]\n\t\tSampleName=\"Lake\"\n\t\tSampleSize=6\n\t\tSampleData={\n"
        "\t\t\th1\t3\tACGTTAGCAT\n\t\t\th2\t2\tACGTTAGCAT\n\t\t\th3\t1\tACGATAGCAT\n\t\t}\n";
    const std::string note =
        "1 of the 3 haplotypes of sample \"Lake\" repeat the sequence of another (first: h2 has "
        "the sequence of h1)";
    const struct {
        const char* pooled;
        const char* diversity;
        bool warned;
    } cases[] = {
        {"0", "Gene diversity           :  0.7333", true},
        {"1", "Gene diversity           :  0.3333", false},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.pooled);
        fs::remove_all(work);
        fs::create_directory(work);
        write("p.drp", project);
        write("p.drs", run_settings_text({{"TaskNumber", "1"},
                                          {"InferHaplotypeDefinitionFromDistanceMatrix", c.pooled}}));
        ASSERT_EQ(run("p.drp p.drs"), 0) << err;
        std::string results = read_text(work / "p.res" / "p.htm");
        std::string log_text = read_text(work / "p.res" / "Drovalen_log.txt");
        EXPECT_THAT(results, HasSubstr(c.diversity));
        if (c.warned) {
            EXPECT_THAT(log_text, HasSubstr("from function \"PopulDNA::test_methods()\" : "
                                            "haplotype already defined\n\t" + note
                                            + ": they count as distinct haplotypes unless "
                                              "InferHaplotypeDefinitionFromDistanceMatrix=1\n"));
            EXPECT_THAT(results, HasSubstr("Warning: " + note + ".\nThey count as distinct"));
            EXPECT_THAT(results, HasSubstr("set InferHaplotypeDefinitionFromDistanceMatrix=1"));
        } else {
            EXPECT_THAT(log_text, Not(HasSubstr(note)));
            EXPECT_THAT(results, Not(HasSubstr(note)));
        }
    }
}

}  // namespace
