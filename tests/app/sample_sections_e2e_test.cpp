// End-to-end tests of the per-sample analyses: the built drovexec runs a
// project of each data type with every per-sample section selected, and the
// results show each sample's banner and its sections in the data type's order.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <regex>
#include <string>
#include <vector>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

// The sections that write results, and the pairwise distances.
const char* const kAllSampleSections = "18943";

class SampleSectionsE2E : public DrovexecTest {
protected:
    // The results of drovexec on the fixture project with every per-sample
    // section and theta(H) selected.
    std::string run_project(std::string const& fixture)
    {
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / fixture));
        write("p.drs", run_settings_text({{"TaskNumber", kAllSampleSections}, {"ComputeTheta", "1"}}));
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
        EXPECT_THAT(read_text(work / "p.res" / "Drovalen_log.txt"),
                    HasSubstr("Successful run of p.drp"));
        return read_text(work / "p.res" / "p.htm");
    }

    // "<sample>: <title>" for each title box, with its rule length.
    static std::vector<std::string> boxes(std::string const& text)
    {
        static const std::regex box(R"(\n(=+)\n== (.*?) : \(([^\n]*)\)\n(=+)\n\n)");
        std::vector<std::string> found;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), box);
             it != std::sregex_iterator(); ++it) {
            EXPECT_EQ((*it)[1].str(), (*it)[4].str());
            found.push_back((*it)[3].str() + ": " + std::to_string((*it)[1].length()) + " "
                            + (*it)[2].str());
        }
        return found;
    }

    static std::string banner(std::string const& name)
    {
        std::string rule(79, '=');
        return "\n" + rule + "\n== Sample : \t" + name + "\n" + rule + "\n\n";
    }
};

std::vector<std::string> sections_of(std::string const& sample, std::vector<std::string> titles)
{
    for (std::string& t : titles)
        t = sample + ": " + t;
    return titles;
}

// The task checks leave out the Hardy-Weinberg test of haplotypes.
TEST_F(SampleSectionsE2E, DnaSamples)
{
    std::string text = run_project("dna2.drp");
    std::vector<std::string> order = {
        "31 Standard diversity indices",
        "32 Molecular diversity indices",
        "26 Mismatch distribution",
        "36 Haplotypes frequency estimation",
        "36 Pairwise linkage disequilibrium",
        "42 Tajima's test of selective neutrality",
        "50 Ewens-Watterson tests of selective neutrality",
        "47 Chakraborty's test of selective neutrality",
        "47 Fu's Fs test of selective neutrality",
    };
    std::vector<std::string> expected = sections_of("North", order);
    for (std::string const& s : sections_of("South", order))
        expected.push_back(s);
    EXPECT_EQ(boxes(text), expected);
    EXPECT_LT(text.find(banner("North")), text.find(banner("South")));
    // North: counts 3 and 2, F = 0.52, H = 0.6 with s.d. sqrt(0.1 x 0.3072).
    EXPECT_THAT(text, HasSubstr("\nSum of square freqs.     :  0.5200"
                                "\nGene diversity           :  0.6000 +/-  0.1753\n"));
    // South: counts 1 and 3, F = 0.625, H = 0.5 with s.d. sqrt(27/384).
    EXPECT_THAT(text, HasSubstr("\nGene diversity           :  0.5000 +/-  0.2652\n"));
}

// Microsatellite tables cite the Garza-Williamson statistic too; RFLP and
// microsatellite samples open section 0x2 with its title, then the one
// console line of the step, and report no progress.
TEST_F(SampleSectionsE2E, OpeningOfTheDiversitySections)
{
    for (const char* fixture : {"microsat1.drp", "rflp1.drp"}) {
        SCOPED_TRACE(fixture);
        fs::remove_all(work);
        fs::create_directory(work);
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / fixture));
        write("p.drs", run_settings_text({{"TaskNumber", "3"}}));
        ASSERT_EQ(run("p.drp p.drs"), 0) << err;
        const std::string log = read_text(work / "p.res" / "Drovalen_log.txt");
        EXPECT_THAT(log, HasSubstr("\tdone !\n\tComputing molecular diversity...\n"));
        EXPECT_EQ(log.find("Computing molecular diversity indices"), std::string::npos);
        const std::string text = read_text(work / "p.res" / "p.htm");
        const bool microsat = std::string(fixture) == "microsat1.drp";
        EXPECT_EQ(text.find("<i>Nei M. 1987.</i>\n           <i>Garza J.C. and Williamson E.G. "
                            "2001.</i>\nNo. of gene copies       : 4\n")
                      != std::string::npos,
                  microsat);
    }
}

