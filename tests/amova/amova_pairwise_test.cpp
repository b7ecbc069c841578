// The population pairwise comparisons (Amova::CalcPairDist): the two-sample
// AMOVA of each pair against hand values and against an independent AMOVA
// written from the textbook formulas, the permutation counts and their P
// values, the uniformity of the shuffle, the pair without gene copies, the
// report's marks and its batch summary lines.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <iomanip>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "amova/amova_fixture.h"
#include "amova/amova_pairwise.h"
#include "comparisons/mantel.h"
#include "comparisons/solve_div_times.h"
#include "core/random.h"
#include "summary/sumstat.h"

namespace {

void seed_ran3(long seed)
{
    ran3(&seed);
}

bool has(std::string const& text, std::string const& part)
{
    return text.find(part) != std::string::npos;
}

class PairwiseTest : public AmovaTest {
protected:
    void SetUp() override
    {
        AmovaTest::SetUp();
        use_profile(DNA, 0, 1);
        s.TaskNumber = settings::PAIRWISE_FST;
        s.ComputePairwiseFST = 1;
        s.PrintFstVals = 1;
        s.PrintMissIntermatchs = 0;
        s.UnequalPopSizeDiv = 0;
        s.PrintConcestryCoeff = s.PrintSlatkinsDist = 0;
        s.NumPermutationsFST = 0;
        s.FSTSignifLevel = 0.05;
        settings::input_file = "p.drp";
        seed_ran3(-1234);
    }

    // Sum of the distances between the gene copies ids[from..to), each pair once.
    double distance_sum(std::vector<int> const& ids, size_t from, size_t to)
    {
        double sum = 0;
        for (size_t u = from; u < to; ++u)
            for (size_t v = u + 1; v < to; ++v)
                sum += project.dist_mat(ids[u], ids[v]);
        return sum;
    }

    void TearDown() override
    {
        for (std::ofstream** stream : streams())
            *stream = nullptr;
        _PAIRWISE_DIST_ = 0;
        SumStat.PAIRWISE_FST = SumStat.PAIRWISE_PI = false;
        AmovaTest::TearDown();
    }

    static std::vector<std::ofstream**> streams()
    {
        return {&ofs_pairw_dist, &ofs_FST_dist, &ofs_varComp_dist, &ofs_pairw_diffs,
                &ofs_tau_uneq, &ofs_concest, &ofs_slatkins, &ofs_NM_vals};
    }

    // The eight batch files of the comparisons, in the work folder.
    std::map<std::string, std::ofstream> files;
    void open_batch_files()
    {
        const char* names[] = {"pairdist.sum", "FSTdist.sum", "VCompdist.sum", "pairdiff.sum",
                               "tau_uneq.sum", "coanst_c.sum", "slatkin.sum", "NM_value.sum"};
        std::vector<std::ofstream**> targets = streams();
        for (size_t k = 0; k < targets.size(); ++k) {
            files[names[k]].open(dir / names[k]);
            *targets[k] = &files[names[k]];
        }
        _PAIRWISE_DIST_ = 1;
    }
    std::string batch_file(std::string const& name)
    {
        files[name].flush();
        return read_text(dir / name);
    }

    void replay_permutation_tests(bool by_individuals, int alleles = 0);

    // 36 haplotypes of alleles at two loci, sizes 100 + (7k mod 13) and,
    // missing for every fifth, 5 + (k mod 4); the matrix of their distances;
    // the haplotypes of three samples of 12, 14 and 10 gene copies.
    std::vector<std::vector<int>> microsat_haplotypes(bool squared)
    {
        const int H = 36;
        matrix(H);
        std::vector<std::vector<int>> size(H);
        for (int k = 0; k < H; ++k) {
            size[k] = {100 + 7 * k % 13, k % 5 == 0 ? -1 : 5 + k % 4};
            std::string content = std::to_string(size[k][0]) + " "
                                  + (size[k][1] < 0 ? "?" : std::to_string(size[k][1]));
            HaploDef* def = project.haplo_list.list.data[k];
            def->content = content.c_str();
            def->build_haplovect(&project.allele_db, ' ', 0, 1.0);
            for (int j = 0; j < k; ++j) {
                double d = 0;
                for (int l = 0; l < 2; ++l)
                    if (size[k][l] >= 0 && size[j][l] >= 0)
                        d += squared ? (size[k][l] - size[j][l]) * (size[k][l] - size[j][l])
                                     : size[k][l] != size[j][l];
                project.dist_mat(k, j) = d;
            }
        }
        std::vector<std::vector<int>> copies(3);
        for (int k = 0; k < H; ++k)
            copies[k < 12 ? 0 : k < 26 ? 1 : 2].push_back(k);
        return copies;
    }

