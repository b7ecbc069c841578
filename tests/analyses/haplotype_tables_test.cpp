// Haplotype and allele frequency tables of a sample, and its frequency
// classes. Hand values: counts 3 and 1 of 4 gene copies give p = 0.75 and
// 0.25, each with s.d. sqrt(0.75 x 0.25) / sqrt(3) = 0.25; counts 1 and 1 of
// 2 gene copies give s.d. sqrt(0.25) / 1 = 0.5.

#include <gtest/gtest.h>

#include <fstream>
#include <memory>
#include <sstream>
#include <string>
#include <vector>

#include "analyses/typed_sample_fixture.h"
#include "app/glbobj.h"
#include "model/logged_fixture.h"

namespace {

class HaplotypeTablesTest : public TypedSampleTest {
protected:
    std::fstream results;
    std::ofstream batch;

    void SetUp() override
    {
        TypedSampleTest::SetUp();
        results.open(dir / "results.txt", std::ios::in | std::ios::out | std::ios::trunc);
        batch.open(dir / "allele_freqs.sum");
        s.results_stream = &results;
        s.allele_db = &project.allele_db;
        _ALLELE_FREQS_ = 1;
        ofs_allele_freqs = &batch;
    }

    void TearDown() override
    {
        s.results_stream = nullptr;
        s.allele_db = nullptr;
        _ALLELE_FREQS_ = 0;
        ofs_allele_freqs = nullptr;
        TypedSampleTest::TearDown();
    }

    // A sample of {content, count} entries and a last haplotype of count 1
    // whose content is `twin` under an id of its own.
    PopGenetics& sample_with_twin(TDataType type, std::vector<std::pair<const char*, int>> const& entries,
                                  const char* twin)
    {
        use_profile(type, 0, 1, ' ');
        Population& read = haplotypic_sample("pop", entries);
        if (twin) {
            HaploDef* h = new HaploDef(my_string("twin"));
            h->content = twin;
            project.haplo_list.list.Add(h);
            read.haplotypes.Add(new PHaploDef(h, 1));
            read.SampleSize += 1;
            read.num_haplotypes += 1;
        }
        MY_TIArrayAsVector<HaploDef>& list = project.haplo_list.list;
        for (int i = 0; i < list.count; ++i)
            if (type != FREQUENCY && list.data[i]->haplovect.count == 0)
                list.data[i]->build_haplovect(&project.allele_db, ' ', 0, 0.1);
        made.emplace_back(make_data_type_sample(read));
        return dynamic_cast<PopGenetics&>(*made.back());
    }

    std::string tables(PopGenetics& p)
    {
        p.calc_hapl_dat_hapl_freq(s);
        results.flush();
        batch.flush();
        return read_text(dir / "results.txt");
    }

    std::string batch_line() { return read_text(dir / "allele_freqs.sum"); }
};

const char* const kHeader = "  No.     Freq.      s.d.";

TEST_F(HaplotypeTablesTest, HaplotypesPooledByContentOrById)
{
    const struct {
        const char* title;
        TDataType type;
        std::vector<std::pair<const char*, int>> entries;
        const char* twin;
        std::string rows;
    } cases[] = {
        {"twin ids pooled", STANDARD, {{"1 2", 2}, {"1 3", 1}}, "1 2",
         std::string(kHeader) + "    Haplotype:\n    1   0.75000   0.25000    1 2\n"
                                "    2   0.25000   0.25000    1 3\n"},
        {"two gene copies: s.d. divisor 1", MICROSAT, {{"102 7", 1}, {"104 7", 1}}, nullptr,
         std::string(kHeader) + "    Haplotype:\n    1   0.50000   0.50000    102 7\n"
                                "    2   0.50000   0.50000    104 7\n"},
        {"frequency data: only ids pool", FREQUENCY, {{"a", 2}, {"b", 1}}, "",
         std::string(kHeader) + "    Ext ID:\n    1   0.50000   0.28868    id_a\n"
                                "    2   0.25000   0.25000    id_b\n"
                                "    3   0.25000   0.25000    twin\n"},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        results.close();
        results.open(dir / "results.txt", std::ios::in | std::ios::out | std::ios::trunc);
        EXPECT_EQ(tables(sample_with_twin(c.type, c.entries, c.twin)),
                  "\nHaplotype database content:\n\n" + c.rows);
    }
}

TEST_F(HaplotypeTablesTest, AlleleTablesAndTheirBatchLine)
{
    s.ComputeAllAllelesEM = 1;
    PopGenetics& p = sample_with_twin(STANDARD, {{"1 2", 2}, {"1 3", 1}}, "1 2");
    std::string text = tables(p);
    EXPECT_EQ(text.substr(text.find("\nAllele Data base content:")),
              "\nAllele Data base content:\n\n"
              "\nAlleles for the locus 0:\n\n"
              + std::string(kHeader) + "  Allele:\n    1   1.00000   0.00000   1\n"
              "\nAlleles for the locus 1:\n\n"
              + std::string(kHeader) + "  Allele:\n    1   0.75000   0.25000   2\n"
              "    2   0.25000   0.25000   3\n");
    EXPECT_EQ(batch_line(), "\tSample \"pop\"\tLocus_1\t1\tLocus_2\t0.75\t0.25\n");
}

TEST_F(HaplotypeTablesTest, DnaSitesOnOneLineEach)
{
    s.ComputeAllAllelesEM = 1;
    use_profile(DNA, 0, 1);
    Population& read = haplotypic_sample("dna", {{"AC", 3}, {"A-", 1}});
    MY_TIArrayAsVector<HaploDef>& list = project.haplo_list.list;
    for (int i = 0; i < list.count; ++i)
        list.data[i]->build_haplovect(&project.allele_db, 0, 0, 0.1);
    std::string text = tables(typed<PopulDNA>(read));
    EXPECT_EQ(text.substr(text.find("Site#")),
              "Site#\tStates\tState frequencies\n=====\t======\t=================\n"
              "    1\t1\tA : 1.0000\t\n    2\t2\tC : 0.7500\t- : 0.2500\t\n");
}

// The sample's batch line is ended whatever happens: no allele tables asked
// for, or no haplotype to count.
TEST_F(HaplotypeTablesTest, BatchLineAlwaysEnded)
{
    PopGenetics& p = sample_with_twin(STANDARD, {{"1 2", 2}}, nullptr);
    const std::string first = tables(p);
    EXPECT_EQ(batch_line(), "\n");

    s.ComputeAllAllelesEM = 1;
    PopGenetics& empty = sample_with_twin(STANDARD, {}, nullptr);
    take_log();
    EXPECT_EQ(tables(empty), first);  // nothing more in the results
    EXPECT_EQ(batch_line(), "\n\n");
    EXPECT_EQ(take_log(), report(1, "ERROR", 1, "PopGenetics::calc_hapl_dat_hapl_freq()", 170));
}

class FrequencyClassesTest : public ::testing::Test {
protected:
    PopGenetics sample;
    std::vector<std::unique_ptr<HaploDef>> definitions;

