// The summary report on public data: three colonies of the "nancycats"
// microsatellite data set (nine loci, missing genotypes). Per locus and
// colony the expected heterozygosity, the number of alleles, the allelic
// range and the Garza-Williamson index are computed here from the allele
// counts of the project file, independently of the program:
// He = n/(n-1) (1 - sum p^2) over the n typed gene copies, k alleles,
// R = largest - smallest allele, G-W = k/(R+1); and the pooled totals.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <map>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;

namespace {

using Counts = std::map<int, int>;  // allele -> gene copies

struct LocusValues {
    std::string he, k, range, gw;
};

std::string fixed5(double x)
{
    char cell[32];
    std::snprintf(cell, sizeof cell, "%.5f", x);
    return cell;
}

LocusValues values_of(Counts const& counts)
{
    double n = 0, sum_p2 = 0;
    for (auto const& [allele, c] : counts)
        n += c;
    for (auto const& [allele, c] : counts)
        sum_p2 += (c / n) * (c / n);
    const int k = static_cast<int>(counts.size());
    const int range = counts.rbegin()->first - counts.begin()->first;
    return {fixed5(n / (n - 1) * (1 - sum_p2)), std::to_string(k), std::to_string(range),
            fixed5(k / (range + 1.0))};
}

// Allele counts per sample and locus, read from the project's sample data
// (an individual is its id, its count and nine alleles, then nine more).
std::vector<std::vector<Counts>> counts_of(std::string const& project, int loci)
{
    static const std::regex sample(R"(SampleData=\{([^}]*)\})");
    std::vector<std::vector<Counts>> all;
    for (std::sregex_iterator s(project.begin(), project.end(), sample), end; s != end; ++s) {
        std::vector<Counts> counts(loci);
        std::istringstream body((*s)[1].str());
        std::string id, count, allele;
        while (body >> id >> count)
            for (int copy = 0; copy < 2; ++copy)
                for (int l = 0; l < loci && body >> allele; ++l)
                    if (allele != "?")
                        ++counts[l][std::stoi(allele)];
        all.push_back(counts);
    }
    return all;
}

// The cells of the row of `locus` in the table under `title`.
std::vector<std::string> row(std::string const& text, std::string const& title, int locus)
{
    std::string::size_type at = text.find("\n" + title + "\n");
    if (at == std::string::npos)
        return {};
    std::istringstream table(text.substr(at, text.find("\n\n", at + 1) - at));
    std::string line;
    while (std::getline(table, line)) {
        std::istringstream cells(line);
        std::vector<std::string> out;
        for (std::string c; cells >> c;)
            out.push_back(c);
        if (!out.empty() && out[0] == std::to_string(locus))
            return out;
    }
    return {};
}

class SummaryPublicDataE2E : public DrovexecTest {};

TEST_F(SummaryPublicDataE2E, PerLocusTablesOfThreeCatColonies)
{
    const int loci = 9, colonies = 3;
    const std::string project = read_text(fs::path(DROV_TEST_DATA) / "run" / "nancycats3.drp");
    const auto counts = counts_of(project, loci);
    ASSERT_EQ(static_cast<int>(counts.size()), colonies);
    write("cats.drp", project);
    write("cats.drs", run_settings_text({{"TaskNumber", "1"}}));
    ASSERT_EQ(run("cats.drp cats.drs"), 0) << err;
    const std::string text = read_text(work / "cats.res" / "cats.htm");

    for (int l = 0; l < loci; ++l) {
        SCOPED_TRACE("locus " + std::to_string(l + 1));
        const auto he = row(text, "Expected heterozygosity", l + 1);
        const auto k = row(text, "Number of alleles", l + 1);
        const auto range = row(text, "Allelic size range", l + 1);
        const auto gw = row(text, "Garza-Williamson index", l + 1);
        ASSERT_EQ(he.size(), 7u);  // locus, 3 colonies, mean, s.d., total
        ASSERT_EQ(k.size(), 7u);
        ASSERT_EQ(range.size(), 7u);
        ASSERT_EQ(gw.size(), 6u);
        Counts pooled;
        for (int c = 0; c < colonies; ++c) {
            const LocusValues v = values_of(counts[c][l]);
            EXPECT_EQ(he[1 + c], v.he) << "colony " << c + 1;
            EXPECT_EQ(k[1 + c], v.k) << "colony " << c + 1;
            EXPECT_EQ(range[1 + c], v.range) << "colony " << c + 1;
            EXPECT_EQ(gw[1 + c], v.gw) << "colony " << c + 1;
            for (auto const& [allele, n] : counts[c][l])
                pooled[allele] += n;
        }
        const LocusValues total = values_of(pooled);
        EXPECT_EQ(he[6], total.he);
        EXPECT_EQ(k[6], total.k);
        EXPECT_EQ(range[6], total.range);
    }
}

}  // namespace