    std::string run_pairwise()
    {
        make_amova();
        return results_text();
    }
};

// d(A, B) = 1; X = {A x3, B}, Y = {B x4}. N = 8, nc = 4, S_X = 3, B = 12:
// Va = ((12 + 3) / 8 - 3/4 - 3/4 / 6) / 4 = 0.25, Vb = 0.125, FST = 2/3;
// PiX = 6/12, PiY = 0, PiXY = 12/16, corrected 0.75 - 0.25; coancestry
// -ln(1/3), linearized 2, M = (1/3) / (4/3).
TEST_F(PairwiseTest, HandComputedPairInEveryTable)
{
    matrix(2);
    sample({{0, 3}, {1, 1}});
    sample({{1, 4}});
    s.PrintMissIntermatchs = s.UnequalPopSizeDiv = 1;
    s.PrintConcestryCoeff = s.PrintSlatkinsDist = 1;
    open_batch_files();
    std::string text = run_pairwise();

    EXPECT_TRUE(has(text, "\n== Comparisons of pairs of population samples\n")) << text;
    EXPECT_TRUE(has(text, "  1:\tpop1\n  2:\tpop2\n"));
    EXPECT_TRUE(has(text, "Population pairwise FSTs\n------------------------\n\n"
                          "                     1         2\n"
                          "           1   0.00000\n           2   0.66667   0.00000\n"));
    EXPECT_TRUE(has(text, "            1    0.50000    0.75000\n"
                          "            2    0.50000    0.00000\n"));
    // w = 11: the test is off (no permutations).
    EXPECT_TRUE(has(text, "            2    1.09861   -0.00000\n"));
    EXPECT_TRUE(has(text, "            2    2.00000    0.00000\n"));
    EXPECT_TRUE(has(text, "            2    0.25000\n"));
    // PiY = 0: no divergence estimate and no failure mark.
    EXPECT_TRUE(has(text, "            2    0.00000             0.00000         \n"));
    EXPECT_FALSE(has(text, "         *")) << text;
    EXPECT_FALSE(has(text, "FST P values"));

    EXPECT_EQ(batch_file("pairdist.sum"), "\"p.drp\"\t0\t\n0.666667\t0\t\n\n");
    EXPECT_EQ(batch_file("VCompdist.sum"), "\"p.drp\"\t0\t0\t0.25\t0.375\t0\t0\t\n");
    EXPECT_EQ(batch_file("pairdiff.sum"), "\"p.drp\"\t0.5\t0.75\t\n0.5\t0\t\n\n");
    EXPECT_EQ(batch_file("coanst_c.sum"), "\"p.drp\"\t-0\t1.09861\t-0\t\n");
    EXPECT_EQ(batch_file("slatkin.sum"), "\"p.drp\"\t0\t2\t0\t\n");
    EXPECT_EQ(batch_file("NM_value.sum"), "\"p.drp\"\t0.25\t\n");
    EXPECT_EQ(batch_file("tau_uneq.sum"), "\"p.drp\"\t0\t0\t0\t\n0\t\n0\t0\t\n0\t\n0\t0\t\n\n");
}

// Without PrintFstVals the FST files get only their end of line, and the
// file of pairwise differences still gets the project's name before its values.
TEST_F(PairwiseTest, BatchLinesWithoutPrintedFst)
{
    matrix(2);
    sample({{0, 3}, {1, 1}});
    sample({{1, 4}});
    s.PrintFstVals = 0;
    s.PrintMissIntermatchs = 1;
    s.PrintConcestryCoeff = 1;
    open_batch_files();
    std::string text = run_pairwise();
    EXPECT_FALSE(has(text, "Population pairwise FSTs"));
    EXPECT_FALSE(has(text, "coancestry"));
    for (const char* name : {"pairdist.sum", "FSTdist.sum", "VCompdist.sum", "tau_uneq.sum",
                             "coanst_c.sum"})
        EXPECT_EQ(batch_file(name), "\n") << name;
    EXPECT_EQ(batch_file("pairdiff.sum"), "\"p.drp\"\t0.5\t0.75\t\n0.5\t0\t\n\n");
    EXPECT_EQ(batch_file("NM_value.sum"), "");
}

// A generated data set: each pair's FST and PiXY against a two-sample AMOVA
// over the individual gene copies (Excoffier, Smouse and Quattro 1992):
// SSD within and among, MS = SSD / d.f., n0 = N - (nX^2 + nY^2) / N,
// sigma2_a = (MSA - MSW) / n0, FST = sigma2_a / (sigma2_a + MSW).
TEST_F(PairwiseTest, EveryPairMatchesAnIndependentTwoSampleAmova)
{
    const int H = 7;
    long seed = -97;
    // Squared Euclidean distances between random points: a metric of the
    // kind the distance methods give, with distinct values.
    std::vector<double> point(H);
    for (double& x : point)
        x = 10 * ran3(&seed);
    matrix(H);
    for (int i = 0; i < H; ++i)
        for (int j = 0; j < i; ++j)
            project.dist_mat(i, j) = (point[i] - point[j]) * (point[i] - point[j]);
    const int P = 4;
    std::vector<std::vector<int>> copies(P);  // haplotype of each gene copy
    for (int p = 0; p < P; ++p) {
        std::vector<std::pair<int, int>> records;
        for (int h = 0; h < H; ++h) {
            int c = static_cast<int>(5 * ran3(&seed)) - 1 + (h == p ? 3 : 0);
            if (c > 0) {
                records.push_back({h, c});
                copies[p].insert(copies[p].end(), c, h);
            }
        }
        sample(records);
    }
    SumStat.PAIRWISE_FST = SumStat.PAIRWISE_PI = true;
    s.PrintMissIntermatchs = 1;
    run_pairwise();

    auto d = [&](int a, int b) { return project.dist_mat(a, b); };
    ASSERT_EQ(SumStat.pairFST.count, 6);
    ASSERT_EQ(SumStat.pairPI.count, 6);
    int at = 0;
    for (int i = 1; i < P; ++i)
        for (int j = 0; j < i; ++j, ++at) {
            SCOPED_TRACE("pair " + std::to_string(j + 1) + "-" + std::to_string(i + 1));
            std::vector<int> const& x = copies[j];
            std::vector<int> const& y = copies[i];
            double nx = x.size(), ny = y.size(), n = nx + ny;
            auto ssd = [&](std::vector<int> const& a) {
                double sum = 0;
                for (size_t u = 0; u < a.size(); ++u)
                    for (size_t v = u + 1; v < a.size(); ++v)
                        sum += d(a[u], a[v]);
                return sum / a.size();
            };
            std::vector<int> all = x;
            all.insert(all.end(), y.begin(), y.end());
            double between = 0;
            for (int a : x)
                for (int b : y)
                    between += d(a, b);
            double ssdWithin = ssd(x) + ssd(y);
            double ssdAmong = ssd(all) - ssdWithin;
            double msw = ssdWithin / (n - 2), msa = ssdAmong / 1;
            double n0 = n - (nx * nx + ny * ny) / n;
            double sigmaA = (msa - msw) / n0;
            EXPECT_NEAR(SumStat.pairFST[at], sigmaA / (sigmaA + msw), 1e-6);
            EXPECT_NEAR(SumStat.pairPI[at], between / (nx * ny), 1e-6);
        }
}

// The permutation tests of three samples replayed over the individual gene
// copies: the same ran3 draws split the joint copies of each pair (pairs in
// order 1-2, 1-3, 2-3), and each split's Va, PiXY and corrected PiXY are
// computed from all its pairs of copies. Distances are multiples of 1/4, so
// that every sum is exact and the hits are counted without rounding; the
// batch files give the P values at their printed precision.
//
// With `alleles` every gene copy is a haplotype of its own, with
// microsatellite alleles at two loci (the second with missing data), and the
// matrix is their number of different alleles (1) or their sum of squared
// size differences (2): the comparisons then sum from allele counts.
void PairwiseTest::replay_permutation_tests(bool by_individuals, int alleles)
{
    std::vector<std::vector<int>> copies;
    if (alleles) {
        copies = microsat_haplotypes(alleles == 2);
    } else {
        const int H = 6;
        const double position[H] = {0, 0.5, 1.5, 2, 3.5, 4};
        matrix(H);
        for (int i = 0; i < H; ++i)
            for (int j = 0; j < i; ++j)
                project.dist_mat(i, j) =
                    (position[i] - position[j]) * (position[i] - position[j]);
        copies = {{0, 0, 1, 2, 0, 1, 3, 0}, {2, 3, 3, 4, 2, 5, 1, 3, 2, 2}, {4, 5, 5, 3, 0, 4}};
    }
    for (std::vector<int> const& c : copies) {
        std::vector<std::pair<int, int>> units;
        for (size_t k = 0; k < c.size(); k += by_individuals ? 2 : 1)
            units.push_back({c[k], by_individuals ? c[k + 1] : 1});
        by_individuals ? individuals(units) : sample(units);
    }
    s.NumPermutationsFST = 200;
    s.PrintMissIntermatchs = 1;
    open_batch_files();
    seed_ran3(-77);
    const int P = make_amova()->numPermutations;
    ASSERT_EQ(P, 210);  // 200 raised to a multiple of K = 14

    // Va, PiXY and corrected PiXY of the split: the first nX ids against the rest.
    auto statistics = [&](std::vector<int> const& ids, size_t nX) {
        double N = ids.size(), nx = nX, ny = N - nx;
        double sx = distance_sum(ids, 0, nX), sy = distance_sum(ids, nX, ids.size());
        double between = distance_sum(ids, 0, ids.size()) - sx - sy;
        double within = sx / nx + sy / ny;
        double n0 = N - (nx * nx + ny * ny) / N;
        double va = ((distance_sum(ids, 0, ids.size()) / N - within) - within / (N - 2)) / n0;
        double piXY = between / (nx * ny);
        double corrected = piXY - (sx / (nx * (nx - 1) / 2) + sy / (ny * (ny - 1) / 2)) / 2;
        return std::vector<double>{va, piXY, corrected};
    };
    auto text = [](double v) {
        std::ostringstream out;
        out << v;
        return out.str();
    };
    std::map<std::pair<int, int>, std::vector<std::string>> expected;
    seed_ran3(-77);
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j) {
            std::vector<int> ids = copies[i];
            ids.insert(ids.end(), copies[j].begin(), copies[j].end());
            const int nX = static_cast<int>(copies[i].size());
            const std::vector<double> observed = statistics(ids, nX);
            int hits[3] = {0, 0, 0};
            for (int p = 0; p < P; ++p) {
                shuffle_pair_vector(ids.data(), nX, static_cast<int>(ids.size()), by_individuals);
                std::vector<double> permuted = statistics(ids, nX);
                for (int k = 0; k < 3; ++k)
                    hits[k] += permuted[k] >= observed[k];
            }
            expected[{j, i}] = {text(hits[0] / (P + 1.0)), text(hits[1] / double(P)),
                                text(hits[2] / double(P))};
        }
    auto rows = [](std::string const& values, int first_line) {
        std::istringstream in(values);
        std::string line;
        std::vector<std::vector<std::string>> out;
        for (int at = 0; std::getline(in, line); ++at)
            if (at >= first_line) {
                std::istringstream cells(line);
                out.emplace_back();
                for (std::string cell; std::getline(cells, cell, '\t');)
                    out.back().push_back(cell);
            }
        return out;
    };
    std::string fst = batch_file("pairdist.sum");
    auto fstRows = rows(fst.substr(fst.find("p-Values matrix")), 1);
    // pairdiff.sum: 3 rows of differences (the first after the project's
    // name), then 3 rows of PiXY P values and 3 of corrected PiXY P values.
    auto diffRows = rows(batch_file("pairdiff.sum"), 3);
    ASSERT_GE(fstRows.size(), 3u);
    ASSERT_GE(diffRows.size(), 6u);
    for (auto const& [pair, values] : expected) {
        SCOPED_TRACE(std::to_string(pair.second + 1) + "-" + std::to_string(pair.first + 1));
        EXPECT_EQ(fstRows[pair.first].at(pair.second), values[0]);
        EXPECT_EQ(diffRows[pair.first].at(pair.second), values[1]);
        EXPECT_EQ(diffRows[3 + pair.first].at(pair.second), values[2]);
    }
}

