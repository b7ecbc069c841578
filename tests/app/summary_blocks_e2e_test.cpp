// End-to-end tests of the molecular diversity, neutrality tests and mismatch
// analysis tables of the summary report: on a generated three-sample DNA
// project every cell equals the value of the sample's own section or a value
// computed here from the sequences, and every Mean and s.d. equals the mean
// and sample standard deviation (n - 1) of its row's cells; an RFLP project
// and haplotypes checked against the distance matrix.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

using Sample = std::vector<std::string>;  // the sequences of one sample

// Three samples of 5, 6 and 4 haplotypes (8, 9 and 6 gene copies) of 40
// sites: a common sequence with a few substitutions each, drawn by a fixed linear congruential generator.
std::vector<Sample> generated_samples()
{
    unsigned long state = 12345;
    auto next = [&state](unsigned long range) {
        state = (state * 1103515245UL + 12345UL) % 2147483648UL;
        return (state / 65536UL) % range;
    };
    const std::string base = "ACGTTAGCATGGCATTACGAACGTTGCAATCGGATCCGTA";
    std::vector<Sample> samples;
    for (int size : {5, 6, 4}) {
        Sample sample;
        // Each sample has sites of its own, and shares sites 3 and 17.
        for (int j = 0; j < size; ++j) {
            std::string seq = base;
            for (int m = 0; m < 2; ++m)
                seq[next(40)] = "ACGT"[next(4)];
            if (j % 2)
                seq[3] = 'C';
            if (j == 1)
                seq[17] = 'G';
            sample.push_back(seq);
            if (j % 2 == 0)  // a haplotype of two gene copies
                sample.push_back(seq);
        }
        samples.push_back(sample);
    }
    return samples;
}

std::string project_text(std::vector<Sample> const& samples)
{
    std::ostringstream p;
    p << "[Profile]\n\tTitle=\"Generated\"\n\tNbSamples=" << samples.size()
      << "\n\tDataType=DNA\n\tGenotypicData=0\n\tLocusSeparator=NONE\n\tMissingData='?'\n\n"
      << "[Data]\n\t[[Samples]]\n";
    for (std::size_t i = 0; i < samples.size(); ++i) {
        p << "\t\tSampleName=\"Pop" << i + 1 << "\"\n\t\tSampleSize=" << samples[i].size()
          << "\n\t\tSampleData={\n";
        // Equal neighbours are one haplotype with their count.
        for (std::size_t j = 0; j < samples[i].size(); ++j) {
            std::size_t count = 1;
            while (j + 1 < samples[i].size() && samples[i][j + 1] == samples[i][j])
                ++count, ++j;
            p << "\t\t\th" << i + 1 << "_" << j + 1 << "\t" << count << "\t" << samples[i][j] << "\n";
        }
        p << "\t\t}\n";
    }
    return p.str();
}

bool segregating(Sample const& sample, std::size_t site)
{
    for (std::string const& seq : sample)
        if (seq[site] != sample[0][site])
            return true;
    return false;
}

// Per sample: S, the mean number of pairwise differences (Tajima 1983),
// theta(S) = S/a1 (Watterson 1975) and Tajima's D (Tajima 1989).
struct Expected {
    int S = 0;
    double pi = 0, theta_S = 0, D = 0;
};

Expected expected_of(Sample const& sample)
{
    Expected e;
    const std::size_t L = sample[0].size();
    const double n = static_cast<double>(sample.size());
    for (std::size_t site = 0; site < L; ++site)
        e.S += segregating(sample, site);
    double differences = 0;
    for (std::size_t i = 0; i < sample.size(); ++i)
        for (std::size_t j = 0; j < i; ++j)
            for (std::size_t site = 0; site < L; ++site)
                differences += sample[i][site] != sample[j][site];
    e.pi = differences / (n * (n - 1) / 2);
    double a1 = 0, a2 = 0;
    for (int i = 1; i < n; ++i) {
        a1 += 1.0 / i;
        a2 += 1.0 / (static_cast<double>(i) * i);
    }
    e.theta_S = e.S / a1;
    const double b1 = (n + 1) / (3 * (n - 1)), b2 = 2 * (n * n + n + 3) / (9 * n * (n - 1));
    const double c1 = b1 - 1 / a1, c2 = b2 - (n + 2) / (a1 * n) + a2 / (a1 * a1);
    const double e1 = c1 / a1, e2 = c2 / (a1 * a1 + a2);
    e.D = (e.pi - e.S / a1) / std::sqrt(e1 * e.S + e2 * e.S * (e.S - 1));
    return e;
}

