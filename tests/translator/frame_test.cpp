// The translator frame: the comment header, the two steps with their log
// lines and failures, the data preparation of the export step, and the
// project format as source and as target.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <ctime>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "translator/translator_fixture.h"

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

// A haplotypic DNA project whose second sequence has `length` bases, in the
// form that the cleaner leaves as it is.
std::string dna_project(int length)
{
    return "[Profile]\n"
           "Title=\"Long sequences\"\n"
           "NbSamples=1\n"
           "DataType=DNA\n"
           "GenotypicData=0\n"
           "LocusSeparator=NONE\n"
           "[Data]\n"
           "[[Samples]]\n"
           "SampleName=\"s\"\n"
           "SampleSize=2\n"
           "SampleData={\n"
           "h1 1 " + std::string(length, 'A') + "\n"
           "h2 1 " + std::string(length - 1, 'A') + "C\n"
           "}\n";
}

const char* const GENOTYPIC = "[Profile]\n"
                              "  Title=\"Phase known\"  NbSamples=1  GenotypicData=1\n"
                              "  GameticPhase=1  DataType=STANDARD  LocusSeparator=WHITESPACE\n"
                              "[Data]\n"
                              "[[Samples]]\n"
                              "  SampleName=\"s1\"  SampleSize=4\n"
                              "  SampleData={\n"
                              "    i1 1 a b\n"
                              "         b b\n"
                              "    i2 1 c ?\n"
                              "         a b\n"
                              "  }\n";

TEST_F(TranslatorTest, HeaderNamesTheDateTheInputAndItsFormat)
{
    std::tm when{};
    when.tm_year = 2025 - 1900;
    when.tm_mon = 11;
    when.tm_mday = 8;
    when.tm_hour = 19;
    when.tm_min = 23;
    when.tm_sec = 5;
    struct Case {
        int code;
        const char* name;
    };
    const std::vector<Case> cases = {{FORMAT_GENEPOP, "\"GenePop\" "}, {FORMAT_PHYLIP, "\"Phylip\" "},
                                     {FORMAT_MEGA, "\"Mega\" "},       {FORMAT_BIOSYS, "\"Biosys\" "},
                                     {FORMAT_WINKESTA, "\"WinKesta\" "}};
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::ostringstream out;
        translator.os = &out;
        translator.code = c.code;
        translator.input_name = "data/seq.phy";
        translator.create_header(when);
        EXPECT_EQ(out.str(), std::string("#File created by Drovalen translator on 08/12/2025 at "
                                         "19:23:05)\n#The input file was \"data/seq.phy\"  with format ")
                                 + c.name + "\n\n");
    }
}

TEST_F(TranslatorTest, ImportWritesTheHeaderThenTheReadersTextAndLogsItsProgress)
{
    std::string text = import_text(FORMAT_GENEPOP, "in.gen", "T\nL1\nPop\nA, 0101\n");
    EXPECT_EQ(status, 1);
    std::string path = (dir / "in.gen").string();
    EXPECT_THAT(text, StartsWith("#File created by Drovalen translator on "));
    EXPECT_THAT(text, HasSubstr(")\n#The input file was \"" + path
                                + "\"  with format \"GenePop\" \n\n[Profile]\n"));
    EXPECT_EQ(take_log(), "\tReading  " + path + " ...\tdone.\n");
}

TEST_F(TranslatorTest, InputThatCannotBeOpenedStopsTheImport)
{
    for (int format : {FORMAT_GENEPOP, FORMAT_DROVALEN}) {
        SCOPED_TRACE(format);
        std::string path = (dir / "missing.txt").string();
        import_file(format, path);
        EXPECT_EQ(status, 0);
        std::string log = take_log();
        EXPECT_THAT(log, StartsWith("\tReading  " + path + " ...\n"));
        EXPECT_THAT(log, HasSubstr("\t\tTranslator is unable to open the input file " + path + "\n"));
        EXPECT_THAT(log, Not(HasSubstr("done.")));
    }
}