TEST_F(PairwiseTest, PermutationTestsOfGeneCopiesMatchAReplay)
{
    replay_permutation_tests(false);
}

TEST_F(PairwiseTest, PermutationTestsOfIndividualsMatchAReplay)
{
    use_profile(DNA, 1, 0);
    replay_permutation_tests(true);
}

TEST_F(PairwiseTest, PermutationTestsOfIndividualsFromAlleleCountsMatchAReplay)
{
    use_profile(MICROSAT, 1, 0);
    replay_permutation_tests(true, 2);
}

TEST_F(PairwiseTest, PermutationTestsOfGeneCopiesFromAlleleCountsMatchAReplay)
{
    use_profile(MICROSAT, 0, 1);
    replay_permutation_tests(false, 1);
}

TEST_F(PairwiseTest, PermutationCountsAndPValueDivisor)
{
    struct Case {
        int asked;
        const char* count;    // permutations written, or null without a test
        const char* p_value;  // of a pair whose every permutation is a hit: P' / (P' + 1)
    };
    const Case cases[] = {
        {100, "110", "   0.99099+-0.0030"},
        {1000, "1023", "   0.99902+-0.0002"},
        {1, "2", "   0.66667+-0.0000"},
        {3, "4", "   0.80000+-0.0000"},
        {0, nullptr, nullptr},
        {-5, nullptr, nullptr},
    };
    matrix(2, 0.0);  // every split has Va 0
    sample({{0, 2}, {1, 1}});
    sample({{1, 3}});
    for (Case const& c : cases) {
        SCOPED_TRACE(c.asked);
        s.NumPermutationsFST = c.asked;
        s.TestSignificancePairewiseFST = 7;
        results.close();
        results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
        std::unique_ptr<Amova> a = make_amova();
        std::string text = results_text();
        EXPECT_EQ(s.TestSignificancePairewiseFST, c.count ? 1 : 0);
        if (!c.count) {
            EXPECT_FALSE(has(text, "FST P values"));
            EXPECT_EQ(a->numPermutations, 2);  // 1 raised to the first multiple of K = 1
            continue;
        }
        EXPECT_EQ(std::to_string(a->numPermutations), c.count);
        EXPECT_TRUE(has(text, std::string("Number of permutations : ") + c.count + "\n\n"));
        EXPECT_TRUE(has(text, std::string("           2") + c.p_value + "           *\n")) << text;
    }
}

