// Classes of haplotypes at distance 0: the class list and frequency tables
// written to the results, and the merge of identical haplotypes within samples.

#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <utility>
#include <vector>

#include "app/glbobj.h"
#include "model/dist_mat.h"
#include "model/haplo_db.h"
#include "project/samples.h"
#include "support/temp_log.h"

namespace {

std::string blanks(int n)
{
    return std::string(n, ' ');
}

class HaplotypeClassesTest : public LogFolderTest {
protected:
    Haplo_DB list;
    Samples samples;
    std::filesystem::path file = dir / "results.txt";

    // Definitions with their ids and contents; matrix rows are list positions.
    void define(std::vector<std::pair<std::string, std::string>> const& haplotypes)
    {
        for (auto const& [id, content] : haplotypes) {
            HaploDef* h = new HaploDef(my_string(id.c_str()));
            h->content = content.c_str();
            h->matrix_index = list.list.count;
            list.list.Add(h);
        }
    }

    // A sample of the given records (list position, count).
    Population& add_sample(std::string const& name, std::vector<std::pair<int, int>> records)
    {
        Population* p = new Population(my_string(name.c_str()));
        for (auto const& [i, n] : records) {
            p->haplotypes.Add(new PHaploDef(list.list.data[i], n));
            p->SampleSize += n;
        }
        samples.Populations.Add(p);
        return *p;
    }

    std::string classes(DistMat const& d)
    {
        {
            std::fstream out(file, std::ios::out | std::ios::trunc);
            samples.print_out_haplo_cl(&out, d, &list);
        }
        return read_text(file);
    }

    // The member ids of each class, read back from the haplotype list section.
    static std::vector<std::string> class_lines(std::string const& text)
    {
        std::vector<std::string> lines;
        size_t from = text.find("--------------------\n");
        size_t end = text.find("\n\n", from);
        from += 21;
        while (from < end) {
            size_t eol = text.find('\n', from);
            lines.push_back(text.substr(from, eol - from));
            from = eol + 1;
        }
        return lines;
    }
};

// Three haplotypes with d(a,b) = 0 and d(b,c) = 0 but d(a,c) = 1: classes
// are decided against their first member only.
TEST_F(HaplotypeClassesTest, ClassesFollowTheFirstMemberOrEachStandsAloneInSingleValueMode)
{
    define({{"a", "A"}, {"b", "A"}, {"c", "C"}});
    add_sample("pop", {{0, 1}, {2, 1}});
    DistMat d(3);
    d(2, 0) = 1.0;
    std::vector<std::string> grouped = class_lines(classes(d));
    EXPECT_EQ(grouped, (std::vector<std::string>{"   a", "   b" + blanks(26) + "A",
                                                 "   c" + blanks(26) + "C"}));
    EXPECT_EQ(samples.NbHaploClasses, 2);
    EXPECT_EQ(log_text().find("Samples::print_out_haplo_cl():"), std::string::npos);

    DistMat single(7);  // any size in single-value mode
    single.constant_mode = 1;
    single.diagonal_value = 0.0;
    single.off_diagonal_value = 1.0;
    classes(single);
    EXPECT_EQ(samples.NbHaploClasses, 3);
}

TEST_F(HaplotypeClassesTest, EmptyListGivesHeaderOnlyTables)
{
    add_sample("pop", {});
    samples.NbHaploClasses = 9;
    DistMat d;
    std::string text = classes(d);
    EXPECT_EQ(samples.NbHaploClasses, 0);
    size_t relative = text.find("Relative frequencies:\n\n");
    ASSERT_NE(relative, std::string::npos);
    EXPECT_EQ(text.substr(relative + 23),
              "Haplotype:     pop\n" + blanks(10) + "     (0)\n" + std::string(18, '-') + "\n");
    // One class start counted against no class.
    EXPECT_NE(log_text().find("\n\tSamples::print_out_haplo_cl():the number of class separator "
                              "is not right.\n\n"),
              std::string::npos);
}

TEST_F(HaplotypeClassesTest, MatrixOfWrongSizeOrRowOutsideItGivesError135)
{
    define({{"a", "A"}, {"b", "C"}});
    add_sample("pop", {{0, 2}, {1, 1}});
    DistMat d(3);
    EXPECT_EQ(classes(d), "");
    EXPECT_NE(log_text().find(" Samples::print_out_haplo_cl()"), std::string::npos);
    EXPECT_NE(log_text().find("haplotype list incompatible with distance matrix"),
              std::string::npos);

    // A row outside the matrix is left out, never counted with every class.
    take_log();
    list.list.data[1]->matrix_index = -1;
    DistMat two(2);
    two(1, 0) = 1.0;
    std::string text = classes(two);
    std::string log = take_log();
    EXPECT_NE(log.find("haplotype list incompatible"), std::string::npos);
    EXPECT_NE(log.find("\n\tSamples::print_out_haplo_cl(): inconsistent class found.\n\n"),
              std::string::npos);
    EXPECT_EQ(log.find("class separator"), std::string::npos);
    EXPECT_EQ(samples.NbHaploClasses, 1);
    EXPECT_EQ(class_lines(text), std::vector<std::string>{"   a" + blanks(26) + "A"});
    EXPECT_NE(text.find("a" + blanks(10) + "    2   \n"), std::string::npos) << text;
}

TEST_F(HaplotypeClassesTest, LongIdGetsOneBlankBeforeItsDefinition)
{
    std::string id(27, 'x');
    define({{id, "ACGT"}});
    add_sample("pop", {{0, 1}});
    DistMat d(1);
    EXPECT_EQ(class_lines(classes(d)), std::vector<std::string>{"   " + id + " ACGT"});
}

// Three samples, h1 and h2 identical: counts and relative frequencies by hand.
TEST_F(HaplotypeClassesTest, GoldenReport)
{
    define({{"h1", "AC"}, {"h2", "AC"}, {"h3", "GT"}});
    add_sample("pop1", {{0, 3}, {2, 1}});
    add_sample("pop2", {{1, 2}});
    add_sample("pop3", {{2, 5}});
    DistMat d(3);
    d(2, 0) = d(2, 1) = 1.0;
    std::string dashes(39, '-');
    std::string head = "  Haplotype:     pop1     pop2     pop3\n" + blanks(12) +
                       "      (4)      (2)      (5)\n" + dashes + "\n";
    std::string expected =
        "\n\nHaplotype frequency distribution among the samples:\n"
        "===================================================\n\n"
        "\nHaplotype list\n==============\n"
        "Haplotype id                  Haplotype definition\n"
        "------------                  --------------------\n"
        "   h1\n"
        "   h2                         AC\n"
        "   h3                         GT\n"
        "\n\n\nHaplotype frequencies in populations\n"
        "====================================\n\n" +
        dashes + "\n" + head +
        "h1          \n"
        "h2               3        2        0   \n" + blanks(39) + "\n" +
        "h3               1        0        5   \n" + blanks(39) + "\n" +
        "\n\nRelative frequencies:\n\n" + head +
        "h1          \n"
        "h2            0.75        1        0   \n" + blanks(39) + "\n" +
        "h3            0.25        0        1   \n" + blanks(39) + "\n";
    EXPECT_EQ(classes(d), expected);
    EXPECT_EQ(samples.NbHaploClasses, 2);

    xmlOutput = true;
    std::string xml = classes(d);
    xmlOutput = false;
    size_t abs_open = xml.find("absHapFreq"), rel_open = xml.find("relHapFreq");
    ASSERT_NE(abs_open, std::string::npos);
    ASSERT_NE(rel_open, std::string::npos);
    EXPECT_EQ(count_of(xml, "absHapFreq"), 2);
    EXPECT_EQ(count_of(xml, "relHapFreq"), 2);
    EXPECT_LT(abs_open, xml.find("h2               3"));
    EXPECT_LT(xml.rfind("absHapFreq"), xml.find("Relative frequencies"));
    EXPECT_LT(rel_open, xml.find("h2            0.75"));
}

// A sample holding two members of one class merges them; others are untouched.
TEST_F(HaplotypeClassesTest, MergeKeepsTheFirstPlaceAndAllCounts)
{
    define({{"a", "A"}, {"b", "C"}, {"c", "A"}, {"d", "G"}});
    list.list.data[0]->count = 3;
    list.list.data[1]->count = 4;
    list.list.data[2]->count = 3;
    list.list.data[3]->count = 2;
    Population& first = add_sample("one", {{1, 4}, {0, 3}, {3, 0}, {2, 2}});
    Population& second = add_sample("two", {{2, 1}, {3, 2}});
    Population& empty = add_sample("none", {});
    DistMat d(4);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < i; ++j)
            d(i, j) = 1.0;
    d(2, 0) = 0.0;
    int class_of[] = {0, 1, 0, 3};
    samples.IdentifyIdenticalHaplotypes(nullptr, d, &list, class_of);

