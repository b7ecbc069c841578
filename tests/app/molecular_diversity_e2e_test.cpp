// End-to-end tests of the molecular-diversity section: drovexec with
// TaskNumber 0x2 on a project of each data type prints the mean number of
// pairwise differences and the nucleotide or gene diversity with their s.d.;
// with 0x1 and 0x2 the sequence data's sample counts and batch lines.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

class MolecularDiversityE2E : public DrovexecTest {};

// Values worked by hand from k = S / (n(n-1)/2) and pi = k / L with the
// variances of the section's reference.
TEST_F(MolecularDiversityE2E, EachDataType)
{
    const struct {
        const char* fixture;
        const char* lines;
    } cases[] = {
        // North: counts 3 and 2 one transversion apart in 10 sites (n = 5).
        {"dna2.drp",
         "Number of observed transversions             : 1"
         "\nNumber of substitutions                      : 1"
         "\nNumber of observed indels                    : 0"
         "\nNumber of polymorphic sites                  : 1"},
        {"dna2.drp",
         "\nNucleotide composition (Relative values)"
         "\n   C : 20.00%\n   T : 26.00%\n   A : 34.00%\n   G : 20.00%\n   Total :100.00%\n"},
        {"dna2.drp",
         "\nDistance method                              : Pairwise difference (no Gamma correction)\n"
         "\nMean number of pairwise differences          :     0.600000 +/-     0.562226\n"
         "\nNucleotide diversity (average over loci)     :     0.060000 +/-     0.065727\n"},
        // Counts 4 and 2 one site apart in 7 sites (n = 6).
        {"rflp1.drp",
         "\nMean number of pairwise differences           :     0.533333 +/-     0.507718\n"
         "\nAverage gene diversity over loci              :     0.076190 +/-     0.083752\n"},
        // Counts 3, 1, 1: S = 3 + 3 + 2 = 8 over 3 loci (n = 5).
        {"standard1.drp",
         "\nMean number of pairwise differences           :     0.800000 +/-     0.681462\n"
         "\nAverage gene diversity over loci              :     0.266667 +/-     0.265553\n"},
        // Counts 2, 1, 1 at 1, 2 and 1 loci apart, 2 loci (n = 4).
        {"microsat1.drp",
         "\nDistance method                     : No. of different alleles"
         "\nMean number of pairwise differences :     1.166667 +/-     0.927961\n"
         "\nAverage gene diversity over loci    :     0.583333 +/-     0.554049\n"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.fixture);
        fs::remove_all(work);
        fs::create_directory(work);
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / c.fixture));
        write("p.drs", run_settings_text({{"TaskNumber", "2"}}));
        ASSERT_EQ(run("p.drp p.drs"), 0) << err;
        EXPECT_THAT(read_text(work / "p.res" / "p.htm"), HasSubstr(c.lines));
        EXPECT_THAT(read_text(work / "p.res" / "Drovalen_log.txt"),
                    Not(HasSubstr("#[ERROR")));
    }
}