// The split of 3 + 3 gene copies (20) and of 2 + 2 individuals (6) is
// uniform: chi-square of 10^5 shuffles below the 0.999 quantile.
TEST(PairShuffle, ReachesEverySplitUniformly)
{
    struct Case {
        int nX, N;
        bool individuals;
        int splits;
        double chi2_limit;  // 0.999 quantile with splits - 1 d.f.
    };
    const Case cases[] = {{3, 6, false, 20, 43.82}, {4, 8, true, 6, 20.52}};
    const int draws = 100000;
    for (Case const& c : cases) {
        SCOPED_TRACE(c.splits);
        seed_ran3(-4321);
        std::vector<int> ids(c.N);
        for (int k = 0; k < c.N; ++k)
            ids[k] = k;
        std::map<int, int> seen;  // first sample as a bit set of units
        for (int t = 0; t < draws; ++t) {
            shuffle_pair_vector(ids.data(), c.nX, c.N, c.individuals);
            int set = 0;
            for (int k = 0; k < c.nX; ++k) {
                if (c.individuals) {
                    ASSERT_EQ(ids[k] / 2, ids[k ^ 1] / 2);  // copies of one individual together
                    set |= 1 << (ids[k] / 2);
                } else {
                    set |= 1 << ids[k];
                }
            }
            ++seen[set];
        }
        ASSERT_EQ(static_cast<int>(seen.size()), c.splits);
        double expected = static_cast<double>(draws) / c.splits, chi2 = 0;
        for (auto const& [set, count] : seen)
            chi2 += (count - expected) * (count - expected) / expected;
        EXPECT_LT(chi2, c.chi2_limit);
    }
}

