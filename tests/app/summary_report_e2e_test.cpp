// End-to-end tests of the summary report over the samples of a level: the
// tables of a three-sample microsatellite project, its result-tree entries,
// the group level before the population level, XML elements, and the
// tables of standard data.
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

class SummaryReportE2E : public DrovexecTest {
protected:
    std::string run_project(std::string const& fixture,
                            std::map<std::string, std::string> keys = {})
    {
        keys.emplace("TaskNumber", "1");
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / fixture));
        write("p.drs", run_settings_text(keys));
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
        return read_text(work / "p.res" / (keys["XMLOutput"] == "1" ? "p.xml" : "p.htm"));
    }

    static std::string stamped(std::string const& text)
    {
        static const std::regex stamp(R"(\d\d_\d\d_\d\dat\d\d_\d\d_\d\d_\d+_\d+)");
        return std::regex_replace(text, stamp, "STAMP");
    }

    // From the report's banner to the end of the run.
    static std::string report(std::string const& text, std::string const& level)
    {
        std::string::size_type from = text.find("\n\n" + std::string(80, '=')
                                                + "\n== Summary of computations done within "
                                                + level);
        std::string::size_type to = text.find("\n" + std::string(68, '/') + "\nEND OF RUN");
        return from == std::string::npos ? "" : text.substr(from, to - from);
    }
};

// Locus 1 pooled: 100 x6, 102 x4, 104 and 106 once: Tot. Het. (1 - 54/144)
// 12/11 = 0.68182, 4 alleles, range 106 - 100 = 6. Locus 3 with Arun's
// missing copy: 200 x6, 202 x3, 204 x2: (1 - 49/121) 11/10 = 0.65455, 3
// alleles, range 4. Arun at locus 1: He 4/3 (1 - 6/16) = 0.83333, theta
// (1/(1/6)^2 - 1)/2 = 17.5, modified G-W (4 + 1)/(6 + 1) 3/5 = 0.42857.
TEST_F(SummaryReportE2E, MicrosatelliteReportAndTree)
{
    std::string text = stamped(report(run_project("microsat3.drp"), "populations"));
    EXPECT_THAT(text, HasSubstr("\n     1     0.83333     0.50000     0.00000     0.44444     0.41944     0.68182\n"));
    EXPECT_THAT(text, HasSubstr("\n     3     0.66667     0.50000     0.00000     0.38889     0.34694     0.65455\n"));
    EXPECT_THAT(text, HasSubstr("\n     1    17.50000     1.50000        N.A.     9.50000    11.31371\n"
                                "     2        N.A.        N.A.        N.A.        N.A.        N.A.\n"));
    EXPECT_THAT(text, HasSubstr("\n     1           3           2           1       2.000       1.000           4\n"));
    EXPECT_THAT(text, HasSubstr("\n     1           4           4           0       2.667       2.309           6\n"));
    EXPECT_THAT(text, HasSubstr("\n     1     0.42857     0.28571     0.14286     0.28571     0.14286\n"));
    EXPECT_EQ(text, read_text(fs::path(DROV_TEST_DATA) / "run" / "golden_microsat3_summary.htm"));

    std::string tree = stamped(read_text(work / "p.res" / "p.js"));
    EXPECT_THAT(tree, HasSubstr("\t\taux2 = insFld(aux1, gFld(\"Within-samples summary\", \"\"))\n"
                                "\t\tinsDoc(aux2, gLnk(\"R\", \"Basic indices\", \"p.htm#STAMP_comp_sum_Basic\"))\n"));
    EXPECT_THAT(tree, HasSubstr("gLnk(\"R\", \"Garza-Williamson modified index\", \"p.htm#STAMP_comp_sum_GWN\")"));
}

// The group level's report comes first, over the pooled groups; the
// population level's totals rest on the populations alone.
TEST_F(SummaryReportE2E, GroupLevelFirstAndXmlElements)
{
    std::string text = stamped(run_project(
        "microsat3.drp", {{"ComputeSumStatsWithinGroups", "1"}, {"XMLOutput", "1"}}));
    std::string::size_type groups = text.find("== Summary of computations done within groups");
    std::string::size_type populations = text.find("== Summary of computations done within populations");
    ASSERT_NE(groups, std::string::npos);
    ASSERT_NE(populations, std::string::npos);
    EXPECT_LT(groups, populations);
    EXPECT_THAT(text, HasSubstr("<A NAME=\"STAMP_gr_comp_sum_het\"></A>"));
    EXPECT_THAT(text, HasSubstr("\nLocus#      Group1      Group2        Mean        s.d.   Tot. Het."));
    EXPECT_THAT(text.substr(populations),
                HasSubstr("     1     0.83333     0.50000     0.00000     0.44444     0.41944     0.68182\n"));
    for (const char* element : {"sumExpHeterozygosity", "sumThetaH", "sumNumAlleles",
                                "sumAllelicSizeRange", "sumGWIndex", "sumModGWIndex"}) {
        SCOPED_TRACE(element);
        EXPECT_EQ(count_of(text, std::string("<") + element + " samp="), 2);
        EXPECT_EQ(count_of(text, std::string("</") + element + "> <data>"), 2);
    }
    EXPECT_THAT(read_text(work / "p.res" / "p.js"), HasSubstr("gFld(\"Within-groups summary\", \"\")"));
}

// The first sample, of 3,000,000,000 gene copies, is refused: N.A. in every
// cell, out of every mean, and the loci come from the next sample. A: 6 + 1
// copies at both loci, He (1 - 37/49) 7/6 = 2/7; B: 2 + 1 at locus 1, He
// (1 - 5/9) 3/2 = 2/3, and one allele at locus 2: mean 1/3, s.d. 0.47140.
// Over samples (2/7 + 1/3)/2 = 13/42 = 0.30952, s.d. (1/3 - 2/7)/sqrt 2 =
// 0.03367. Pooled: locus 1 A x8, C x2, (1 - 68/100) 10/9 = 0.35556; locus 2
// B x9, D x1, (1 - 82/100) 10/9 = 0.2.
TEST_F(SummaryReportE2E, SampleRefusedForItsSizeComesFirst)
{
    std::string text = report(run_project("standard_refused_first.drp"), "populations");
    EXPECT_THAT(text, HasSubstr("\n  No. of gene copies        N.A.           7           3       "
                                "5.000       2.828\n         No. of loci        N.A.           2"));
    EXPECT_THAT(text, HasSubstr(
        "\n     1        N.A.     0.28571     0.66667     0.47619     0.26937     0.35556\n"
        "     2        N.A.     0.28571     0.00000     0.14286     0.20203     0.20000\n"
        + std::string(78, '-') + "\n"
        "  Mean        N.A.     0.28571     0.33333     0.30952     0.03367     0.27778\n"
        "  s.d.        N.A.     0.00000     0.47140     0.23570     0.33333     0.10999\n"));
    // theta = 1/(1 - H) - 1: 0.4 and 0.5 from the mean heterozygosities.
    EXPECT_THAT(text, HasSubstr("Mean H        N.A.     0.40000     0.50000     0.45000     0.07071\n"));
}

TEST_F(SummaryReportE2E, StandardDataHaveNoRangeTables)
{
    std::string text = report(run_project("standard1.drp"), "populations");
    EXPECT_THAT(text, HasSubstr("\nTheta(H) under the infinite-allele model\n"));
    EXPECT_THAT(text, HasSubstr("\nNumber of alleles\n"));
    EXPECT_THAT(text, Not(HasSubstr("Allelic size range")));
    EXPECT_THAT(text, Not(HasSubstr("Garza-Williamson")));
}

}  // namespace