// A distance code without a method of its own is the number of differences,
// as the sections name it, never that number times the sites: a DNA code
// out of 0 to 6, an RFLP code other than 1. Upper lake of the example:
// counts 4, 3, 1 at 1 (h1-h2), 2 (h1-h3) and 1 (h2-h3) sites of 20 apart
// (n = 8): S = 12 + 8 + 3 = 23, k = 23/28 = 0.821429, Var(k) = (150 k^2 +
// 216 k) / 654 = 0.426055, pi = k/20 = 0.041071, Var(pi) = 9 pi / (21 x 20) +
// 150 pi^2 / 504 = 0.001382. Bay of rflp1.drp as in EachDataType; its
// mismatch: 7 of the 15 pairs at 0 and 8 at 1 difference (not 7).
TEST_F(MolecularDiversityE2E, DistanceCodesWithoutAMethodCountDifferences)
{
    const std::string dna =
        "\nDistance method                              : Pairwise difference (no Gamma correction)\n"
        "\nMean number of pairwise differences          :     0.821429 +/-     0.652729\n"
        "\nNucleotide diversity (average over loci)     :     0.041071 +/-     0.037177\n";
    const std::string rflp =
        "\nDistance method : Pairwise difference"
        "\nMean number of pairwise differences           :     0.533333 +/-     0.507718\n"
        "\nAverage gene diversity over loci              :     0.076190 +/-     0.083752\n";
    const std::string rflp_mismatch =
        "Distance method : Pairwise difference\n\n  #Diff.   Count  Exp. Count\n"
        "  ------   -----  ----------\n       0       7       0.000\n       1       8       0.000\n";
    const struct {
        const char* project;
        const char* key;
        const char* code;
        std::string lines;
    } cases[] = {
        {"examples/example.drp", "DistanceMethod", "99", dna},
        {"examples/example.drp", "DistanceMethod", "7", dna},
        {"examples/example.drp", "DistanceMethod", "-1", dna},
        {"tests/data/run/rflp1.drp", "DistanceMethod", "2", rflp},
        {"tests/data/run/rflp1.drp", "DistanceMethod", "6", rflp},
        {"tests/data/run/rflp1.drp", "DistanceMethod", "-1", rflp},
        {"tests/data/run/rflp1.drp", "MismatchDistanceMethod", "2", rflp_mismatch},
        {"tests/data/run/rflp1.drp", "MismatchDistanceMethod", "7", rflp_mismatch},
    };
    const fs::path source = fs::path(DROV_TEST_DATA).parent_path().parent_path();
    for (auto const& c : cases) {
        SCOPED_TRACE(std::string(c.project) + " " + c.key + "=" + c.code);
        fs::remove_all(work);
        fs::create_directory(work);
        write("p.drp", read_text(source / c.project));
        write("p.drs", run_settings_text({{"TaskNumber", "6"}, {c.key, c.code}}));
        ASSERT_EQ(run("p.drp p.drs"), 0) << err;
        EXPECT_THAT(read_text(work / "p.res" / "p.htm"), HasSubstr(c.lines));
    }
}