// The divergence parameters of three samples tested by permutation, replayed
// here: the same ran3 draws estimate each pair (observed first, 50 attempts)
// and then split its joint copies and estimate every split (20 attempts).
// Every permuted estimate that converges enters the P values, a negative
// tau' included; the pair A-C, whose PiC is above its PiXY, is solved only
// outside the model: it is marked and has no P values. Samples of 4 and 8
// copies and distances in quarters make every mean difference the correctly
// rounded quotient of an exact sum, as the program's are.
TEST_F(PairwiseTest, DivergenceTestsCountEveryConvergedReplicate)
{
    const double position[] = {0, 2, 2.5, 4, 5.5, 6};
    const int H = 6;
    matrix(H);
    for (int i = 0; i < H; ++i)
        for (int j = 0; j < i; ++j)
            project.dist_mat(i, j) = (position[i] - position[j]) * (position[i] - position[j]);
    const std::vector<std::vector<int>> copies = {
        {1, 1, 1, 2}, {5, 5, 5, 4}, {0, 0, 0, 0, 3, 3, 3, 3}};
    for (std::vector<int> const& c : copies) {
        std::vector<std::pair<int, int>> units;
        for (int h : c)
            units.push_back({h, 1});
        sample(units);
    }
    s.NumPermutationsFST = 20;
    s.PrintMissIntermatchs = s.UnequalPopSizeDiv = 1;
    open_batch_files();
    seed_ran3(-55);
    const int P = make_amova()->numPermutations;
    ASSERT_EQ(P, 24);  // 20 raised to a multiple of K = 4
    const std::string text = results_text();

    // PiX, PiY and PiXY of the split: the first nX ids against the rest.
    auto differences = [&](std::vector<int> const& ids, size_t nX) {
        double nx = nX, ny = ids.size() - nx;
        double sx = distance_sum(ids, 0, nX), sy = distance_sum(ids, nX, ids.size());
        double between = distance_sum(ids, 0, ids.size()) - sx - sy;
        return std::vector<double>{2 * sx / (nx * (nx - 1)), 2 * sy / (ny * (ny - 1)),
                                   between / (nx * ny)};
    };
    auto text_of = [](double v) {
        std::ostringstream out;
        out << v;
        return out.str();
    };
    struct Expected {
        bool marked;
        std::string p[3];  // tau, k, theta0
        long entered;
    };
    std::map<std::pair<int, int>, Expected> expected;
    long negative_tau = 0;
    seed_ran3(-55);
    for (int i = 0; i < 3; ++i)
        for (int j = i + 1; j < 3; ++j) {
            std::vector<int> ids = copies[i];
            ids.insert(ids.end(), copies[j].begin(), copies[j].end());
            const int nX = static_cast<int>(copies[i].size());
            std::vector<double> pi = differences(ids, nX);
            TSolveDivTimes observed(pi[0], pi[1], pi[2]);
            const bool tested = observed.solve(50) == 0 && observed.within_model();
            const double values[3] = {static_cast<double>(observed.tau),
                                      static_cast<double>(observed.k),
                                      static_cast<double>(observed.theta0)};
            long entered = 0, hits[3] = {0, 0, 0};
            for (int p = 0; p < P; ++p) {
                shuffle_pair_vector(ids.data(), nX, static_cast<int>(ids.size()), false);
                pi = differences(ids, nX);
                if (pi[0] == 0 || pi[1] == 0 || pi[2] == 0)
                    continue;
                TSolveDivTimes permuted(pi[0], pi[1], pi[2]);
                if (permuted.solve(20) != 0 || !tested)
                    continue;
                ++entered;
                negative_tau += permuted.tau < 0;
                hits[0] += permuted.tau >= values[0];
                hits[1] += permuted.k >= values[1];
                hits[2] += permuted.theta0 >= values[2];
            }
            Expected& e = expected[{j, i}];
            e.marked = !tested;
            e.entered = entered;
            for (int v = 0; v < 3; ++v)
                e.p[v] = entered > 0 ? text_of(hits[v] / static_cast<double>(entered)) : "-1";
        }
    const std::pair<int, int> AB{1, 0}, AC{2, 0}, BC{2, 1};
    ASSERT_TRUE(expected[AC].marked);
    ASSERT_FALSE(expected[AB].marked);
    ASSERT_FALSE(expected[BC].marked);
    EXPECT_GT(negative_tau, 0);  // the replicates below the observed tau are in

    // tau_uneq.sum: the tau values on one line, then by rows of 3 the tau P
    // values, k, k P values, theta0 and theta0 P values.
    std::istringstream in(batch_file("tau_uneq.sum"));
    std::vector<std::vector<std::string>> rows;
    for (std::string line; std::getline(in, line);) {
        std::istringstream cells(line);
        rows.emplace_back();
        for (std::string cell; std::getline(cells, cell, '\t');)
            rows.back().push_back(cell);
    }
    ASSERT_GE(rows.size(), 16u);
    std::ostringstream counts;
    counts << std::setw(15) << 2 << std::setw(13) << expected[AB].entered << "\n"
           << std::setw(15) << 3 << std::setw(13) << expected[AC].entered << std::setw(13)
           << expected[BC].entered << "\n";
    EXPECT_TRUE(has(text, "Permuted estimates in the tau, k and theta0 P values\n"
                          + std::string(52, '-') + "\n\n" + std::string(27, ' ') + "1"
                          + std::string(12, ' ') + "2\n\n" + counts.str()))
        << text;
    EXPECT_TRUE(has(text, "\nP values of -1 are not computed"));
    for (auto const& [pair, e] : expected) {
        SCOPED_TRACE(std::to_string(pair.second + 1) + "-" + std::to_string(pair.first + 1));
        EXPECT_EQ(rows[1 + pair.first].at(pair.second), e.p[0]);
        EXPECT_EQ(rows[7 + pair.first].at(pair.second), e.p[1]);
        EXPECT_EQ(rows[13 + pair.first].at(pair.second), e.p[2]);
    }
    // Only A-C carries the mark, in each of the three tables of estimates.
    size_t marks = 0;
    for (size_t at = text.find("         *\n"); at != std::string::npos;
         at = text.find("         *\n", at + 1))
        ++marks;
    EXPECT_EQ(marks, 3u);
}