TEST_F(TranslatorTest, ProjectFormatAsSourceIsTheCleanedProjectAndOneEmptyLine)
{
    std::string project_text = dna_project(20000);
    std::string text = import_text(FORMAT_DROVALEN, "long.drp",
                                   "# made by hand\r\n" + project_text);
    EXPECT_EQ(status, 1);
    // The cleaned copy ends with an empty line of its own.
    EXPECT_TRUE(text == project_text + "\n\n") << text.substr(0, 300);
    EXPECT_FALSE(fs::exists(dir / "long.res" / "long.drp"));
}

TEST_F(TranslatorTest, ProjectFormatAsTargetCopiesTheTemporaryProjectAndOneEmptyLine)
{
    std::string project_text = dna_project(20000);
    std::string dos = project_text;
    dos.replace(dos.find("\n"), 1, "\r\n");
    std::string text = export_text(FORMAT_DROVALEN, dos);
    EXPECT_TRUE(text == project_text + "\n") << text.substr(0, 300);
    EXPECT_EQ(status, 1);
    EXPECT_THAT(take_log(), EndsWith("    Writing  " + (dir / "out.txt").string() + "... done.\n"));
    EXPECT_EQ(translator_temporaries(dir), "");
}

TEST_F(TranslatorTest, ExportPreparesGenotypesAndPutsTheSettingsBack)
{
    settings& s = project.run_settings;
    s.TaskNumber = 0x5;
    s.InitialConditionsEM = 7;
    s.NumBootstrapReplicatesEM = 3;
    std::string text = export_text(FORMAT_GENEPOP, GENOTYPIC);
    EXPECT_EQ(status, 1);
    // Both gene copies of every individual have their alleles in the database.
    EXPECT_THAT(text, HasSubstr("POP\ni1, 0102 0101 \ni2, 0301 0001 \n"));
    EXPECT_EQ(project.profile.GameticPhase, 0);
    EXPECT_EQ(s.TaskNumber, 0x5);
    EXPECT_EQ(s.InitialConditionsEM, 7);
    EXPECT_EQ(s.NumBootstrapReplicatesEM, 3);
    EXPECT_EQ(project.samples->Populations.count, 0);
    EXPECT_EQ(translator_temporaries(dir), "");
}

