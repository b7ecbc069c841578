// Tests of haplotype definitions and the haplotype list: the data check by
// data type, allele pointers, search by content, association with a distance
// matrix, the writer, and the readers of both project-file syntaxes.

#include "model/haplo_db.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/settings.h"
#include "logged_fixture.h"
#include "model/allele_db.h"
#include "model/dist_mat.h"

using ::testing::HasSubstr;

namespace {

const char* const LINE_READER = "Haplo_DB::NewReadHaplotypeList()";

std::vector<std::string> ids_of(Haplo_DB const& db)
{
    std::vector<std::string> out;
    for (int i = 0; i < db.list.count; ++i)
        out.push_back(db.list.data[i]->id.str);
    return out;
}

std::vector<std::string> contents_of(Haplo_DB const& db)
{
    std::vector<std::string> out;
    for (int i = 0; i < db.list.count; ++i)
        out.push_back(db.list.data[i]->content.str);
    return out;
}

std::vector<int> indices_of(Haplo_DB const& db)
{
    std::vector<int> out;
    for (int i = 0; i < db.list.count; ++i)
        out.push_back(db.list.data[i]->matrix_index);
    return out;
}

class HaploDbTest : public LoggedTest {
protected:
    ProfileSettings profile;
    Haplo_DB db;

    void use(TDataType type, char separator)
    {
        ProfileSettings::DataType = type;
        ProfileSettings::LocusSeparator = separator;
    }

    int read_list(std::string const& text, bool external, int& line)
    {
        std::istringstream in(text);
        return db.NewReadHaplotypeList(in, profile, external, line);
    }

    int read_list(std::string const& text, bool external = false)
    {
        int line = 0;
        return read_list(text, external, line);
    }