// A sample without gene copies: ERROR 72 for its pairs, P -1 and a closing
// note; the other pair is computed and the population table is put back.
TEST_F(PairwiseTest, PairWithoutGeneCopiesIsMarkedAndTheOthersGoOn)
{
    matrix(2);
    sample({{0, 3}, {1, 1}});
    sample({});
    sample({{1, 4}});
    groups({{0, 2}});
    s.NumPermutationsFST = 10;
    std::unique_ptr<Amova> a = make_amova();
    std::string text = results_text();
    std::string log = take_log();
    EXPECT_TRUE(has(log, "\"Amova::CalcPairDist()\" : no degrees of freedom left")) << log;
    EXPECT_TRUE(has(text, "           3   0.66667   0.00000   0.00000\n")) << text;
    EXPECT_TRUE(has(text, "           2  -1.00000+-0.0000           *\n")) << text;
    EXPECT_TRUE(has(text, "\nA pair of samples without gene copies could not be compared"));
    // Not significant although below the level: no test was made.
    const std::string pad = "         ";
    EXPECT_TRUE(has(text, "           2" + pad + "-" + pad + " " + pad + "-\n"));
    // The table of the structure's two samples is back in place.
    EXPECT_EQ(a->popTable.size(), 2u);
}

// FST 1 (pops 1-2), 0 (1-3) and below 0 (3-4) in the coancestry, linearized
// and M tables and their batch lines.
TEST_F(PairwiseTest, FstOfOneZeroAndBelowZeroInTheDerivedTables)
{
    matrix(2);
    sample({{0, 2}});
    sample({{1, 2}});
    sample({{0, 1}, {1, 1}});
    sample({{0, 1}, {1, 1}});
    s.PrintConcestryCoeff = s.PrintSlatkinsDist = 1;
    open_batch_files();
    std::string text = run_pairwise();
    EXPECT_TRUE(has(text, "           4   0.00000   0.00000  -1.00000   0.00000\n")) << text;
    const std::string coancestry = "Matrix of coancestry coefficients";
    const std::string slatkin = "Matrix of Slatkin linearized FSTs";
    const std::string m = "Matrix of M values";
    size_t c = text.find(coancestry), l = text.find(slatkin), mv = text.find(m);
    ASSERT_TRUE(c != std::string::npos && l != std::string::npos && mv != std::string::npos);
    std::string ctable = text.substr(c, l - c), ltable = text.substr(l, mv - l),
                mtable = text.substr(mv);
    EXPECT_TRUE(has(ctable, "\n           2       inf  -0.00000\n")) << ctable;
    EXPECT_TRUE(has(ctable, "\n           4  -0.00000  -0.00000         0  -0.00000\n"));
    EXPECT_TRUE(has(ltable, "\n           2       inf   0.00000\n")) << ltable;
    EXPECT_TRUE(has(ltable, "\n           4   0.00000   0.00000         0   0.00000\n"));
    EXPECT_TRUE(has(mtable, "\n           2   0.00000\n           3       inf       inf\n"
                            "           4       inf       inf       inf\n"))
        << mtable;
    EXPECT_EQ(batch_file("NM_value.sum"), "\"p.drp\"\t0\tinf\tinf\tinf\tinf\tinf\t\n");
    EXPECT_TRUE(has(batch_file("coanst_c.sum"), "\t-0\tinf\t-0\t"));
    // Without PrintMissIntermatchs, "pairdiff.sum" gets the name and the end of line only.
    EXPECT_EQ(batch_file("pairdiff.sum"), "\"p.drp\"\t\n");
}