TEST_F(TranslatorTest, ProjectThatCannotBeReadOrPreparedWritesNothing)
{
    struct Case {
        const char* name;
        std::string text;
        const char* cause;
    };
    const std::vector<Case> cases = {
        {"no profile", "no project here\n", "Translator is unable to open the Drovalen File"},
        {"no sample",
         "[Profile]\n Title=\"T\" NbSamples=0 GenotypicData=0 DataType=STANDARD\n"
         "[Data]\n[[Samples]]\n",
         "no samples have been defined"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(export_text(FORMAT_GENEPOP, c.text), "");
        EXPECT_EQ(status, 0);
        std::string log = take_log();
        EXPECT_THAT(log, HasSubstr(c.cause));
        EXPECT_THAT(log, Not(HasSubstr("Writing")));
        EXPECT_EQ(translator_temporaries(dir), "");
    }
}

TEST_F(TranslatorTest, FormatWordsAreTheExactNames)
{
    struct Case {
        const char* word;
        int code;
    };
    const std::vector<Case> cases = {{"Genepop", FORMAT_GENEPOP}, {"Phylip", FORMAT_PHYLIP},
                                     {"Mega", FORMAT_MEGA},       {"Biosys", FORMAT_BIOSYS},
                                     {"WinKesta", FORMAT_WINKESTA}, {"Drovalen", FORMAT_DROVALEN},
                                     {"genepop", 0},              {"GenePop", 0},
                                     {"Mega ", 0}};
    for (Case const& c : cases)
        EXPECT_EQ(imp_exp::format_code(c.word), c.code) << c.word;
}

TEST_F(TranslatorTest, TemporaryFilesAreNewFilesOfUniqueNames)
{
    write_file("dum_dro_1.drp", "a file of the user's\n");
    my_string folder = (dir.string() + "/").c_str();
    my_string first = imp_exp::create_temporary(folder, "dum_dro", ".drp");
    my_string second = imp_exp::create_temporary(folder, "dum_dro", ".drp");
    EXPECT_EQ(std::string(first.str), (dir / "dum_dro_2.drp").string());
    EXPECT_EQ(std::string(second.str), (dir / "dum_dro_3.drp").string());
    EXPECT_TRUE(fs::exists(first.str));
    EXPECT_EQ(fs::file_size(first.str), 0u);
    EXPECT_EQ(read_text(dir / "dum_dro_1.drp"), "a file of the user's\n");
    // A folder that takes no file gives no name.
    EXPECT_TRUE(imp_exp::create_temporary((dir.string() + "/none/").c_str(), "t", ".txt").is_null());
}

TEST_F(TranslatorTest, NoOutputMayBeAnInputOfTheTranslation)
{
    fs::create_directory(dir / "sub");
    import_text(FORMAT_GENEPOP, "in.gen", "T\nL1\nPop\nA, 0101\n");
    take_log();
    struct Case {
        std::string name;
        bool allowed;
    };
    const std::vector<Case> cases = {
        {(dir / "in.gen").string(), false},
        {(dir / "sub" / ".." / "in.gen").string(), false},
        {(dir / "out.drp").string(), true},
        {(dir / "sub" / "in.gen").string(), true},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        EXPECT_EQ(translator.may_write(c.name.c_str()), c.allowed);
        std::string log = take_log();
        if (c.allowed)
            EXPECT_EQ(log, "");
        else
            EXPECT_EQ(log, "\t\tTranslator will not write " + c.name + ": it is the input file "
                               + (dir / "in.gen").string() + " of this translation\n");
    }
}

TEST_F(TranslatorTest, ProjectFormatTargetIsCopiedWithoutTheChecksOfARun)
{
    // Texts that a run refuses (no sample; sequences of unequal lengths;
    // not even a project): the user gets them to mend, the other targets
    // still refuse them.
    const std::vector<std::string> texts = {
        "[Profile]\n Title=\"T\" NbSamples=0 GenotypicData=0 DataType=STANDARD\n"
        "[Data]\n[[Samples]]\n",
        dna_project(12).replace(dna_project(12).find("h2 1 "), 5, "h2 1 AA"),
        "no project here\n",
    };
    for (std::string const& text : texts) {
        SCOPED_TRACE(text);
        EXPECT_EQ(export_text(FORMAT_DROVALEN, text), text + "\n");
        EXPECT_EQ(status, 1);
        EXPECT_THAT(take_log(), EndsWith("... done.\n"));
        export_text(FORMAT_PHYLIP, text);
        EXPECT_EQ(status, 0);
        EXPECT_THAT(take_log(), Not(HasSubstr("done.")));
    }
}

} // namespace

namespace {

// The object's own output stream: opened on the output name (an existing
// file truncated), closed and let go; a stream the driver handed over is
// only let go.
TEST_F(TranslatorTest, OwnOutputStreamTruncatesTheFileAndIsClosedByTheObject)
{
    fs::path file = write_file("own.txt", "old text\n");
    translator.output_name = file.string().c_str();
    translator.open_of_str();
    ASSERT_NE(translator.os, nullptr);
    EXPECT_EQ(translator.stream_flag, 1);
    *translator.os << "new";
    translator.close_of_str();
    EXPECT_EQ(translator.os, nullptr);
    EXPECT_EQ(translator.stream_flag, 1);
    EXPECT_EQ(read_text(file), "new");

    std::ostringstream drivers;
    translator.os = &drivers;
    translator.close_of_str();
    EXPECT_EQ(translator.os, nullptr);
    drivers << "still usable";
    EXPECT_EQ(drivers.str(), "still usable");
    translator.close_of_str();  // nothing set: nothing to do
}

} // namespace