    void use_counts(std::vector<int> const& counts)
    {
        for (int c : counts) {
            definitions.push_back(std::make_unique<HaploDef>());
            sample.haplotypes.Add(new PHaploDef(definitions.back().get(), c));
            sample.SampleSize += c;
        }
    }
};

// Haplotype 2 is at distance 0 from 1; haplotype 3 from 0, 1 and 2 and
// joins the first of them: classes {0, 3} of 2 copies and {1, 2} of 3.
TEST_F(FrequencyClassesTest, PooledIntoTheFirstClassAtDistanceZero)
{
    use_counts({1, 2, 1, 1});
    RectMat d(4, 4);
    d(1, 0) = d(2, 0) = 1.0;
    d(2, 1) = d(3, 0) = d(3, 1) = d(3, 2) = 0.0;
    HaplotypeClasses classes(5, 0);
    EXPECT_EQ(sample.check_hapl_freqs(d, classes), 1);
    ASSERT_EQ(classes.count, 2);
    EXPECT_EQ(classes.data[0]->Freq, 3.0);
    EXPECT_EQ(classes.data[0]->FreqSq, 9.0);
    EXPECT_EQ(classes.data[1]->Freq, 2.0);

    // Counts that miss the sample size: ERROR 169, the classes stay.
    TempDir folder;
    TempLog log(folder.path());
    sample.SampleSize = 6;
    HaplotypeClasses more(5, 0);
    EXPECT_EQ(sample.check_hapl_freqs(d, more), 0);
    EXPECT_EQ(more.count, 2);
    EXPECT_EQ(log.take(), report(1, "ERROR", 1, "PopGenetics::check_hapl_freqs", 169));

    RectMat small(3, 3);
    HaplotypeClasses none(5, 0);
    EXPECT_EQ(sample.check_hapl_freqs(small, none), 0);
    EXPECT_EQ(none.count, 0);
}

// Merging within the list: each haplotype joins the first earlier survivor
// at distance 0. Haplotype 2 of the second case is at distance 0 only from
// haplotype 1, which was merged into 0, so it survives on its own.
TEST_F(FrequencyClassesTest, RedundantHaplotypesMergedIntoEarlierSurvivors)
{
    struct Case {
        const char* what;
        std::vector<std::pair<int, int>> apart;  // pairs (i, j), i > j, at distance 1
        std::vector<int> counts;                 // of the survivors, in order
        std::vector<int> definitions;            // their original positions
    } cases[] = {
        {"classes {0, 3} and {1, 2}", {{1, 0}, {2, 0}}, {2, 3}, {0, 1}},
        {"a merged haplotype takes nobody", {{2, 0}, {3, 0}, {3, 1}, {3, 2}}, {3, 1, 1}, {0, 2, 3}},
    };
    for (Case const& c : cases) {
        sample.haplotypes.Flush();
        definitions.clear();
        use_counts({1, 2, 1, 1});
        std::vector<HaploDef*> defs;
        for (auto& d : definitions)
            defs.push_back(d.get());
        RectMat d(4, 4);
        for (auto [i, j] : c.apart)
            d(i, j) = 1.0;
        ASSERT_EQ(sample.check_hapl_redond(d), 1) << c.what;
        ASSERT_EQ(sample.haplotypes.count, static_cast<int>(c.counts.size())) << c.what;
        EXPECT_EQ(sample.num_haplotypes, sample.haplotypes.count) << c.what;
        for (std::size_t k = 0; k < c.counts.size(); ++k) {
            EXPECT_EQ(sample.haplotypes.data[k]->count, c.counts[k]) << c.what;
            EXPECT_EQ(sample.haplotypes.data[k]->haplotype, defs[c.definitions[k]]) << c.what;
        }
    }
    // The smaller dimension decides: 3 by 5 for the 3 survivors, all at
    // distance 0, merges them into one; 4 by 4 for one haplotype is refused.
    RectMat wider(3, 5);
    EXPECT_EQ(sample.check_hapl_redond(wider), 1);
    ASSERT_EQ(sample.haplotypes.count, 1);
    EXPECT_EQ(sample.haplotypes.data[0]->count, 5);
    RectMat wrong(4, 4);
    EXPECT_EQ(sample.check_hapl_redond(wrong), 0);
    EXPECT_EQ(sample.haplotypes.count, 1);
    EXPECT_EQ(sample.num_haplotypes, 1);
}

}  // namespace