// A Mantel test asked alone, with Y built from FST: the pairwise FST is
// computed for it (no test on a matrix of zeros) and nothing is reported.
TEST_F(PairwiseTest, MantelTestAloneGetsTheComputedFst)
{
    matrix(2);
    sample({{0, 2}});
    sample({{1, 2}});
    sample({{0, 1}, {1, 1}});
    sample({{0, 1}, {1, 1}});
    Mantel& m = project.mantel;
    m.MatrixSize = 4;
    m.YMatrixLabels.reset(new my_string[4]);
    m.Matrix1.create(4);
    const double fst[4][4] = {{0}, {1, 0}, {0, 0, 0}, {0, 0, -1, 0}};
    for (int i = 0; i < 4; ++i) {
        std::string name = "pop" + std::to_string(i + 1);
        m.YMatrixLabels[i] = name.c_str();
        m.UsedYMatrixLabels.Add(my_string(name.c_str()));
        for (int j = 0; j < i; ++j)
            m.Matrix1(i, j) = fst[i][j];
    }
    m.MatrixNumber = 2;
    m.YMatrix = "fst";
    m.Profile.RunSettings = &s;
    s.TaskNumber = settings::MANTEL_TEST;
    s.ComputePairwiseFST = 0;
    s.NumPermMantel = 10;
    make_amova();
    EXPECT_DOUBLE_EQ(m.rY1, 1.0);
    std::string text = results_text();
    EXPECT_FALSE(has(text, "Comparisons of pairs")) << text;
    EXPECT_TRUE(has(text, "== MATRIX CORRELATION ANALYSIS (MANTEL TESTS)"));
}