// The console lines that the RFLP and standard drivers word their own way.
TEST_F(SampleSectionsE2E, ConsoleLinesOfEachDriver)
{
    const struct {
        const char* fixture;
        const char* lines;
    } cases[] = {
        {"standard1.drp",
         "\tComputing standard diversity indices ...\n\tdone ! ("},
        {"standard1.drp",
         "\tComputing haplotype frequencies ...\n\tdone!\n"
         "\tTesting linkage disequilibrium (haplotypic data)...\n\tdone ! ("},
        // One haplotype: no Ewens-Watterson test.
        {"standard_single.drp",
         "\t\tComputing BMat ...\n\t\t\tFile *.bnb not found... skipping task !\n"},
        {"rflp1.drp",
         "\tComputing standard diversity indices ...\n\tdone !\n"
         "\tComputing  haplotype frequencies ...\n\tdone!\n"
         "\tTesting linkage disequilibrium (Haplotypic data)...\n"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.fixture);
        fs::remove_all(work);
        fs::create_directory(work);
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / c.fixture));
        write("p.drs", run_settings_text({{"TaskNumber", "153"}}));
        ASSERT_EQ(run("p.drp p.drs"), 0) << err;
        EXPECT_THAT(read_text(work / "p.res" / "Drovalen_log.txt"), HasSubstr(c.lines));
    }
}

TEST_F(SampleSectionsE2E, OtherDataTypes)
{
    struct Case {
        const char* fixture;
        const char* sample;
        std::vector<std::string> order;
        const char* text;  // a part of the sample's results
    };
    const std::vector<Case> cases = {
        // Counts 4 and 2: F = 20/36, H = 16/36 x 6/5.
        {"rflp1.drp", "Bay",
         {"31 Standard diversity indices", "32 Molecular diversity indices",
          "26 Mismatch distribution", "36 Haplotypes frequency estimation",
          "36 Pairwise linkage disequilibrium", "42 Tajima's test of selective neutrality",
          "50 Ewens-Watterson tests of selective neutrality",
          "47 Chakraborty's test of selective neutrality",
          "47 Fu's Fs test of selective neutrality"},
         "\nSum of square freqs.     :  0.5556\nGene diversity           :  0.5333 +/- "},
        // The Ewens-Watterson and Chakraborty tests are left out for
        // microsatellites; the mismatch distribution refuses unphased genotypes.
        {"microsat_unphased.drp", "Ridge",
         {"31 Standard diversity indices", "32 Molecular diversity indices",
          "36 Haplotypes frequency estimation", "36 Pairwise linkage disequilibrium",
          "31 Hardy-Weinberg equilibrium", "42 Tajima's test of selective neutrality",
          "42 Fu's Fs test of selective neutrality"},
         "\nMismatch distribution cannot be computed \n"
         "in case of genotypic data with unknown gametic phase\n\n"
         "We hope to change it in a future release...\n\n"},
        // Counts 3, 1 and 1: F = 11/25, H = 14/25 x 5/4.
        {"standard1.drp", "Valley",
         {"31 Standard diversity indices", "32 Molecular diversity indices",
          "26 Mismatch distribution", "36 Haplotypes frequency estimation",
          "36 Pairwise linkage disequilibrium", "42 Tajima's test of selective neutrality",
          "42 Fu's Fs test of selective neutrality",
          "50 Ewens-Watterson tests of selective neutrality",
          "47 Chakraborty's test of selective neutrality"},
         "\nSum of square freqs.     :  0.4400\nGene diversity           :  0.7000 +/- "},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.fixture);
        fs::remove_all(work);
        fs::create_directory(work);
        std::string text = run_project(c.fixture);
        EXPECT_EQ(boxes(text), sections_of(c.sample, c.order));
        EXPECT_THAT(text, HasSubstr(banner(c.sample)));
        EXPECT_THAT(text, HasSubstr(c.text));
    }
}

}  // namespace
