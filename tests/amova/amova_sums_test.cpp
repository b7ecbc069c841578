// Sums of squared distances of the AMOVA, worked by hand on tiny samples, and
// the haplotype counts that a population rebuilds from its slice of the
// haplotype-index vector.

#include <gtest/gtest.h>

#include <random>
#include <string>
#include <vector>

#include "amova/amova_fixture.h"
#include "amova/square_distances.h"

namespace {

// Three samples of two distinct gene copies, every distance 1: each sample
// has one pair (sum 1), each pair of samples 2 x 2 = 4 cross pairs, and the
// 6 copies 6 x 5 / 2 = 15 pairs in all.
TEST_F(AmovaTest, PairSumsOfThreeSamples)
{
    matrix(6);
    sample({{0, 1}, {1, 1}});
    sample({{2, 1}, {3, 1}});
    sample({{4, 1}, {5, 1}});
    groups({{0, 1}, {2}});
    std::unique_ptr<Amova> a = prepared();

    a->compute_SSDP();
    a->compute_total_SSD();

    for (int i = 0; i < 3; ++i)
        for (int j = 0; j <= i; ++j)
            EXPECT_EQ(a->popPairSSD(i, j), i == j ? 1.0 : 4.0) << i << "," << j;
    EXPECT_EQ(a->totalPairSSD, 15.0);
    Population* first = project.samples->Populations.data[0];
    EXPECT_EQ(first->ssdWithinSum, 1.0);
    EXPECT_EQ(first->ssdWithin, 0.5);
}

// Counts and distances that differ: sample 1 holds h0 x3 and h1 x1, sample 2
// h1 x2 and h2 x1, with d(0,1) = 2, d(0,2) = 5, d(1,2) = 3 and d(1,1) = 0.5
// (a diagonal enters unchanged). Within 1: 3 pairs of h0 (d 0) and 3 x 1
// pairs h0-h1 at 2: 6. Within 2: 1 pair of h1 at 0.5 and 2 x 1 pairs h1-h2
// at 3: 6.5. Cross: 3 x 2 x 2 + 3 x 1 x 5 + 1 x 2 x 0.5 + 1 x 1 x 3 = 31.
TEST_F(AmovaTest, PairSumsWeighTheCounts)
{
    matrix(3);
    project.dist_mat(0, 1) = 2;
    project.dist_mat(0, 2) = 5;
    project.dist_mat(1, 2) = 3;
    project.dist_mat(1, 1) = 0.5;
    sample({{0, 3}, {1, 1}});
    sample({{1, 2}, {2, 1}});
    groups({{0, 1}});
    std::unique_ptr<Amova> a = prepared();
    Population* p1 = project.samples->Populations.data[0];
    Population* p2 = project.samples->Populations.data[1];

    EXPECT_EQ(*p1->SSDWP_div_freq(project.dist_mat), 6.0 / 4);
    EXPECT_EQ(*p2->ComputeSSDWP(project.dist_mat), 6.5);
    EXPECT_EQ(p1->ComputeSSDAP(p2, project.dist_mat), 31.0);
    EXPECT_EQ(p2->ComputeSSDAP(p1, project.dist_mat), 31.0);
    a->compute_SSDP();
    a->compute_total_SSD();
    EXPECT_EQ(a->totalPairSSD, 6.0 + 6.5 + 31.0);
}

// Individuals (a, b) and (c, c) give half of d(a, b) + d(c, c); the second
// sample's individual (b, c) half of d(b, c); each call starts from 0.
TEST_F(AmovaTest, WithinIndividualSums)
{
    use_profile(DNA, 1, 1);
    matrix(3);
    project.dist_mat(0, 1) = 3;
    project.dist_mat(1, 2) = 5;
    individuals({{0, 1}, {2, 2}});
    individuals({{1, 2}});
    groups({{0, 1}});
    std::unique_ptr<Amova> a = prepared();

    for (int call = 0; call < 2; ++call) {
        a->compute_SSDWI();
        EXPECT_EQ(project.samples->Populations.data[0]->ssdWithinIndiv, 1.5);
        EXPECT_EQ(project.samples->Populations.data[1]->ssdWithinIndiv, 2.5);
        EXPECT_EQ(a->ssdWI, 4.0);
    }
}

TEST_F(AmovaTest, CountsRebuiltFromASlice)
{
    matrix(5);
    Population& p = sample({{3, 2}, {0, 1}});
    groups({{0}});
    std::unique_ptr<Amova> a = prepared();
    ASSERT_EQ(p.numMatrixHaplos, 5);

    int slice[] = {3, 3, 0};
    p.SetUpVectorsAfterPermutation(slice);
    EXPECT_EQ(std::vector<double>(p.permCounts, p.permCounts + 5),
              (std::vector<double>{1, 0, 0, 2, 0}));
    // The present haplotypes in the order of their first copy.
    EXPECT_EQ(std::vector<int>(p.presentHaplos, p.presentHaplos + p.numPresentHaplos),
              (std::vector<int>{3, 0}));

    // The counts of the previous slice are cleared, not kept.
    int next[] = {4, 1, 4};
    p.SetUpVectorsAfterPermutation(next);
    EXPECT_EQ(std::vector<double>(p.permCounts, p.permCounts + 5),
              (std::vector<double>{0, 1, 0, 0, 2}));
    EXPECT_EQ(std::vector<int>(p.presentHaplos, p.presentHaplos + p.numPresentHaplos),
              (std::vector<int>{4, 1}));
}

// An id outside the matrix, negative ones included, is reported and never
// counted; with a log open the MEMORY report ends the analysis.
TEST_F(AmovaTest, IdsOutsideTheMatrixAreRefused)
{
    matrix(2);
    Population& p = sample({{0, 2}, {1, 1}});
    groups({{0}});
    std::unique_ptr<Amova> a = prepared();
    take_log();
    for (int bad : {-1, 2}) {
        int slice[] = {1, bad, 1};
        EXPECT_THROW(p.SetUpVectorsAfterPermutation(slice), ExceptionType);
        std::string log = take_log();
        EXPECT_NE(log.find("\nAbnormal behaviour for pop:pop1\nnb_gene_copies=3\n"),
                  std::string::npos) << log;
        EXPECT_NE(log.find("\"Population::SetUpVectorsAfterPermutation\" : array out of bounds"),
                  std::string::npos) << log;
        EXPECT_EQ(p.permCounts[0], 0);
        EXPECT_EQ(p.permCounts[1], 1);
    }
}

// The sums by level of a partition into groups. Samples A = {h0, h0},
// B = {h1, h2}, C = {h0, h2} with d(0,1) = 2, d(0,2) = 5, d(1,2) = 3: within
// sums 0, 3, 5; cross sums A-B 2 + 2 + 5 + 5 = 14, A-C 0 + 0 + 5 + 5 = 10,
// B-C 2 + 3 + 5 + 0 = 10; 42 in all over 6 copies, a total SSD of 7. Groups
// {A, B} and {C}: pair sums 0 + 3 + 14 = 17 over 4 copies and 5 over 2, 20
// between them; SSD within populations 0/2 + 3/2 + 5/2 = 4, among them within
// groups 17/4 + 5/2 - 4 = 2.75, among groups 7 - 6.75 = 0.25. With C and A
// exchanged by a permutation of populations ({C, B} and {A}): pair sums 5 + 3 +
// 10 = 18 and 0, 24 between them; among groups 7 - 18/4 = 2.5.
TEST_F(AmovaTest, SumsByLevelOfAPartitionIntoGroups)
{
    matrix(3);
    project.dist_mat(0, 1) = 2;
    project.dist_mat(0, 2) = 5;
    project.dist_mat(1, 2) = 3;
    sample({{0, 2}});
    sample({{1, 1}, {2, 1}});
    sample({{0, 1}, {2, 1}});
    groups({{0, 1}, {2}});
    std::unique_ptr<Amova> a = prepared();
    a->compute_SSDP();
    a->compute_total_SSD();
    ASSERT_EQ(a->totalPairSSD, 42.0);

    a->compute_SSDG_SSDAG();
    EXPECT_EQ(a->groupPairSSD(0, 0), 17.0);
    EXPECT_EQ(a->groupPairSSD(1, 1), 5.0);
    EXPECT_EQ(a->groupPairSSD(0, 1), 20.0);
    EXPECT_EQ(a->groupSizes, (std::vector<double>{4, 2}));
    EXPECT_EQ(a->groupSSD, (std::vector<double>{4.25, 2.5}));
    EXPECT_EQ(a->ssdAG, 0.25);
    a->compute_SSDWP();
    a->compute_SSDAP();
    EXPECT_EQ(a->ssdWP, 4.0);
    EXPECT_EQ(a->ssdAP, 2.75);
    // With individuals counted, the pair sums still divide by gene copies.
    a->numUnits = 3;
    a->compute_SSDAG();
    EXPECT_EQ(a->ssdAG, 0.25);

    std::swap(a->popTable[0], a->popTable[2]);
    a->distribute_populations();
    a->compute_SSDG_SSDAG();
    EXPECT_EQ(a->groupPairSSD(0, 0), 18.0);
    EXPECT_EQ(a->groupPairSSD(1, 1), 0.0);
    EXPECT_EQ(a->groupPairSSD(0, 1), 24.0);
    EXPECT_EQ(a->groupSizes, (std::vector<double>{4, 2}));
    EXPECT_EQ(a->ssdAG, 2.5);
    a->compute_SSDAP();
    EXPECT_EQ(a->ssdAP, 0.5);
}

// From fresh vectors: the counts of the slice and each haplotype listed
// once, at its first copy.
TEST_F(AmovaTest, PresentHaplotypesAtTheirFirstCopy)
{
    matrix(5);
    Population& p = sample({{4, 2}, {1, 2}, {3, 1}, {0, 1}});
    groups({{0}});
    std::unique_ptr<Amova> a = prepared();
    p.CreatePermutationVectors(5);
    int slice[] = {4, 1, 3, 1, 0, 4};
    p.SetUpVectorOfExistingHaplotypes(slice);
    EXPECT_EQ(std::vector<int>(p.presentHaplos, p.presentHaplos + p.numPresentHaplos),
              (std::vector<int>{4, 1, 3, 0}));
    EXPECT_EQ(std::vector<double>(p.permCounts, p.permCounts + 5),
              (std::vector<double>{1, 2, 0, 1, 2}));
}

// The within sum read from the square copy of the matrix, from its triangle,
// and over every pair of gene copies one by one, on samples of 1 to 13
// present haplotypes (the partial sums of the inner loop and its tail),
// repeated copies, fractional distances and a non-zero diagonal. The copy
// and the triangle add in the same order: equal to the last bit.
TEST_F(AmovaTest, WithinSumFromTheSquareCopy)
{
    const int h = 13;
    matrix(h);
    std::mt19937 gen(7);
    std::uniform_real_distribution<double> distance(0.0, 10.0);
    for (int i = 0; i < h; ++i)
        for (int j = 0; j <= i; ++j)
            project.dist_mat(i, j) = j == i && i % 3 != 0 ? 0.0 : distance(gen);
    std::vector<std::vector<std::pair<int, int>>> samples;
    for (int present = 1; present <= h; ++present) {
        std::vector<std::pair<int, int>> records;
        for (int k = 0; k < present; ++k)
            records.push_back({(5 * k + present) % h, 1 + (k * present) % 3});
        samples.push_back(records);
        sample(records);
    }
    groups({{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12}});
    std::unique_ptr<Amova> a = prepared();
    a->squareDist.assign(project.dist_mat);
    ASSERT_EQ(a->squareDist.size(), h);

    for (std::size_t k = 0; k < samples.size(); ++k) {
        std::vector<int> copies;
        for (auto const& [id, n] : samples[k])
            copies.insert(copies.end(), n, id);
        double pairs = 0;
        for (std::size_t i = 0; i < copies.size(); ++i)
            for (std::size_t j = i + 1; j < copies.size(); ++j)
                pairs += project.dist_mat(copies[i], copies[j]);
        Population& p = *project.samples->Populations.data[k];
        double square = *p.ComputeSSDWP(project.dist_mat, &a->squareDist);
        double triangle = *p.ComputeSSDWP(project.dist_mat);
        EXPECT_EQ(square, triangle) << k;
        EXPECT_NEAR(square, pairs, 1e-9) << k;
        EXPECT_EQ(p.ssdWithin, triangle / copies.size()) << k;
    }
}

// No square copy of a matrix in constant mode: the sums read its constant
// values. A sample of 3 x h0 and 2 x h1 has 3 + 1 pairs at the diagonal
// value 0.5 and 6 at 2: 14.
TEST_F(AmovaTest, NoSquareCopyOfAConstantMatrix)
{
    matrix(2);
    project.dist_mat.constant_mode = 1;
    project.dist_mat.diagonal_value = 0.5;
    project.dist_mat.off_diagonal_value = 2;
    Population& p = sample({{0, 3}, {1, 2}});
    groups({{0}});
    std::unique_ptr<Amova> a = prepared();
    a->squareDist.assign(project.dist_mat);
    EXPECT_EQ(a->squareDist.size(), 0);
    EXPECT_EQ(*p.ComputeSSDWP(project.dist_mat, &a->squareDist), 14.0);
}

}  // namespace