TEST_F(PairwiseTest, SignificanceMarkAtTheLevelAndOneSample)
{
    matrix(2, 0.0);
    sample({{0, 2}});
    sample({{1, 2}});
    s.NumPermutationsFST = 3;  // P = 4/5 for every pair
    for (double level : {0.8, 0.80001}) {
        SCOPED_TRACE(level);
        s.FSTSignifLevel = level;
        results.close();
        results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
        std::string text = run_pairwise();
        EXPECT_TRUE(has(text, std::string("           2         ") + (level == 0.8 ? "-" : "+")
                                  + "          \n"))
            << text;
    }

    project.samples->Populations.Detach(1);
    s.PrintMissIntermatchs = 1;
    results.close();
    results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
    std::string text = run_pairwise();
    EXPECT_TRUE(has(text, "                     1\n           1   0.00000\n")) << text;
    EXPECT_TRUE(has(text, std::string(23, ' ') + "1\n           1           *\n"));
    EXPECT_TRUE(has(text, "PXY P value\n-----------\n\n                         1\n\n"));
}

TEST_F(PairwiseTest, RecessiveDataOfUnknownPhaseAreRefused)
{
    matrix(2);
    individuals({{0, 1}});
    individuals({{1, 1}});
    use_profile(DNA, 1, 0);
    s.RecessiveAllelesEM = 1;
    std::string text = run_pairwise();
    EXPECT_TRUE(has(text, "Population pairwise FSTs not possible with recessive Data\n"));
    EXPECT_FALSE(has(text, "Comparisons of pairs"));
}

}  // namespace
