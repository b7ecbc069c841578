// Molecular diversity and Tajima's test on public data: the "woodmouse"
// cytochrome b alignment (15 sequences, 965 sites, 'N' the missing-data
// character). S, k, pi, theta(S) and Tajima's D are counted here straight from
// the sequences of the project file, independently of the program:
// a site is usable when its share of missing data is at most the allowed
// level; S counts the usable sites with two or more bases; the differences of
// two sequences are the usable sites where both carry a base and the bases
// differ; k is their mean over the pairs, pi = k / (usable sites),
// theta(S) = S / a1 and D = (k - S/a1) / sqrt(e1 S + e2 S (S - 1)).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <filesystem>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

const char kMissing = 'N';

std::string fixed(int width, int decimals, double x)
{
    char cell[64];
    std::snprintf(cell, sizeof cell, "%*.*f", width, decimals, x);
    return cell;
}

std::string right(int width, int x)
{
    char cell[64];
    std::snprintf(cell, sizeof cell, "%*d", width, x);
    return cell;
}

// The gene copies of the project: each sequence repeated by its count.
std::vector<std::string> gene_copies(std::string const& project)
{
    static const std::regex entry(R"(\n\t\t\t\S+\t(\d+)\t([A-Z-]+)(?=\n))");
    std::vector<std::string> copies;
    for (std::sregex_iterator it(project.begin(), project.end(), entry), end; it != end; ++it)
        copies.insert(copies.end(), std::stoi((*it)[1].str()), (*it)[2].str());
    return copies;
}

struct Expected {
    int usable = 0, S = 0;
    double k = 0, pi = 0, thetaS = 0, D = 0;
};

Expected count(std::vector<std::string> const& seqs, double allowed_missing)
{
    const int n = static_cast<int>(seqs.size());
    const std::size_t L = seqs[0].size();
    Expected e;
    double differences = 0;
    for (std::size_t site = 0; site < L; ++site) {
        std::set<char> bases;
        int missing = 0;
        for (auto const& seq : seqs) {
            if (seq[site] == kMissing)
                ++missing;
            else
                bases.insert(seq[site]);
        }
        if (static_cast<double>(missing) / n > allowed_missing)
            continue;
        ++e.usable;
        e.S += bases.size() > 1;
        for (int i = 1; i < n; ++i)
            for (int j = 0; j < i; ++j) {
                const char a = seqs[i][site], b = seqs[j][site];
                differences += a != kMissing && b != kMissing && a != b;
            }
    }
    e.k = differences / (n * (n - 1) / 2.0);
    e.pi = e.k / e.usable;
    double a1 = 0, a2 = 0;
    for (int i = 1; i < n; ++i) {
        a1 += 1.0 / i;
        a2 += 1.0 / (static_cast<double>(i) * i);
    }
    const double b1 = (n + 1) / (3.0 * (n - 1));
    const double b2 = 2.0 * (n * n + n + 3) / (9.0 * n * (n - 1));
    const double e1 = (b1 - 1 / a1) / a1;
    const double e2 = (b2 - (n + 2) / (a1 * n) + a2 / (a1 * a1)) / (a1 * a1 + a2);
    e.thetaS = e.S / a1;
    e.D = (e.k - e.thetaS) / std::sqrt(e1 * e.S + e2 * e.S * (e.S - 1));
    return e;
}

class DnaPublicDataE2E : public DrovexecTest {};

// The allowed level of missing data decides which sites count: at 5 % every
// site with an 'N' (1/15 of the copies) is dropped, at 10 % the sites with
// one 'N' stay, at 100 % all sites stay and an 'N' is never a difference.
TEST_F(DnaPublicDataE2E, WoodmouseDiversityAndTajimasD)
{
    const std::string project =
        read_text(fs::path(DROV_TEST_DATA) / "run" / "woodmouse.drp");
    const std::vector<std::string> seqs = gene_copies(project);
    ASSERT_EQ(seqs.size(), 15u);
    ASSERT_EQ(seqs[0].size(), 965u);
    write("p.drp", project);
    for (const char* level : {"0.050000", "0.100000", "1.000000"}) {
        SCOPED_TRACE(level);
        const Expected e = count(seqs, std::stod(level));
        // Molecular diversity with theta(S), and Tajima's test without replicates.
        write("p.drs", run_settings_text({{"TaskNumber", "66"},
                                          {"ComputeTheta", "2"},
                                          {"NumSimulFuTest", "0"},
                                          {"AllowedLevelOfMissingData", level}}));
        ASSERT_EQ(run("p.drp p.drs"), 0) << err;
        const std::string text = read_text(work / "p.res" / "p.htm");
        for (std::string const& line :
             {"\nNumber of observed sites with substitutions  : " + std::to_string(e.S) + "\n",
              "\nNumber of usable nucleotide sites            : " + std::to_string(e.usable)
                  + "\n",
              "\nMean number of pairwise differences          : " + fixed(12, 6, e.k) + " +/- ",
              "\nNucleotide diversity (average over loci)     : " + fixed(12, 6, e.pi)
                  + " +/- ",
              "\n" + std::string(9, ' ') + "Theta(S) : " + fixed(12, 6, e.thetaS) + "\n",
              "No. of sites with substitutions (S)   : " + right(8, e.S) + "\n"
                  + "Mean No. of pairwise differences (Pi) : " + fixed(8, 5, e.k) + "\n",
              "\nTajima's D                            : " + fixed(8, 5, e.D) + "\n"})
            EXPECT_THAT(text, HasSubstr(line));
        fs::remove_all(work / "p.res");
    }
}

}  // namespace
