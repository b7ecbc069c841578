// Haplotypes that are the same under different entries: the pairs at distance
// 0 listed for two samples (or one sample with itself), and the records of a
// sample that point at one definition merged.

#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "model/dist_mat.h"
#include "model/haplo_db.h"
#include "model/population.h"
#include "support/temp_log.h"

namespace {

// Four haplotypes A, B, C, D with matrix rows 0-3; every distance between
// two different rows is 1 unless a test sets it.
class SharedHaplotypesTest : public ::testing::Test {
protected:
    Haplo_DB list;
    DistMat d{4};
    TempDir temp_dir;
    std::filesystem::path file = temp_dir / "shared.txt";

    void SetUp() override
    {
        const char* ids[] = {"A", "B", "C", "D"};
        for (int i = 0; i < 4; ++i) {
            HaploDef* h = new HaploDef(my_string(ids[i]));
            h->matrix_index = i;
            list.list.Add(h);
            for (int j = 0; j < i; ++j)
                d(i, j) = 1.0;
        }
    }

    HaploDef* h(int i) { return list.list.data[i]; }

    void add(Population& p, std::vector<std::pair<int, int>> const& records)
    {
        for (auto const& [i, n] : records)
            p.haplotypes.Add(new PHaploDef(h(i), n));
    }

    // What print_out_redondant writes for the two samples.
    std::string shared(Population& a, Population& b)
    {
        {
            std::fstream out(file, std::ios::out | std::ios::trunc);
            EXPECT_EQ(a.print_out_redondant(&b, &out, d), 1);
        }
        return read_text(file);
    }

    static std::vector<std::pair<std::string, int>> records(Population const& p)
    {
        std::vector<std::pair<std::string, int>> out;
        for (int i = 0; i < p.haplotypes.count; ++i)
            out.emplace_back(p.haplotypes.data[i]->haplotype->id.str, p.haplotypes.data[i]->count);
        return out;
    }
};

TEST_F(SharedHaplotypesTest, OneSampleWithItselfListsEachPairOnce)
{
    Population lake(my_string("Lake"));
    add(lake, {{0, 2}, {1, 1}, {2, 3}});
    d(0, 2) = 0.0;
    EXPECT_EQ(shared(lake, lake),
              "\n   Haplotypes shared between \"Lake\" and \"Lake\":\n\n"
              "\t\tA = C\n");
}

TEST_F(SharedHaplotypesTest, TwoSamplesListTheirCommonHaplotypes)
{
    Population lake(my_string("Lake"));
    Population river(my_string("River"));
    add(lake, {{0, 2}, {1, 1}});
    add(river, {{3, 1}, {0, 4}});
    d(1, 3) = 0.0;
    EXPECT_EQ(shared(lake, river),
              "\n   Haplotypes shared between \"Lake\" and \"River\":\n\n"
              "\t\tA = A\n"
              "\t\tB = D\n");
}

TEST_F(SharedHaplotypesTest, NothingWrittenWithoutAPairAtDistanceZero)
{
    Population lake(my_string("Lake"));
    Population river(my_string("River"));
    add(lake, {{0, 2}, {1, 1}});
    add(river, {{2, 1}});
    d(0, 2) = 1e-12;  // nearly the same is not the same
    EXPECT_EQ(shared(lake, river), "");

    Population empty(my_string("Empty"));
    EXPECT_EQ(shared(empty, lake), "");
}

TEST_F(SharedHaplotypesTest, RecordsOfOneDefinitionAreMerged)
{
    struct Case {
        const char* name;
        std::vector<std::pair<int, int>> in;
        std::vector<std::pair<std::string, int>> out;
    };
    const std::vector<Case> cases = {
        {"repeated A and B", {{0, 2}, {1, 1}, {0, 3}, {1, 0}}, {{"A", 5}, {"B", 1}}},
        {"no repeat", {{2, 1}, {0, 4}}, {{"C", 1}, {"A", 4}}},
        {"empty", {}, {}},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        Population p(my_string("pop"));
        add(p, c.in);
        p.SampleSize = 7;
        p.num_haplotypes = static_cast<int>(c.in.size());
        EXPECT_EQ(p.check_phaplodef_redond(), 1);
        EXPECT_EQ(records(p), c.out);
        // Only the list changes.
        EXPECT_EQ(p.SampleSize, 7);
        EXPECT_EQ(p.num_haplotypes, static_cast<int>(c.in.size()));
    }
}

}  // namespace