    auto records = [](Population const& p) {
        std::vector<std::pair<std::string, int>> r;
        for (int i = 0; i < p.haplotypes.count; ++i)
            r.emplace_back(p.haplotypes.data[i]->haplotype->id.str, p.haplotypes.data[i]->count);
        return r;
    };
    using Records = std::vector<std::pair<std::string, int>>;
    EXPECT_EQ(records(first), (Records{{"b", 4}, {"a", 5}}));
    EXPECT_EQ(first.nbInitialHaplotypes, 4);
    EXPECT_EQ(first.num_haplotypes, 2);
    EXPECT_EQ(records(second), (Records{{"c", 1}, {"d", 2}}));
    EXPECT_EQ(second.nbInitialHaplotypes, 2);
    EXPECT_EQ(empty.nbInitialHaplotypes, 0);
    EXPECT_EQ(empty.num_haplotypes, 0);
    int total = 0;
    for (int i = 0; i < list.list.count; ++i)
        total += list.list.data[i]->count;
    EXPECT_EQ(total, 12);
    EXPECT_EQ(list.list.data[0]->count, 6);
}

// Two records of one definition share its total: merging them keeps it.
TEST_F(HaplotypeClassesTest, MergeOfOneDefinitionTwiceKeepsItsTotal)
{
    define({{"a", "A"}});
    list.list.data[0]->count = 5;
    Population& p = add_sample("one", {{0, 3}, {0, 2}});
    DistMat d(1);
    int class_of[] = {0};
    samples.IdentifyIdenticalHaplotypes(nullptr, d, &list, class_of);
    ASSERT_EQ(p.haplotypes.count, 1);
    EXPECT_EQ(p.haplotypes.data[0]->count, 5);
    EXPECT_EQ(list.list.data[0]->count, 5);
}

}  // namespace