    void add(const char* id, const char* content)
    {
        HaploDef* h = new HaploDef(my_string(id));
        h->content = content;
        db.list.Add(h);
    }
};

// ---- Checking a definition's data ----

struct DataCase {
    TDataType type;
    char separator;
    char missing;
    const char* line;
    int result;
    const char* content;
    int message;  // -1: no report
};

TEST_F(HaploDbTest, ReadDataChecksTheCharactersOfEachDataType)
{
    const DataCase cases[] = {
        {DNA, 0, '?', "ACGT-N?", 1, "ACGT-N?", -1},
        {DNA, 0, 'X', "ACGT-N?", 0, "ACGT-N", 26},
        {DNA, 0, '?', "acgt0123", 1, "acgt0123", -1},
        {DNA, 0, '?', "AC GT # note", 1, "ACGT", -1},
        {DNA, 0, '?', "AC GT # see: x", 0, "ACGT", 26},
        {DNA, 0, '?', "ACG\tT", 0, "ACG", 26},
        {DNA, 0, '?', "   ", 0, "", -1},
        {RFLP, 0, '?', "01-1?", 1, "01-1?", -1},
        {RFLP, 0, '?', "0 1 2", 0, "01", 25},
        {MICROSAT, ' ', '?', "12 14", 1, "12 14", -1},
        {MICROSAT, ' ', '?', "12 ? 14 ", 1, "12 ? 14", -1},
        {MICROSAT, '\t', '?', "12\t14a", 0, "12\t14", 27},
        {STANDARD, ' ', '?', "A B C  ", 1, "A B C", -1},
        {STANDARD, ' ', '?', "A B C\t", 1, "A B C\t", -1},
        {STANDARD, ' ', '?', "   ", 1, " ", -1},
        {FREQUENCY, 0, '?', "whatever : here", 1, "", -1},
    };
    for (DataCase const& c : cases) {
        SCOPED_TRACE(c.line);
        use(c.type, c.separator);
        profile.MissingData = c.missing;
        HaploDef h(my_string("h"));
        my_string line(c.line);
        EXPECT_EQ(h.read_data(line, profile), c.result);
        EXPECT_STREQ(h.content.str, c.content);
        EXPECT_EQ(take_log(), c.message < 0 ? "" : report(1, "ERROR", 1, "HaploDef::read_data()",
                                                            c.message));
    }
}

TEST_F(HaploDbTest, ReadDataFromAStreamStopsAtTheLineEnd)
{
    use(DNA, 0);
    HaploDef h;
    std::istringstream in("AC GT \nNEXT");
    EXPECT_EQ(h.read_data(in, profile), 1);
    EXPECT_STREQ(h.content.str, "ACGT");
    std::string rest;
    in >> rest;
    EXPECT_EQ(rest, "NEXT");

    std::istringstream last("ACGT ");  // the file's last line, without a line feed
    EXPECT_EQ(h.read_data(last, profile), 1);
    EXPECT_STREQ(h.content.str, "ACGT");

    use(STANDARD, ' ');
    std::istringstream standard(" A B  \nx");
    EXPECT_EQ(h.read_data(standard, profile), 1);
    EXPECT_STREQ(h.content.str, " A B");

    use(MICROSAT, ' ');
    std::istringstream bad(" 12 1x\n");
    EXPECT_EQ(h.read_data(bad, profile), 0);
    EXPECT_EQ(take_log(), report(1, "ERROR", 1, "HaploDef::read_data()", 27));
}

// ---- Allele pointers and comparison ----

TEST_F(HaploDbTest, BuildHaplovectEntersOneAllelePerLocus)
{
    TAlleleDB alleles;
    HaploDef microsat;
    microsat.content = " 12 14  16 ";
    microsat.build_haplovect(&alleles, ' ', 0, 1.0);
    ASSERT_EQ(microsat.haplovect.count, 3);
    ASSERT_EQ(alleles.loci.count, 3);
    EXPECT_STREQ(microsat.haplovect[2]->name.str, "16");
    EXPECT_EQ(microsat.haplovect[2], alleles.loci[2]->alleles[0]);

    TAlleleDB bases;
    HaploDef a, b, c;
    a.content = "ACGT";
    b.content = "ACGT";
    c.content = "ACGA";
    for (HaploDef* h : {&a, &b, &c})
        h->build_haplovect(&bases, 0, 0, 1.0);
    ASSERT_EQ(a.haplovect.count, 4);
    EXPECT_DOUBLE_EQ(a.haplovect[0]->count, 3.0);  // A at locus 0 entered three times
    EXPECT_TRUE(a.hasSameAllelicContent(b));
    EXPECT_FALSE(a.hasSameAllelicContent(c));

    HaploDef shorter, empty, other_empty;
    shorter.content = "ACG";
    shorter.build_haplovect(&bases, 0, 0, 1.0);
    EXPECT_FALSE(shorter.hasSameAllelicContent(a));
    EXPECT_FALSE(a.hasSameAllelicContent(shorter));
    EXPECT_FALSE(empty.hasSameAllelicContent(a));
    EXPECT_TRUE(empty.hasSameAllelicContent(other_empty));

    HaploDef copy(a);  // shares the allele objects, owns none
    EXPECT_TRUE(copy.hasSameAllelicContent(a));
    EXPECT_EQ(copy.haplovect.owns, 0);
    copy.flush();
    EXPECT_EQ(copy.haplovect.count, 0);
    EXPECT_EQ(a.haplovect.count, 4);
}

// ---- Search by content ----

TEST_F(HaploDbTest, FindGivesTheFirstDefinitionWithTheContent)
{
    add("h1", "ACGT");
    add("h2", "ACGA");
    add("h3", "ACGA");
    my_string wanted("ACGA");
    EXPECT_EQ(db.find(wanted), db.list[1]);
    my_string lower("acga");
    EXPECT_EQ(db.find(lower), nullptr);
    my_string prefix("ACG");
    EXPECT_EQ(db.find(prefix), nullptr);

    add("h4", "TTTT");  // appended after a search
    my_string t("TTTT");
    EXPECT_EQ(db.find(t), db.list[3]);
    db.list.Detach(1);  // the list changed under the search
    EXPECT_EQ(db.find(wanted), db.list[1]);
    EXPECT_STREQ(db.find(wanted)->id.str, "h3");

    db.list.data[0]->content.to_lower();  // an edit in place, made known to the list
    db.content_changed();
    my_string lower_first("acgt");
    EXPECT_STREQ(db.find(lower_first)->id.str, "h1");

    db.rm_separators('G');
    EXPECT_EQ(db.find(wanted), nullptr);
    my_string no_g("ACA");
    EXPECT_STREQ(db.find(no_g)->id.str, "h3");

    db.reset();
    EXPECT_EQ(db.find(t), nullptr);
    EXPECT_STREQ(db.name.str, "no_name");
}

// ---- Association with a distance matrix ----

DistMat labelled(std::vector<std::string> const& labels)
{
    DistMat m;
    m.initializeMatrixAndArrays(static_cast<double>(labels.size()));
    for (std::size_t i = 0; i < labels.size(); ++i)
        m.labels[i] = labels[i].c_str();
    return m;
}

TEST_F(HaploDbTest, AssociationByLabels)
{
    const char* const where = "Haplo_DB::associate_with1()";
    DistMat m = labelled({"h1", "h2", "h3"});
    add("h1", "A");
    add("h3", "C");
    EXPECT_EQ(db.associate_with1(m), 1);
    EXPECT_EQ(indices_of(db), (std::vector<int>{0, 2}));
    EXPECT_EQ(take_log(),
              report(1, "WARNING", 1, where, 28) +
                  "\tHaplotype \"h2\" defined in the labels of the user-defined\n"
                  "\tdistance matrix was not found in any population sample\n"
                  "      During the association of the Distance matrix LABELS and \n"
                  "      the haplotype list, 1 LABELS where found\n"
                  "      that did not correspond to any haplotype defined in the samples.\n"
                  "      To be sure that there is no error in the data input file\n"
                  "      check if all LABELS or Haplotype names are valid.\n");

    db.reset();
    for (const char* id : {"h1", "h2", "h3", "h4"})
        add(id, "A");
    EXPECT_EQ(db.associate_with1(m), 0);
    EXPECT_EQ(indices_of(db), (std::vector<int>{0, 1, 2, -1}));
    EXPECT_EQ(take_log(), report(1, "ERROR", 1, where, 173));

    DistMat no_labels;
    EXPECT_EQ(db.associate_with1(no_labels), 0);
    EXPECT_EQ(indices_of(db), (std::vector<int>{-1, -1, -1, -1}));
    EXPECT_EQ(take_log(), report(1, "WARNING", 1, where, 29));
}

TEST_F(HaploDbTest, AssociationByPosition)
{
    DistMat m = labelled({"a", "b", "c", "d"});
    for (const char* id : {"h1", "h2", "h3", "h4", "h5"})
        add(id, "A");
    EXPECT_EQ(db.associate_with2(m), 0);
    EXPECT_EQ(indices_of(db), (std::vector<int>{-1, -1, -1, -1, -1}));
    EXPECT_EQ(take_log(), report(1, "ERROR", 1, "Haplo_DB::associate_with2()", 30));

    m.constant_mode = 1;
    EXPECT_EQ(db.associate_with2(m), 1);
    EXPECT_EQ(indices_of(db), (std::vector<int>{0, 1, 2, 3, 4}));
}

// ---- Writer ----

TEST_F(HaploDbTest, WrittenListReadsBack)
{
    std::ostringstream nothing;
    nothing << db;
    EXPECT_EQ(nothing.str(), "");

    use(DNA, 0);
    add("h1", "ACGTTA");
    add("h2", "ACGTTC");
    db.name = "UNKNOWN";
    std::ostringstream out;
    out << db;
    const std::string text = out.str();
    EXPECT_EQ(text,
              "\n\t[[HaplotypeDefinition]]\n\n\t\tHaplListName=\"generated by drovalen\"\n"
              "\t\tHaplList={\nh1\tACGTTA\nh2\tACGTTC\n\t\t}\n\n");

    Haplo_DB back;
    std::istringstream in(text.substr(text.find("{\n") + 2));
    int line = 0;
    EXPECT_EQ(back.NewReadHaplotypeList(in, profile, false, line), 1);
    EXPECT_EQ(ids_of(back), ids_of(db));
    EXPECT_EQ(contents_of(back), contents_of(db));
}

// ---- Line reader ----

TEST_F(HaploDbTest, LineReaderReadsAnInlineList)
{
    use(DNA, 0);
    int line = 20;
    EXPECT_EQ(read_list("h1 ACG TTA # first\n\n   \n\th2\tACGTTC\n  }\n[[Samples]]\n", false, line), 1);
    EXPECT_EQ(ids_of(db), (std::vector<std::string>{"h1", "h2"}));
    EXPECT_EQ(contents_of(db), (std::vector<std::string>{"ACGTTA", "ACGTTC"}));
    EXPECT_EQ(line, 25);  // empty lines are counted, the brace line included
    EXPECT_EQ(take_log(), "");
}

TEST_F(HaploDbTest, LineReaderPutsTheSeparatorBeforeEachWord)
{
    use(MICROSAT, ' ');
    EXPECT_EQ(read_list("h1 12 14 16\nh2  12 14 15 \n}\n"), 1);
    EXPECT_EQ(contents_of(db), (std::vector<std::string>{" 12 14 16", " 12 14 15"}));

    db.reset();
    use(FREQUENCY, 0);
    EXPECT_EQ(read_list("h1\nh2\n}\n"), 1);  // frequency data: ids alone
    EXPECT_EQ(ids_of(db), (std::vector<std::string>{"h1", "h2"}));
}

TEST_F(HaploDbTest, ExternalListsEndWithTheFileOrTheNextSubsection)
{
    use(DNA, 0);
    const std::string definitions = "h1 ACGTTA\nh2 ACGTTC\n";
    const std::string texts[] = {definitions, definitions + "}\n", definitions + "[[Samples]]\nh3 A\n"};
    for (std::string const& text : texts) {
        SCOPED_TRACE(text);
        db.reset();
        EXPECT_EQ(read_list(text, true), 1);
        EXPECT_EQ(ids_of(db), (std::vector<std::string>{"h1", "h2"}));
    }
    EXPECT_EQ(take_log(), "");
}

struct ListFailure {
    const char* what;
    std::string text;
    std::string detail;
    std::vector<int> messages;  // ERROR reports of the line reader, after any data report
    std::vector<std::string> ids_left;
};

TEST_F(HaploDbTest, LineReaderFailures)
{
    use(DNA, 0);
    const std::string brace_missing =
        "\tMissing closing brace in Haplotype definition list, aborting reading procedure\n";
    const ListFailure cases[] = {
        {"inline list ended by the next subsection", "h1 ACGTTA\n[[DistanceMatrix]]\n",
         brace_missing, {194}, {"h1"}},
        {"inline list ended by the file", "h1 ACGTTA\nh2 ACGTTC\n", brace_missing, {194},
         {"h1", "h2"}},
        {"repeated id", "h1 ACGTTA\nh2 ACGTTC\nh1 ACGTTG\n}\n",
         "\tHaplotype \"h1\" listed on line 13 is already defined previously, aborting reading "
         "procedure...\n",
         {31}, {}},
        {"different number of loci", "h1 ACGTTA\nh2 ACGTT\n}\n",
         "\tNumber of loci for haplotype \"h2\" is different (5) from that previously defined (6) "
         "on line 12\n",
         {69}, {"h1"}},
        {"brace glued to the data", "h1 ACGTA\nh3 ACGT}\n",
         "\tUnable to read haplotype definition on line 12, aborting reading procedure\n", {26, 33},
         {}},
    };
    for (ListFailure const& c : cases) {
        SCOPED_TRACE(c.what);
        db.reset();
        int line = 10;
        EXPECT_EQ(read_list(c.text, false, line), 0);
        EXPECT_EQ(ids_of(db), c.ids_left);
        std::string expected;
        int n = 1;
        if (c.messages.size() == 2)  // the data check reports first
            expected += report(n++, "ERROR", 1, "HaploDef::read_data()", c.messages[0]);
        expected += c.detail + report(n, "ERROR", n, LINE_READER, c.messages.back());
        EXPECT_EQ(take_log(), expected);
    }
}

TEST_F(HaploDbTest, LineReaderRefusesAFinishedStreamAndKeepsEarlierDefinitions)
{
    use(DNA, 0);
    add("h0", "AAAAAA");
    std::istringstream ended("");
    ended.get();
    int line = 0;
    EXPECT_EQ(db.NewReadHaplotypeList(ended, profile, true, line), 0);
    EXPECT_EQ(take_log(), "\tUnable to read haplotype list, aborting reading procedure\n" +
                              report(1, "ERROR", 1, LINE_READER, 40));

    EXPECT_EQ(read_list("h1 ACGTTA\n}\n"), 1);
    EXPECT_EQ(ids_of(db), (std::vector<std::string>{"h0", "h1"}));
    EXPECT_EQ(read_list("h0 ACGTTA\n}\n"), 0);  // an id of an earlier call is a repeat too
    EXPECT_EQ(db.list.count, 0);
}

// ---- Older keyword reader ----

class KeywordReaderTest : public HaploDbTest {
protected:
    settings run;