std::vector<std::string> tokens(std::string const& text)
{
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string t; in >> t;)
        out.push_back(t);
    return out;
}

std::vector<std::string> lines_of(std::string const& text)
{
    std::istringstream in(text);
    std::vector<std::string> out;
    for (std::string line; std::getline(in, line);)
        out.push_back(line);
    return out;
}

bool numeric(std::string const& t)
{
    char* end = nullptr;
    std::strtod(t.c_str(), &end);
    return !t.empty() && *end == '\0';
}

int decimals(std::string const& t)
{
    std::string::size_type dot = t.find('.');
    return dot == std::string::npos ? 0 : static_cast<int>(t.size() - dot - 1);
}

class SummaryBlocksE2E : public DrovexecTest {
protected:
    std::string run_project(std::string const& project, std::map<std::string, std::string> keys)
    {
        write("p.drp", project);
        write("p.drs", run_settings_text(keys));
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
        return read_text(work / "p.res" / "p.htm");
    }

    // From a block's title to the next anchor.
    static std::string block(std::string const& text, std::string const& title)
    {
        std::string::size_type at = text.find("\n" + title + "\n");
        if (at == std::string::npos)
            return "";
        return text.substr(at, text.find("<A NAME", at) - at);
    }

    // The n cells, Mean and s.d. of the first row labelled `label` in a label
    // column of `width`; empty when there is none.
    static std::vector<std::string> row(std::string const& block, std::string const& label,
                                        std::size_t width, std::size_t n)
    {
        for (std::string const& line : lines_of(block)) {
            if (line.size() <= width
                || line.substr(0, width) != std::string(width - label.size(), ' ') + label)
                continue;
            std::vector<std::string> t = tokens(line.substr(width));
            t.resize(n + 2);
            return t;
        }
        return {};
    }

    // The number after `prefix` in each sample's own section, in sample order.
    static std::vector<double> section_values(std::string const& text, std::string const& prefix)
    {
        std::vector<double> values;
        const std::string::size_type end = text.find("== Summary of computations");
        for (std::string::size_type at = text.find(prefix); at < end;
             at = text.find(prefix, at + 1))
            values.push_back(std::stod(text.substr(at + prefix.size())));
        return values;
    }

    // Every row whose cells are all numbers: Mean and s.d. are those of its
    // cells, within the rounding of the printed cells.
    static int check_means(std::string const& block, std::size_t n)
    {
        int rows = 0;
        for (std::string line : lines_of(block)) {
            line = line.substr(0, line.find("  Total:"));
            std::vector<std::string> t = tokens(line);
            if (t.size() < n + 3)
                continue;
            std::vector<std::string> cells(t.end() - static_cast<long>(n + 2), t.end());
            bool all_numbers = true;
            for (std::string const& c : cells)
                all_numbers = all_numbers && numeric(c);
            if (!all_numbers)
                continue;
            // Cells and Mean are printed rounded: allow one unit of the last
            // printed decimal of either.
            double sum = 0, sum_sq = 0, tolerance = std::pow(10.0, -decimals(cells[n]));
            for (std::size_t i = 0; i < n; ++i) {
                const double x = std::stod(cells[i]);
                sum += x;
                sum_sq += x * x;
                if (decimals(cells[i]) > 0)
                    tolerance = std::max(tolerance, std::pow(10.0, -decimals(cells[i])));
            }
            const double mean = sum / n;
            const double var = (sum_sq - n * mean * mean) / (n - 1.0);
            SCOPED_TRACE(line);
            EXPECT_NEAR(std::stod(cells[n]), mean, tolerance);
            EXPECT_NEAR(std::stod(cells[n + 1]), var > 0 ? std::sqrt(var) : 0.0, 2 * tolerance);
            ++rows;
        }
        return rows;
    }
};

