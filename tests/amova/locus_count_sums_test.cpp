// The pair sums of microsatellite distances from allele counts: which
// matrices they apply to, and their sums against the sums over every pair
// of gene copies read from the matrix.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

#include "amova/locus_count_sums.h"
#include "model/allele_db.h"
#include "model/dist_mat.h"
#include "model/haplo_db.h"

namespace {

using Rows = std::vector<std::vector<std::string>>;

// Haplotypes of microsatellite alleles ("?" missing) and a matrix of their
// distances over the loci taken, computed here from the allele names.
struct Haplotypes {
    DistMat d;
    Haplo_DB list;
    TAlleleDB alleles;

    Haplotypes(Rows const& rows, bool squared, std::vector<int> const& taken)
    {
        const int n = static_cast<int>(rows.size());
        d.initializeMatrixAndArrays(n);
        for (int i = 0; i < n; ++i) {
            std::string content;
            for (std::string const& a : rows[i])
                content += a + " ";
            HaploDef* def = new HaploDef(my_string(("h" + std::to_string(i)).c_str()));
            def->content = content.c_str();
            def->build_haplovect(&alleles, ' ', 0, 1.0);
            def->matrix_index = i;
            list.list.Add(def);
            for (int j = 0; j < i; ++j) {
                double distance = 0;
                for (int l : taken) {
                    if (rows[i][l] == "?" || rows[j][l] == "?")
                        continue;
                    double x = std::atof(rows[i][l].c_str()), y = std::atof(rows[j][l].c_str());
                    distance += squared ? (x - y) * (x - y) : x != y;
                }
                d(i, j) = distance;
            }
        }
    }

    double pair_sum(std::vector<int> const& ids) const
    {
        double sum = 0;
        for (std::size_t u = 0; u < ids.size(); ++u)
            for (std::size_t v = u + 1; v < ids.size(); ++v)
                sum += d(ids[u], ids[v]);
        return sum;
    }
};

// Three loci, each with missing data but the first; "102" and "102.0" are
// one size.
const Rows whole_sizes = {{"100", "12", "7"},  {"102", "?", "7"},   {"100", "14", "9"},
                          {"104", "12", "?"},  {"102.0", "16", "7"}, {"104", "14", "8"},
                          {"100", "12", "9"},  {"98", "?", "?"}};
const Rows fractional_sizes = {{"100.5", "12"}, {"102", "?"}, {"100.5", "13"}, {"99", "12.25"}};

TEST(LocusCountSums, MatricesTheySumAndTheirSums)
{
    using M = LocusCountSums;
    struct Case {
        const char* name;
        Rows const& rows;
        bool squared;
        std::vector<int> taken;  // the loci the matrix adds up
        M::Method expected;
    };
    const Case cases[] = {
        {"different alleles", whole_sizes, false, {0, 1, 2}, M::DIFFERENT_ALLELES},
        {"squared sizes", whole_sizes, true, {0, 1, 2}, M::SQUARED_SIZES},
        {"loci with missing data left out", whole_sizes, true, {0}, M::SQUARED_SIZES},
        {"different fractional sizes", fractional_sizes, false, {0, 1}, M::DIFFERENT_ALLELES},
        {"squared fractional sizes", fractional_sizes, true, {0, 1}, M::NONE},
        {"some loci left out, not all with missing data", whole_sizes, false, {0, 1}, M::NONE},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Haplotypes h(c.rows, c.squared, c.taken);
        LocusCountSums sums;
        ASSERT_EQ(sums.set_up(h.d, h.list, '?', 20), c.expected);
        if (c.expected == M::NONE)
            continue;
        const int last = static_cast<int>(c.rows.size()) - 1;
        const std::vector<std::vector<int>> slices = {
            {}, {last}, {0, 0}, {0, 1, 2, 3}, {last, 1, 1, 0, 2, 2, 3, last, 1}};
        for (std::vector<int> const& ids : slices)
            EXPECT_EQ(sums.within_sum(ids.data(), static_cast<int>(ids.size())),
                      h.pair_sum(ids)) << ids.size() << " copies";
    }
}

// A matrix that is not the alleles' distance, by one cell or by its
// diagonal, keeps the matrix path; so do haplotypes without alleles, and
// sums that could pass 2^53.
TEST(LocusCountSums, OtherMatricesKeepTheMatrixPath)
{
    {
        Haplotypes h(whole_sizes, true, {0, 1, 2});
        h.d(5, 2) += 1;
        EXPECT_EQ(LocusCountSums().set_up(h.d, h.list, '?', 20), LocusCountSums::NONE);
    }
    {
        Haplotypes h(whole_sizes, false, {0, 1, 2});
        h.d(3, 3) = 1;
        EXPECT_EQ(LocusCountSums().set_up(h.d, h.list, '?', 20), LocusCountSums::NONE);
    }
    {
        Haplotypes h({{"1"}, {"2"}}, true, {0});
        h.list.list.data[1]->haplovect.Flush();
        EXPECT_EQ(LocusCountSums().set_up(h.d, h.list, '?', 20), LocusCountSums::NONE);
    }
    {
        Haplotypes h({{"0"}, {"1000000"}}, true, {0});
        EXPECT_EQ(LocusCountSums().set_up(h.d, h.list, '?', 1e5), LocusCountSums::NONE);
        EXPECT_EQ(LocusCountSums().set_up(h.d, h.list, '?', 10), LocusCountSums::SQUARED_SIZES);
    }
}

}  // namespace