// North of dna2.drp: n = 5 in counts 3 and 2, one transversion in 10 sites:
// gene diversity 5/4 (1 - 0.36 - 0.16) = 0.6, k = 3 x 2 / 10 = 0.6 and pi =
// 0.06. Bay of rflp1.drp: n = 6 in counts 4 and 2, one site of 7 differs:
// gene diversity 6/5 (1 - 20/36) = 0.533333.
TEST_F(MolecularDiversityE2E, SequenceSampleCountsAndBatchLines)
{
    const struct {
        const char* fixture;
        const char* counts;
        const char* gen_div;
    } cases[] = {
        {"dna2.drp",
         "No. of gene copies       : 5\nNo. of sequences         : 2\n"
         "No. of loci              : 10\n"
         "No. of usable loci       : 10 loci with less than  5.00 % missing data\n"
         "No. of polymorphic sites : 1\n",
         "\"North\"\t5\t2\t10\t10\t1\t0.600000\n"},
        {"rflp1.drp",
         "No. of gene copies       : 6\nNo. haplotypes           : 2\n"
         "No. of loci              : 7\n"
         "No. of usable loci       : 7 loci with less than  5.00 % missing data\n"
         "No. of polymorphic sites : 1\n",
         "\"Bay\"\t6\t2\t7\t7\t1\t0.533333\n"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.fixture);
        fs::remove_all(work);
        fs::create_directory(work);
        write("glbstreams.txt",
              "flags\n_GENE_DIVERSITY_ _MOLECULAR_DIVERSITY_ _NUCLEOTIDE_COMPOSITION_\n");
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / c.fixture));
        write("p.drs", run_settings_text({{"TaskNumber", "3"}}));
        ASSERT_EQ(run("p.drp p.drs"), 0) << err;
        EXPECT_THAT(read_text(work / "p.res" / "p.htm"), HasSubstr(c.counts));
        EXPECT_THAT(read_text(work / "gen_div.sum"), HasSubstr(c.gen_div));
    }
    // Only DNA samples have the molecular-diversity columns of the sites and
    // a nucleotide composition.
    EXPECT_THAT(read_text(work / "mold_div.sum"), Not(HasSubstr("\"Bay\"")));
    EXPECT_THAT(read_text(work / "nucl_comp.sum"), Not(HasSubstr("\"Bay\"")));
    fs::remove_all(work);
    fs::create_directory(work);
    write("glbstreams.txt",
          "flags\n_GENE_DIVERSITY_ _MOLECULAR_DIVERSITY_ _NUCLEOTIDE_COMPOSITION_\n");
    write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / "dna2.drp"));
    write("p.drs", run_settings_text({{"TaskNumber", "3"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    EXPECT_THAT(read_text(work / "mold_div.sum"),
                HasSubstr("\"North\"\t1.000\t1.000\t1.000\t0.050\t0\t1\t1\t0\t1\t10\t10\t"
                          "#Diff\t inf\t0.600000\t0.060000\n"));
    EXPECT_THAT(read_text(work / "nucl_comp.sum"),
                HasSubstr("\"North\"\t20.00\t26.00\t34.00\t20.00\t100.00\n"));
}

// 1,001 gene copies in 1,000 haplotypes: theta(k) solves sum_{i<n} t/(t+i) =
// 1000, t = 499833.111141 (by bisection), and its interval is left out.
TEST_F(MolecularDiversityE2E, ThetaKWithoutIntervalForManyHaplotypes)
{
    std::string data;
    const char bases[] = "ACGT";
    for (int h = 0; h < 1000; ++h) {
        std::string sequence;
        for (int site = 0, code = h; site < 5; ++site, code /= 4)
            sequence += bases[code % 4];
        data += "\t\th" + std::to_string(h) + (h == 0 ? " 2 " : " 1 ") + sequence + "\n";
    }
    write("p.drp",
          "[Profile]\n\tTitle=\"Many\"\n\tNbSamples=1\n\tDataType=DNA\n"
          "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n"
          "[Data]\n\t[[Samples]]\n\t\tSampleName=\"Many\"\n\t\tSampleSize=1001\n"
          "\t\tSampleData={\n" + data + "\t\t}\n");
    write("p.drs", run_settings_text({{"TaskNumber", "2"}, {"ComputeTheta", "4"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    const std::string text = read_text(work / "p.res" / "p.htm");
    EXPECT_THAT(text, HasSubstr("\n         Theta(k) : 499833.111141\n"));
    EXPECT_THAT(text, Not(HasSubstr("confidence interval limits for theta(k)")));
    EXPECT_THAT(read_text(work / "p.res" / "Drovalen_log.txt"),
                HasSubstr("\t\t\tToo many aleles or gene copies in sample to compute Theta(k)\n"));
}

// Three of four sites differ: too divergent for the Jukes-Cantor correction,
// the section says that it has no values instead of printing them.
TEST_F(MolecularDiversityE2E, FailedDistanceMatrix)
{
    write("p.drp",
          "[Profile]\n\tTitle=\"Divergent\"\n\tNbSamples=1\n\tDataType=DNA\n"
          "\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n"
          "[Data]\n\t[[Samples]]\n\t\tSampleName=\"Far\"\n\t\tSampleSize=2\n"
          "\t\tSampleData={\n\t\t\th1\t1\tAAAA\n\t\t\th2\t1\tCCCA\n\t\t}\n");
    write("p.drs", run_settings_text({{"TaskNumber", "2"}, {"DistanceMethod", "1"}}));
    ASSERT_EQ(run("p.drp p.drs"), 0) << err;
    std::string text = read_text(work / "p.res" / "p.htm");
    EXPECT_THAT(text, HasSubstr("Jukes and Cantor (no Gamma correction)\n"));
    EXPECT_THAT(text, HasSubstr(" #[ERROR # 1] : distance matrix could not be computed\n"
                                "\nMolecular diversity indices cannot be computed: "
                                "no distance matrix between the haplotypes\n"));
    EXPECT_THAT(text, Not(HasSubstr("Nucleotide diversity (average")));
    std::string log = read_text(work / "p.res" / "Drovalen_log.txt");
    EXPECT_THAT(log, HasSubstr("\"PopulDNA::jk_dist()\" : sequences too divergent"));
    EXPECT_THAT(log, HasSubstr("distance matrix could not be computed"));
}

}  // namespace