    void SetUp() override
    {
        HaploDbTest::SetUp();
        use(DNA, 0);
        run.project_dir = (std::string(DROV_TEST_DATA) + "/model/").c_str();
        profile.RunSettings = &run;
    }

    int open_text(std::string const& text)
    {
        std::ifstream in(write_file("subsection.txt", text));
        return db.open(in, profile);
    }
};

TEST_F(KeywordReaderTest, ReadsInlineAndExternalLists)
{
    std::ifstream inline_file(std::string(DROV_TEST_DATA) + "/model/haplo_keyword_inline.txt");
    ASSERT_TRUE(inline_file);
    EXPECT_EQ(db.open(inline_file, profile), 1);
    EXPECT_STREQ(db.name.str, "list1");
    EXPECT_EQ(ids_of(db), (std::vector<std::string>{"h1", "h2", "h3"}));
    EXPECT_EQ(contents_of(db), (std::vector<std::string>{"ACGTTA", "ACGTTC", "AC?TTC"}));
    EXPECT_EQ(take_log(), "");

    // The external file's name is relative: it is looked for in the project's folder.
    std::ifstream extern_file(std::string(DROV_TEST_DATA) + "/model/haplo_keyword_extern.txt");
    ASSERT_TRUE(extern_file);
    EXPECT_EQ(db.open(extern_file, profile), 1);
    EXPECT_EQ(ids_of(db), (std::vector<std::string>{"e1", "e2"}));
    EXPECT_EQ(contents_of(db), (std::vector<std::string>{"ACGTTA", "TCGTTA"}));
    EXPECT_EQ(take_log(), report(1, "INFO", 1, "Haplo_DB::read_id_content()", 35));
}

struct Report {
    const char* kind;
    std::string function;
    int message;
};

// The log of reports in order, with their running numbers and per-kind counts.
std::string reports_text(std::vector<Report> const& reports)
{
    std::string text;
    int warnings = 0, errors = 0, infos = 0;
    for (std::size_t k = 0; k < reports.size(); ++k) {
        std::string kind = reports[k].kind;
        int& count = kind == "WARNING" ? warnings : kind == "INFO" ? infos : errors;
        text += report(static_cast<int>(k) + 1, reports[k].kind, ++count, reports[k].function,
                       reports[k].message);
    }
    return text;
}

struct KeywordCase {
    const char* what;
    std::string text;
    std::vector<Report> reports;
};

TEST_F(KeywordReaderTest, FailuresEmptyTheList)
{
    const std::string long_id(300, 'x');
    const char* const ID = "Haplo_DB::read_id_content()";
    const Report refused = {"WARNING", "Haplo_DB::get_settings(ifstream& ifs)", 41};
    const Report not_read = {"ERROR", ID, 40};
    const KeywordCase cases[] = {
        {"repeated id", "HaplList = {\nh1 ACGT\nh1 ACGA\n}\n",
         {{"ERROR", "Haplo_DB::read_haplotype() (\"h1\")", 31}, not_read, refused}},
        {"long repeated id", "HaplList = {\n" + long_id + " ACGT\n" + long_id + " ACGA\n}\n",
         {{"ERROR", "Haplo_DB::read_haplotype() (\"" + long_id + "\")", 31}, not_read, refused}},
        {"id without data", "HaplList = {\nh1 ACGT\nh2   # none\n}\n",
         {{"ERROR", "Haplo_DB::read_haplotype() (\"h2\")", 32}, not_read, refused}},
        {"refused data", "HaplList = {\nh1 ACGT\nh2 AC:GT\n}\n",
         {{"ERROR", "HaploDef::read_data()", 26}, {"ERROR", "Haplo_DB::read_haplotype()", 33},
          not_read, refused}},
        {"extern without a file name", "HaplList = EXTERN\n", {refused}},
        {"missing external file", "HaplList = EXTERN \"none.txt\"\n",
         {{"INFO", ID, 35}, {"ERROR", ID, 36}, refused}},
        {"another word", "HaplList = LIST\n", {{"ERROR", ID, 38}, refused}},
        {"no brace", "HaplList = (h1 ACGT)\n", {{"ERROR", ID, 39}, refused}},
        {"bad list name", "HaplListName = (x)\n", {{"ERROR", ID, 34}, refused}},
    };
    for (KeywordCase const& c : cases) {
        SCOPED_TRACE(c.what);
        add("old", "A");  // emptied by open in any case
        EXPECT_EQ(open_text(c.text), 0);
        EXPECT_EQ(db.list.count, 0);
        EXPECT_EQ(take_log(), reports_text(c.reports));
    }
}

TEST_F(KeywordReaderTest, ProfileKeywordsGoToTheListsOwnProfile)
{
    EXPECT_EQ(open_text("MissingData = 'X'\nHaplList = {\nh1 ACXT\n}\n"), 1);
    EXPECT_EQ(db.profile.MissingData, 'X');
    EXPECT_EQ(profile.MissingData, '?');  // the project's profile is not touched
    EXPECT_EQ(contents_of(db), (std::vector<std::string>{"ACXT"}));
}

TEST_F(KeywordReaderTest, KeywordOutsideTheTableIsRefused)
{
    EXPECT_EQ(open_text("Colour = red\n"), 0);
    EXPECT_EQ(take_log(), report(1, "WARNING", 1, "Haplo_DB::get_settings(ifstream& ifs)", 41));
}

}  // namespace