const std::map<std::string, std::string> kAllBlocks = {
    {"TaskNumber", "16839"},  // 0x41C7
    {"ComputeTheta", "15"},
    {"MismatchDemogExp", "1"},
    {"MismatchSpatialExp", "1"},
    {"MismatchSpatialExpNumParams", "2"},
    {"NumBootExpDem", "100"},
};

TEST_F(SummaryBlocksE2E, CellsAreTheSamplesOwnValues)
{
    const std::vector<Sample> samples = generated_samples();
    const std::string text = run_project(project_text(samples), kAllBlocks);
    const std::size_t n = samples.size();
    const std::string moldiv = block(text, "Molecular diversity indexes");
    const std::string neutrality = block(text, "Neutrality tests");
    const std::string mismatch = block(text, "Mismatch analysis");
    ASSERT_NE(moldiv, "");
    ASSERT_NE(neutrality, "");
    ASSERT_NE(mismatch, "");

    // Sites of the level and sites of one sample alone.
    int total = 0, private_sites[3] = {0, 0, 0};
    for (std::size_t site = 0; site < samples[0][0].size(); ++site) {
        std::vector<int> in;
        for (std::size_t i = 0; i < n; ++i)
            if (segregating(samples[i], site))
                in.push_back(static_cast<int>(i));
        total += !in.empty();
        if (in.size() == 1)
            ++private_sites[in[0]];
    }
    EXPECT_THAT(moldiv, HasSubstr("  Total:" + std::string(12 - std::to_string(total).size(), ' ')
                                  + std::to_string(total) + "\n"));
    EXPECT_GT(private_sites[0] + private_sites[1] + private_sites[2], 0);

    auto cells = [&](std::string const& b, const char* label, std::size_t width) {
        return row(b, label, width, n);
    };
    const std::vector<double> tajima = section_values(text, "Tajima's D                            : ");
    const std::vector<double> fs = section_values(text, "Fs                           :");
    const std::vector<double> fs_p = section_values(text, "Prob(sim_Fs &lt;=obs_Fs)        :");
    const std::vector<double> F = section_values(text, "Observed F value                       :");
    const std::vector<double> theta_k = section_values(text, "         Theta(k) :");
    for (auto const* values : {&tajima, &fs, &fs_p, &F, &theta_k})
        ASSERT_EQ(values->size(), n);
    for (std::size_t i = 0; i < n; ++i) {
        SCOPED_TRACE("sample " + std::to_string(i + 1));
        const Expected e = expected_of(samples[i]);
        EXPECT_EQ(std::stoi(cells(moldiv, "No. of subst. sites", 25)[i]), e.S);
        EXPECT_EQ(std::stoi(cells(moldiv, "No. private subst. sites", 25)[i]), private_sites[i]);
        EXPECT_NEAR(std::stod(cells(moldiv, "Pi", 25)[i]), e.pi, 5e-4);
        EXPECT_NEAR(std::stod(cells(moldiv, "Theta_S", 25)[i]), e.theta_S, 5e-6);
        EXPECT_NEAR(std::stod(cells(moldiv, "Theta_pi", 25)[i]), e.pi, 5e-6);
        EXPECT_NEAR(std::stod(cells(moldiv, "Theta_k", 25)[i]), theta_k[i], 5e-6);
        EXPECT_EQ(std::stoi(cells(neutrality, "Sample size", 60)[i]),
                  static_cast<int>(samples[i].size()));
        EXPECT_EQ(std::stoi(cells(neutrality, "S", 60)[i]), e.S);
        EXPECT_NEAR(std::stod(cells(neutrality, "Tajima's D", 60)[i]), e.D, 5e-6);
        EXPECT_NEAR(std::stod(cells(neutrality, "Tajima's D", 60)[i]), tajima[i], 5e-6);
        EXPECT_NEAR(std::stod(cells(neutrality, "Observed F value", 60)[i]), F[i], 5e-6);
        EXPECT_NEAR(std::stod(cells(neutrality, "FS", 60)[i]), fs[i], 5e-6);
        EXPECT_NEAR(std::stod(cells(neutrality, "FS p-value", 60)[i]), fs_p[i], 5e-6);
    }
    // The expected numbers of alleles of Chakraborty's test (under theta(H))
    // and of Fu's (under theta(pi): sum of pi / (pi + j), j < n), each sample
    // printing Chakraborty's first; each sub-table shows its own test's.
    const std::vector<double> expected_k = section_values(text, "Exp. No. of alleles          :");
    ASSERT_EQ(expected_k.size(), 2 * n);
    const auto chakraborty_at = neutrality.find("Chakraborty's test");
    const std::string chakraborty = neutrality.substr(chakraborty_at, neutrality.find("Tajima's D test") - chakraborty_at);
    const std::string fu = neutrality.substr(neutrality.find("Fu's FS test"));
    for (std::size_t i = 0; i < n; ++i) {
        SCOPED_TRACE("sample " + std::to_string(i + 1));
        const double pi = expected_of(samples[i]).pi;
        double fu_k = 0;
        for (std::size_t j = 0; j < samples[i].size(); ++j)
            fu_k += pi / (pi + static_cast<double>(j));
        EXPECT_NEAR(expected_k[2 * i + 1], fu_k, 5e-5);
        EXPECT_NEAR(std::stod(cells(fu, "Exp. no. of alleles", 60)[i]), fu_k, 5e-5);
        EXPECT_NEAR(std::stod(cells(chakraborty, "Exp. no. of alleles", 60)[i]), expected_k[2 * i],
                    5e-6);
    }
    // Every row of numbers, over the three tables.
    EXPECT_GE(check_means(moldiv, n), 19);
    EXPECT_GE(check_means(neutrality, n), 20);
    EXPECT_EQ(check_means(mismatch, n), 38);

    EXPECT_THAT(neutrality, HasSubstr("\n" + std::string(22, ' ')
                                      + "   Watterson test: Pr(rand F &lt;= obs F)"));
    EXPECT_THAT(mismatch, HasSubstr("\nSpatial expansion\n-----------------\n"));
    EXPECT_FALSE(cells(mismatch, "Raggedness p-value", 25).empty());
}

TEST_F(SummaryBlocksE2E, RflpDataAndCheckedHaplotypes)
{
    std::string text = run_project(read_text(fs::path(DROV_TEST_DATA) / "run" / "rflp1.drp"),
                                   kAllBlocks);
    std::string moldiv = block(text, "Molecular diversity indexes");
    EXPECT_THAT(moldiv, HasSubstr("-\n                  Theta_k"));
    EXPECT_THAT(moldiv, Not(HasSubstr("No. of")));
    EXPECT_THAT(moldiv, Not(HasSubstr("\n                       Pi")));
    EXPECT_THAT(text, HasSubstr("\nMismatch analysis\n"));

    std::map<std::string, std::string> keys = kAllBlocks;
    keys["InferHaplotypeDefinitionFromDistanceMatrix"] = "1";
    text = run_project(read_text(fs::path(DROV_TEST_DATA) / "run" / "three_samples.drp"), keys);
    std::string neutrality = block(text, "Neutrality tests");
    EXPECT_THAT(neutrality, HasSubstr("\n" + std::string(41, ' ') + "Real no. of alleles           2           2           2     2.00000     0.00000\n"
                                      + std::string(40, ' ') + "Orig. no. of alleles           2           2           2     2.00000     0.00000\n"));
    EXPECT_THAT(neutrality, Not(HasSubstr("(unchecked)")));
}

}  // namespace
