// End-to-end tests of the translate mode: the built drovexec converts files
// of tests/data/translator in a fresh temporary folder as a user would, and
// the files it writes, its log and its exit status are checked. Where an
// independent GenePop reader (the Biopython package) is installed, it checks
// the GenePop files both ways.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"
#include "translator/imp_exp.h"
#include "translator/translator_fixture.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;
using ::testing::Not;
using ::testing::StartsWith;

namespace {

const fs::path TRANSLATOR_DATA = fs::path(DROV_TEST_DATA) / "translator";
const fs::path EXAMPLES = fs::path(DROV_TEST_DATA).parent_path().parent_path() / "examples";

class TranslateE2E : public DrovexecTest {
protected:
    void add_fixture(std::string const& fixture, std::string const& name)
    {
        write(name, read_text(TRANSLATOR_DATA / fixture));
    }

    // Runs a shell command in the working folder: its output and errors.
    std::string run_command(std::string const& command)
    {
        std::string full = "cd '" + work.string() + "' && " + command + " > '"
                           + (root / "command.txt").string() + "' 2>&1";
        std::system(full.c_str());
        return read_text(root / "command.txt");
    }

    // The run list of one translation; `core` is its first line.
    void add_translation(std::vector<std::string> const& lines, std::string const& core = "")
    {
        std::string text = core + "\ntranslate\n";
        for (auto const& line : lines)
            text += line + "\n";
        write("dro_run.txt", text);
    }
};

TEST_F(TranslateE2E, GenePopFileBecomesAProjectThatRunsAndTranslatesBack)
{
    add_fixture("wolves.gen", "data/wolves.gen");
    // Files of the user's with the names the temporary files once had.
    write("trans_out.txt", "a file of the user's\n");
    write("core/dum_dro.drp", "a file of the user's\n");
    fs::create_directory(work / "core");
    add_translation({"Genepop", "Drovalen", "data/wolves.gen", "data/wolves.drp", "1"}, "core");

    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(out, "Drovexec terminated gracefully\n");
    std::string project = read_text(work / "data" / "wolves.drp");
    static const std::regex first_line(
        R"(#File created by Drovalen translator on \d\d/\d\d/\d{4} at \d\d:\d\d:\d\d\)\n)");
    std::smatch found;
    ASSERT_TRUE(std::regex_search(project, found, first_line, std::regex_constants::match_continuous));
    EXPECT_EQ(found.suffix().str(), read_text(TRANSLATOR_DATA / "golden_wolves.txt"));

    std::string log = read_text(work / "data" / "Drovalen_log.txt");
    EXPECT_THAT(log, StartsWith("Log file path: data/Drovalen_log.txt\n"
                                "Core Program Directory: core/\n"
                                "Random number generator initialized with lidum=-4242\n"
                                "\tReading  data/wolves.gen ...\tdone.\n"));
    EXPECT_THAT(log, HasSubstr("\n    Writing  data/wolves.drp... done.\n"));
    EXPECT_EQ(read_text(work / "trans_out.txt"), "a file of the user's\n");
    EXPECT_EQ(read_text(work / "core" / "dum_dro.drp"), "a file of the user's\n");
    EXPECT_EQ(translator_temporaries(work), "");

    // The project runs as it was written.
    write("data/run.drs", run_settings_text({{"TaskNumber", "1"}}));
    ASSERT_EQ(run("data/wolves.drp data/run.drs"), 0) << err;
    EXPECT_THAT(read_text(work / "data" / "wolves.res" / "Drovalen_log.txt"),
                HasSubstr("Successful run of data/wolves.drp\n"));

    add_translation({"Drovalen", "Genepop", "data/wolves.drp", "data/back.gen"});
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(read_text(work / "data" / "back.gen"),
              read_text(TRANSLATOR_DATA / "golden_wolves_back.gen"));
    EXPECT_THAT(read_text(work / "data" / "Drovalen_log.txt"),
                HasSubstr("\tReading  data/wolves.drp ...\tdone.\n"));
    EXPECT_EQ(read_text(work / "trans_out.txt"), "a file of the user's\n");
    EXPECT_EQ(translator_temporaries(work), "");
}

// The indented blocks of the README's section `heading`, each without its
// indentation, in order.
std::vector<std::string> readme_blocks(std::string const& heading)
{
    std::istringstream readme(read_text(EXAMPLES.parent_path() / "README.md"));
    std::vector<std::string> blocks;
    std::string line;
    bool inside = false, in_block = false;
    while (std::getline(readme, line)) {
        if (line.rfind("## ", 0) == 0)
            inside = line == heading;
        bool indented = inside && line.rfind("    ", 0) == 0;
        if (indented && !in_block)
            blocks.emplace_back();
        if (indented)
            blocks.back() += line.substr(4) + "\n";
        in_block = indented;
    }
    return blocks;
}

TEST_F(TranslateE2E, ReadmeExampleRunsAsWritten)
{
    std::vector<std::string> blocks = readme_blocks("## Translate a data file");
    ASSERT_EQ(blocks.size(), 2u);
    EXPECT_EQ(blocks[1], "(cd examples && ../build/release/drovexec)\n");
    // The example file of the project, the run list as the README shows it,
    // and the program where the command looks for it.
    fs::create_directories(work / "examples");
    fs::copy_file(EXAMPLES / "wolves.gen", work / "examples" / "wolves.gen");
    write("examples/dro_run.txt", blocks[0]);
    fs::create_directories(work / "build" / "release");
    fs::create_symlink(program, work / "build" / "release" / "drovexec");

    std::string command = "cd '" + work.string() + "' && " + blocks[1];
    ASSERT_EQ(std::system(command.c_str()), 0);
    std::string project = read_text(work / "examples" / "wolves.drp");
    // The project of the test fixture of the same data, read from another name.
    std::string golden = read_text(TRANSLATOR_DATA / "golden_wolves.txt");
    ASSERT_THAT(project, StartsWith("#File created by Drovalen translator on "));
    std::size_t second_line = project.find('\n') + 1;
    EXPECT_EQ(project.substr(second_line, project.find('\n', second_line) + 1 - second_line),
              "#The input file was \"wolves.gen\"  with format \"GenePop\" \n");
    EXPECT_EQ(project.substr(project.find('\n', second_line) + 1),
              golden.substr(golden.find('\n') + 1));
}

TEST_F(TranslateE2E, FailedTranslationSaysWhyWritesNoOutputAndExitsNonZero)
{
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        std::string cause;
        std::string console;  // the cause as the console shows it
    };
    std::vector<Case> cases = {
        {"missing input", {"Genepop", "Drovalen", "data/none.gen", "data/out.drp", "1"},
         "\tReading  data/none.gen ...\n\t\tTranslator is unable to open the input file data/none.gen\n",
         "Translator is unable to open the input file data/none.gen"},
        {"unreadable project", {"Drovalen", "Genepop", "data/bad.drp", "data/out.gen"},
         "\t\tTranslator is unable to open the Drovalen File\n",
         "Translator is unable to open the Drovalen File"},
        {"missing distance file",
         {"WinKesta", "Drovalen", "data/set.lst", "data/out.drp", "data/none.dis", "data/set_"},
         "\tReading  data/set.lst ...\n\t\tTranslator is unable to open the input file data/none.dis\n",
         "Translator is unable to open the input file data/none.dis"},
        {"output that is the input", {"Genepop", "Drovalen", "data/set.lst", "data/set.lst", "1"},
         "\t\tTranslator will not write data/set.lst: it is the input file data/set.lst of this "
         "translation\n",
         "Translator will not write data/set.lst: it is the input file data/set.lst of this "
         "translation"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(work);
        fs::create_directory(work);
        write("data/bad.drp", "no project in here\n");
        write("data/set.lst", "1 Set\npop1\n");
        add_translation(c.lines);

        EXPECT_EQ(run(""), 1) << err;
        std::string log = read_text(work / "data" / "Drovalen_log.txt");
        EXPECT_THAT(log, HasSubstr(c.cause));
        EXPECT_THAT(log, Not(HasSubstr("Writing")));
        EXPECT_EQ(out, "Drovexec terminated gracefully\n");
        EXPECT_EQ(err, "drovexec: translation failed: " + c.console
                           + " (see data/Drovalen_log.txt)\n");
        if (c.lines[2] == c.lines[3])
            continue;
        EXPECT_FALSE(fs::exists(work / c.lines[3]));
        EXPECT_EQ(translator_temporaries(work), "");
    }
}

// The records of a translated project's first sample, one "<id> <data>"
// line each (trailing blanks of the id dropped).
std::string project_records(std::string const& project)
{
    std::size_t at = project.find("SampleData={\n");
    std::string records;
    if (at == std::string::npos)
        return records;
    std::istringstream lines(project.substr(at + 13));
    std::string line;
    while (std::getline(lines, line) && line.find('}') == std::string::npos) {
        std::istringstream words(line);
        std::string id, count, data;
        words >> id >> count >> data;
        records += id + "\t" + data + "\n";
    }
    return records;
}

TEST_F(TranslateE2E, PhylipFileBecomesAProjectThatRunsAndTranslatesBack)
{
    add_fixture("hominoids.drp", "hominoids.drp");
    add_translation({"Drovalen", "Phylip", "hominoids.drp", "apes.phy"});
    ASSERT_EQ(run(""), 0) << err;
    std::string h1 = "ACGTTGCAAGGCTTACCGATAGCTTAGCAATCGGATCCTA";
    EXPECT_EQ(read_text(work / "apes.phy"),
              "5     40\n"
              "H10       " + h1 + "\n"
              "H11       " + h1 + "\n"
              "H20       ACGTTGCAAGGCTTACCGATAGCTTAGCAATCGGATCCTG\n"
              "Haplot0   ACGTAGCAAGGCTTACCGTTAGCTTAGCAATCGGATCCTA\n"
              "Haplot0_1 ACGTTGCAAGCCTTACCGATAGCATAGCAATCGGTTCCTA\n");

    add_translation({"Phylip", "Drovalen", "apes.phy", "apes.drp"});
    ASSERT_EQ(run(""), 0) << err;
    std::string project = read_text(work / "apes.drp");
    EXPECT_THAT(project, HasSubstr("\t LocusSeparator=NONE\n"));
    EXPECT_THAT(project, HasSubstr("\t\t SampleName= \"Population1\"\n\t\t SampleSize= 5\n"));
    EXPECT_THAT(project, HasSubstr("H10        1 " + h1 + "\n"));
    write("run.drs", run_settings_text({{"TaskNumber", "1"}}));
    ASSERT_EQ(run("apes.drp run.drs"), 0) << err;
    EXPECT_THAT(read_text(work / "apes.res" / "Drovalen_log.txt"),
                HasSubstr("Successful run of apes.drp\n"));
}

// The sequences of a Phylip file, one "<name> <sequence>" line each, the
// name taken from columns 1 to 10 without its trailing blanks.
std::string phylip_records(std::string const& phylip)
{
    std::istringstream lines(phylip);
    std::string line, records;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::string name = line.substr(0, 10);
        records += name.substr(0, name.find(' ')) + "\t" + line.substr(10) + "\n";
    }
    return records;
}

TEST_F(TranslateE2E, SamplesMergedIntoPhylipReadBackWithEverySequence)
{
    fs::create_directory(work / "far");
    fs::copy_file(EXAMPLES / "example.drp", work / "far" / "example.drp");
    add_translation({"Drovalen", "Phylip", "far/example.drp", "lakes.phy"});
    ASSERT_EQ(run(""), 0) << err;
    // The file opens with its dimensions; the note is on the console and in the log.
    std::string phylip = read_text(work / "lakes.phy");
    EXPECT_THAT(phylip, StartsWith("21     20\nh10       ACGTACGTACGTTAGCATGC\n"));
    EXPECT_EQ(count_of(phylip, "\n"), 22);
    const char* note =
        "  As it is not possible to convert files containing more than one population\n"
        "  into PHYLIP format, original population samples have been merged into \n"
        "  a single population.\n";
    EXPECT_THAT(out, StartsWith(note));
    EXPECT_THAT(read_text(work / "far" / "Drovalen_log.txt"),
                HasSubstr("\t\tAs it is not possible to convert files containing more than one "
                          "population into PHYLIP format, original population samples have been "
                          "merged into a single population.\n    Writing  lakes.phy... done.\n"));
    // No results folder is left beside the input; one that was there stays.
    EXPECT_FALSE(fs::exists(work / "far" / "example.res"));
    write("far/example.res/kept.txt", "a result of the user's\n");
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(read_text(work / "far" / "example.res" / "kept.txt"), "a result of the user's\n");

    add_translation({"Phylip", "Drovalen", "lakes.phy", "lakes.drp"});
    ASSERT_EQ(run(""), 0) << err;
    std::string project = read_text(work / "lakes.drp");
    EXPECT_THAT(project, HasSubstr("\t LocusSeparator=NONE\n"));
    EXPECT_THAT(project, HasSubstr("\t\t SampleSize= 21\n"));
    EXPECT_EQ(project_records(project), phylip_records(phylip));
    EXPECT_THAT(read_text(work / "Drovalen_log.txt"), Not(HasSubstr("WARNING")));
    write("run.drs", run_settings_text({{"TaskNumber", "1"}}));
    ASSERT_EQ(run("lakes.drp run.drs"), 0) << err;
    EXPECT_THAT(read_text(work / "lakes.res" / "Drovalen_log.txt"),
                HasSubstr("Successful run of lakes.drp\n"));
}

TEST_F(TranslateE2E, PhylipNamesPaddedToFewerColumnsEndAtTheFirstBlank)
{
    // Written as another program writes them: names padded to 8 columns.
    add_fixture("padded_names.phy", "mice.phy");
    add_translation({"Phylip", "Drovalen", "mice.phy", "mice.drp"});
    ASSERT_EQ(run(""), 0) << err;
    std::string project = read_text(work / "mice.drp");
    EXPECT_THAT(project, HasSubstr("\t LocusSeparator=NONE\n"));
    EXPECT_EQ(project_records(project), "No305\tACGTACGTACGT\nNo304\tACGTACGTACGA\n"
                                        "No1024\tACGTACCTACGA\nMus\tACGTTCCTACGA\n");
    std::string log = read_text(work / "Drovalen_log.txt");
    EXPECT_THAT(log, HasSubstr("\tReading  mice.phy ...\n\t\tThe names end at the first blank of "
                               "each line, not at column 10: so every sequence has the header's "
                               "12 characters\n\tdone.\n"));
    EXPECT_THAT(log, Not(HasSubstr("WARNING")));
    write("run.drs", run_settings_text({{"TaskNumber", "1"}}));
    ASSERT_EQ(run("mice.drp run.drs"), 0) << err;
    EXPECT_THAT(read_text(work / "mice.res" / "Drovalen_log.txt"),
                HasSubstr("Successful run of mice.drp\n"));
}

TEST_F(TranslateE2E, PhylipRowsOfAnotherLengthAreNamedWhateverTheTarget)
{
    // Names padded to 8 columns and the last sequence short: neither the
    // 10-column rule nor names up to the first blank give the header's length,
    // and every sequence loses its first two bases to its name.
    write("mice.phy", "3 12\nNo305   ACGTACGTACGT\nNo304   ACGTACGTACGA\nNo306   ACGTACCTAC\n");
    for (const char* target : {"Drovalen", "Genepop", "Mega"}) {
        SCOPED_TRACE(target);
        add_translation({"Phylip", target, "mice.phy", "mice.out"});
        run("");
        std::string log = read_text(work / "Drovalen_log.txt");
        EXPECT_THAT(log, HasSubstr("\tReading  mice.phy ...\n\t\tWARNING: line 2 of the Phylip "
                                   "file, sequence \"No305   AC\": 10 characters, the header says "
                                   "12\n"));
        EXPECT_THAT(log, HasSubstr("\t\tWARNING: line 4 of the Phylip file, sequence \"No306   "
                                   "AC\": 8 characters, the header says 12\n"));
    }
}

TEST_F(TranslateE2E, MegaFileBecomesAProjectThatRunsAndTranslatesBack)
{
    add_fixture("interleaved.meg", "mustelids.meg");
    add_translation({"Mega", "Drovalen", "mustelids.meg", "mustelids.drp"});
    ASSERT_EQ(run(""), 0) << err;
    std::string project = read_text(work / "mustelids.drp");
    EXPECT_THAT(project, HasSubstr("\t Title= \"Three taxa in two blocks\"\n"
                                   "#!Format DataType=DNA indel=-;\n"));
    EXPECT_THAT(project, HasSubstr("\t\t SampleName=\"Population1\"\n"));
    EXPECT_EQ(project_records(project),
              "Seal\tACGTACGTACGGTTAACC\nOtter\tACGTACGTTCGGTTAACA\nMink\tACCTACGTACGGATAACC\n");
    write("run.drs", run_settings_text({{"TaskNumber", "1"}}));
    ASSERT_EQ(run("mustelids.drp run.drs"), 0) << err;

    add_translation({"Drovalen", "Mega", "mustelids.drp", "back.meg"});
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(read_text(work / "back.meg"),
              "#mega\n"
              "TITLE:Three taxa in two blocks\n"
              "\n"
              "#Seal0  ACGTACGTACGGTTAACC\n"
              "#Otter0  ACGTACGTTCGGTTAACA\n"
              "#Mink0  ACCTACGTACGGATAACC\n"
              "\n\n");
    // Once more round: the title and the sample's name stay as they were.
    add_translation({"Mega", "Drovalen", "back.meg", "again.drp"});
    ASSERT_EQ(run(""), 0) << err;
    std::string again = read_text(work / "again.drp");
    EXPECT_THAT(again, HasSubstr("\t Title= \"Three taxa in two blocks\"\n"));
    EXPECT_THAT(again, HasSubstr("\t\t SampleName=\"Population1\"\n"));
}

TEST_F(TranslateE2E, WinKestaSetBecomesAStructuredProjectThatRunsAndTranslatesBack)
{
    for (const char* file : {"kesta.lst", "kesta.dis", "kesta_north.pop", "kesta_valley.pop",
                             "kesta_south.pop"})
        add_fixture(file, file);
    add_translation({"WinKesta", "Drovalen", "kesta.lst", "colonies.drp", "kesta.dis", "kesta_"});
    ASSERT_EQ(run(""), 0) << err;
    std::string project = read_text(work / "colonies.drp");
    // The title without the number of groups before it, which the writer
    // puts back: a round trip keeps the list file's first line.
    EXPECT_THAT(project, HasSubstr("\t Title=\"Northern and southern colonies\"\n"));
    EXPECT_THAT(project, HasSubstr("\t DataType=FREQUENCY\n"));
    EXPECT_THAT(project, HasSubstr("\t\t     MatrixData=EXTERN \"kesta.dis\"\n"));
    EXPECT_THAT(project, HasSubstr("     \tNbGroups=2\n"));
    EXPECT_THAT(project, HasSubstr("\t\tGroup={\n\"kesta_north\"\n\"kesta_valley\"\n}\n"
                                   " \t\tGroup={\n\"kesta_south\"\n}\n"));
    write("run.drs", run_settings_text({{"TaskNumber", "1"}}));
    ASSERT_EQ(run("colonies.drp run.drs"), 0) << err;
    EXPECT_THAT(read_text(work / "colonies.res" / "Drovalen_log.txt"),
                HasSubstr("Successful run of colonies.drp\n"));

    // The population files and the distance file go to the working folder;
    // the project, moved with its distance file to a folder of its own, is
    // read from there.
    fs::create_directory(work / "set");
    for (const char* file : {"colonies.drp", "kesta.dis"})
        fs::copy_file(work / file, work / "set" / file);
    add_translation({"Drovalen", "WinKesta", "set/colonies.drp", "back.lst"});
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(read_text(work / "back.lst"), "2 Northern and southern colonies\n1 2 \n3 \n");
    EXPECT_EQ(read_text(work / "kesta1.pop"), "12 kesta_north\nA  7\nB  5\n");
    EXPECT_EQ(read_text(work / "kesta3.pop"), "10 kesta_south\nB  6\nC  4\n");
    EXPECT_EQ(read_text(work / "kesta.dis"), read_text(TRANSLATOR_DATA / "kesta.dis"));
}

TEST_F(TranslateE2E, HaploidGenePopFileWithTabsBecomesAProjectThatRuns)
{
    write("voles.gen", "Haploid voles\nLoc1\tLoc2\tLoc3\n"
                       "Pop\nv1,\t01\t02\t001\nv2,\t02\t02\t003\n"
                       "POP\nv3,\t01\t01\t001\nv4,\t03\t02\t002\n");
    add_translation({"Genepop", "Drovalen", "voles.gen", "voles.drp", "0"});
    ASSERT_EQ(run(""), 0) << err;
    std::string project = read_text(work / "voles.drp");
    EXPECT_THAT(project, HasSubstr("\t GenotypicData=0\n"));
    EXPECT_THAT(project, HasSubstr("v1_1   1  1 2 1 \n"));
    EXPECT_THAT(project, HasSubstr("v4_2   1  3 2 2 \n"));
    EXPECT_THAT(read_text(work / "Drovalen_log.txt"), Not(HasSubstr("Line ")));
    write("run.drs", run_settings_text({{"TaskNumber", "1"}}));
    ASSERT_EQ(run("voles.drp run.drs"), 0) << err;
    EXPECT_THAT(read_text(work / "voles.res" / "Drovalen_log.txt"),
                HasSubstr("Successful run of voles.drp\n"));
}

// The WinKesta set of tests/data/translator in the working folder, and the
// project "colonies.drp" made from it, whose distance matrix is EXTERN
// "kesta.dis".
class TranslateOverInputs : public TranslateE2E {
protected:
    void SetUp() override
    {
        TranslateE2E::SetUp();
        for (const char* file : {"kesta.lst", "kesta.dis", "kesta_north.pop", "kesta_valley.pop",
                                 "kesta_south.pop"})
            add_fixture(file, file);
        add_translation({"WinKesta", "Drovalen", "kesta.lst", "colonies.drp", "kesta.dis", "kesta_"});
        ASSERT_EQ(run(""), 0) << err;
        // Distances of more decimals than a WinKesta file keeps.
        write("kesta.dis", "A B C\n0\n1.123456 0\n2.654321 3.5 0\n");
    }
};

TEST_F(TranslateOverInputs, OutputThatIsAnInputIsRefusedAndTheInputKept)
{
    struct Case {
        const char* name;
        std::vector<std::string> lines;
        const char* kept;      // the input the translation would have written over
        const char* refused;   // the name in the log line
    };
    const std::vector<Case> cases = {
        {"the project's EXTERN distance file as a WinKesta distance file",
         {"Drovalen", "WinKesta", "colonies.drp", "back.lst"}, "kesta.dis", "kesta.dis"},
        {"the project's EXTERN distance file as output",
         {"Drovalen", "Phylip", "colonies.drp", "./kesta.dis"}, "kesta.dis", "./kesta.dis"},
        {"the source as output, named otherwise",
         {"Drovalen", "Phylip", "colonies.drp", "set/../colonies.drp"}, "colonies.drp",
         "set/../colonies.drp"},
        {"a WinKesta population file as output",
         {"WinKesta", "Drovalen", "kesta.lst", "kesta_south.pop", "kesta.dis", "kesta_"},
         "kesta_south.pop", "kesta_south.pop"},
    };
    fs::create_directory(work / "set");
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        std::string before = read_text(work / c.kept);
        add_translation(c.lines);
        EXPECT_EQ(run(""), 1) << err;
        EXPECT_EQ(read_text(work / c.kept), before);
        std::string log = read_text(work / "Drovalen_log.txt");
        EXPECT_THAT(log, HasSubstr(std::string("\t\tTranslator will not write ") + c.refused
                                   + ": it is the input file "));
        EXPECT_THAT(log, Not(HasSubstr("Writing")));
        EXPECT_FALSE(fs::exists(work / "back.lst"));
        EXPECT_FALSE(fs::exists(work / "kesta1.pop"));
        EXPECT_EQ(translator_temporaries(work), "");
    }
}

TEST_F(TranslateOverInputs, ProjectSourceFindsItsExternFilesInItsOwnFolder)
{
    // The project and its distance file in a folder of their own, away from
    // the working folder and from the core directory.
    fs::create_directories(work / "far" / "set");
    fs::create_directory(work / "core");
    for (const char* file : {"colonies.drp", "kesta.dis"})
        fs::rename(work / file, work / "far" / "set" / file);
    add_translation({"Drovalen", "WinKesta", "far/set/colonies.drp", "back.lst"}, "core");
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(read_text(work / "kesta.dis"),
              "A B C \n   0.00000\n   1.12346   0.00000\n   2.65432   3.50000   0.00000");
    EXPECT_EQ(read_text(work / "back.lst"), "2 Northern and southern colonies\n1 2 \n3 \n");
}

TEST_F(TranslateOverInputs, UsersFilesOfTheNamesOfAWinKestaSetAreKept)
{
    // The project and its distance file in a folder of their own; the
    // working folder holds the user's own files of the names the set takes.
    fs::create_directory(work / "far");
    for (const char* file : {"colonies.drp", "kesta.dis"})
        fs::rename(work / file, work / "far" / file);
    write("kesta.dis", "the user's distances\n");
    write("kesta2.pop", "the user's population\n");
    add_translation({"Drovalen", "WinKesta", "far/colonies.drp", "back.lst"});
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(read_text(work / "kesta.dis_1.bac"), "the user's distances\n");
    EXPECT_EQ(read_text(work / "kesta2.pop_1.bac"), "the user's population\n");
    const std::string written =
        "A B C \n   0.00000\n   1.12346   0.00000\n   2.65432   3.50000   0.00000";
    EXPECT_EQ(read_text(work / "kesta.dis"), written);
    EXPECT_EQ(read_text(work / "kesta2.pop"), "9 kesta_valley\nA  4\nC  5\n");
    std::string log = read_text(work / "far" / "Drovalen_log.txt");
    EXPECT_THAT(log, HasSubstr("\t\tThe file kesta2.pop was there already: it is kept as "
                               "kesta2.pop_1.bac\n"));
    EXPECT_THAT(log, HasSubstr("\t\tThe file kesta.dis was there already: it is kept as "
                               "kesta.dis_1.bac\n"));
    EXPECT_FALSE(fs::exists(work / "kesta1.pop_1.bac"));

    // Translated again: the back-ups stay, the set written before is kept too.
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(read_text(work / "kesta.dis_1.bac"), "the user's distances\n");
    EXPECT_EQ(read_text(work / "kesta.dis_2.bac"), written);
    EXPECT_EQ(read_text(work / "kesta.dis"), written);
}

// A checksum of a file's bytes (FNV-1a).
std::uint64_t checksum(fs::path const& path)
{
    std::uint64_t sum = 14695981039346656037ull;
    for (unsigned char c : read_text(path))
        sum = (sum ^ c) * 1099511628211ull;
    return sum;
}

TEST_F(TranslateE2E, UsersFilesInTheProjectsResultsFolderAreKeptWhateverTheTarget)
{
    // A project whose sample data are EXTERN, its loci separated by ';';
    // the results folder beside it holds the user's own files of the names
    // of the project file and of the EXTERN file.
    write("data/lake.drp", "[Profile]\n  Title=\"Lake\"  NbSamples=1  GenotypicData=0\n"
                           "  DataType=STANDARD\n  LocusSeparator=';'\n[Data]\n[[Samples]]\n"
                           "  SampleName=\"lake\"  SampleSize=2\n"
                           "  SampleData= EXTERN \"pop.txt\"\n");
    write("data/pop.txt", "h1 1 A;C;G\nh2 1 A;T;G\n");
    write("data/lake.res/lake.drp", "the user's project\n");
    write("data/lake.res/pop.txt", "the user's sample\n");
    const fs::path kept[] = {work / "data/lake.res/lake.drp", work / "data/lake.res/pop.txt"};
    const std::uint64_t before[] = {checksum(kept[0]), checksum(kept[1])};

    for (const char* target : {"Genepop", "Phylip", "Mega", "Biosys", "WinKesta"}) {
        SCOPED_TRACE(target);
        add_translation({"Drovalen", target, "data/lake.drp", "out.txt"});
        run("");
        EXPECT_EQ(checksum(kept[0]), before[0]);
        EXPECT_EQ(checksum(kept[1]), before[1]);
        EXPECT_EQ(std::distance(fs::directory_iterator(work / "data/lake.res"),
                                fs::directory_iterator()),
                  2);
        EXPECT_EQ(translator_temporaries(work), "");
    }

    // The EXTERN data are read from their cleaned copy, as a run reads them:
    // three loci, not one allele "A;C;G".
    add_translation({"Drovalen", "Phylip", "data/lake.drp", "out.phy"});
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(read_text(work / "out.phy"), "2     3\nh10       A C G\nh20       A T G\n");
}

TEST_F(TranslateE2E, ProjectFormatTargetKeepsWhatARunWouldRefuse)
{
    // A Phylip file with one sequence longer than its header says, and a
    // GenePop file with two POP lines in a row.
    write("long.phy", "2 8\nshort     ACGTACGT\nlong      ACGTACGTACGT\n");
    write("twice.gen", "Two samples\nL1\nPop\nPop\nA1, 0101\nA2, 0102\n");
    struct Case {
        std::vector<std::string> source;  // format, file and the extra line
        const char* kept;                 // in the project text
        const char* other;                // another target
    };
    const std::vector<Case> cases = {
        {{"Phylip", "long.phy"},
         "# The next sequence has 12 characters, the header says 8\nlong       1 ACGTACGTACGT\n",
         "Genepop"},
        {{"Genepop", "twice.gen", "1"},
         "\t\t SampleName= \"Population1\"\n\t\t SampleSize=100  "
         "#Wrong on purpose,  but it does not matter here \n\t\t SampleData={\n     }\n",
         "Phylip"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.source[1]);
        std::vector<std::string> lines = {c.source[0], "Drovalen", c.source[1], "out.drp"};
        lines.insert(lines.end(), c.source.begin() + 2, c.source.end());
        add_translation(lines);
        ASSERT_EQ(run(""), 0) << err;
        EXPECT_THAT(read_text(work / "out.drp"), HasSubstr(c.kept));

        // Any other target keeps the checks.
        lines[1] = c.other;
        add_translation(lines);
        EXPECT_EQ(run(""), 1) << err;
        EXPECT_FALSE(fs::exists(work / "out.drp"));
        std::string log = read_text(work / "Drovalen_log.txt");
        EXPECT_THAT(log, HasSubstr("\t\tTranslator is unable to prepare the data of the Drovalen File\n"));
        EXPECT_THAT(log, Not(HasSubstr("Writing")));
    }
}

// Two samples of haplotype frequencies without content, and two samples of
// sequences in two groups without a distance matrix.
const char* const FREQUENCIES =
    "[Profile]\n  Title=\"Frequencies\"  NbSamples=2  GenotypicData=0  DataType=FREQUENCY\n"
    "[Data]\n[[Samples]]\n"
    "  SampleName=\"a\"  SampleSize=5\n  SampleData={\nh1 3\nh2 2\n}\n"
    "  SampleName=\"b\"  SampleSize=4\n  SampleData={\nh1 4\n}\n";
const char* const SEQUENCES_IN_GROUPS =
    "[Profile]\n  Title=\"Sequences\"  NbSamples=2  GenotypicData=0  DataType=DNA\n"
    "  LocusSeparator=NONE\n[Data]\n[[Samples]]\n"
    "  SampleName=\"a\"  SampleSize=3\n  SampleData={\nh1 2 ACGT\nh2 1 ACGA\n}\n"
    "  SampleName=\"b\"  SampleSize=2\n  SampleData={\nh1 2\n}\n"
    "[[Structure]]\n  StructureName=\"s\"  NbGroups=2\n  Group={\n\"a\"\n}\n  Group={\n\"b\"\n}\n";

TEST_F(TranslateE2E, WriterRefusalStaysInTheOutputAndFailsTheTranslation)
{
    // Microsatellites of three samples, genotypic, loci separated by blanks,
    // no genetic structure.
    add_fixture("micro3.drp", "micro3.drp");
    write("frequencies.drp", FREQUENCIES);
    write("groups.drp", SEQUENCES_IN_GROUPS);
    const std::string frequencies =
        "  The data are haplotype frequencies without the haplotypes' sequences\n"
        "  or alleles: they cannot be written into ";
    const std::string frequencies_logged =
        "\n\t\tThe data are haplotype frequencies without the haplotypes' sequences or alleles: "
        "they cannot be written into ";
    struct Case {
        const char* project;
        const char* target;
        std::string refusal;
        std::string logged;
    };
    const std::vector<Case> cases = {
        {"micro3.drp", "Mega",
         "  Impossible to write this data into MEGA format, because each\n"
         "  character is supposed to be a single allele.\n",
         "\n\t\tImpossible to write this data into MEGA format, because each character is "
         "supposed to be a single allele.\n"},
        {"micro3.drp", "Phylip",
         "  Impossible to write this data into PHYLIP format, because each\n"
         "  character is supposed to be a single allele.\n",
         "\n\t\tImpossible to write this data into PHYLIP format, because each character is "
         "supposed to be a single allele.\n"},
        {"micro3.drp", "WinKesta",
         "\tNo genetic structure has been defined, it makes therefore no sense to\n"
         " build a WinKesta file.\n",
         "\n\t\tNo genetic structure has been defined, it makes therefore no sense to build a "
         "WinKesta file.\n"},
        {"frequencies.drp", "Phylip", frequencies + "PHYLIP format.\n",
         frequencies_logged + "PHYLIP format.\n"},
        {"frequencies.drp", "Mega", frequencies + "MEGA format.\n",
         frequencies_logged + "MEGA format.\n"},
        {"frequencies.drp", "Genepop", frequencies + "GenePop format.\n",
         frequencies_logged + "GenePop format.\n"},
        {"frequencies.drp", "Biosys",
         "  It is not possible to translate Haplotypic data into the\n  BIOSYS format.\n",
         "\n\t\tIt is not possible to translate Haplotypic data into the BIOSYS format.\n"},
        {"groups.drp", "WinKesta",
         "  No distance matrix has been defined, and a WinKesta data set\n"
         "  needs the distances between its haplotypes.\n",
         "\n\t\tNo distance matrix has been defined, and a WinKesta data set needs the "
         "distances between its haplotypes.\n"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(std::string(c.project) + " to " + c.target);
        add_translation({"Drovalen", c.target, c.project, "refused.txt"});
        EXPECT_EQ(run(""), 1) << err;
        EXPECT_EQ(read_text(work / "refused.txt"), c.refusal);
        std::string log = read_text(work / "Drovalen_log.txt");
        EXPECT_THAT(log, HasSubstr(c.logged));
        // The reason on the console too, on one line.
        EXPECT_EQ(err, "drovexec: translation failed: " + c.logged.substr(3, c.logged.size() - 4)
                           + " (see Drovalen_log.txt)\n");
        EXPECT_THAT(log, Not(HasSubstr("Writing")));
        EXPECT_FALSE(fs::exists(work / "dist_mat.dis"));
        EXPECT_FALSE(fs::exists(work / "a1.pop"));
    }
}

// The Python interpreter that has this module of the Biopython package, or "".
std::string python_with(std::string const& module)
{
    for (const char* python : {"/usr/bin/python3", "python3"}) {
        std::string probe = std::string(python) + " -c 'import " + module + "' > /dev/null 2>&1";
        if (std::system(probe.c_str()) == 0)
            return python;
    }
    return "";
}

// The command that runs one of the check scripts of tests/translator.
std::string check_script(std::string const& python, const char* script)
{
    return python + " '" + (TRANSLATOR_DATA.parent_path().parent_path() / "translator" / script).string()
           + "' ";
}

TEST_F(TranslateE2E, IndependentGenePopReaderAgreesBothWays)
{
    std::string python = python_with("Bio.PopGen.GenePop");
    if (python.empty())
        GTEST_SKIP() << "no Python with Biopython's GenePop reader (Debian: python3-biopython)";
    std::string check = check_script(python, "genepop_check.py");

    // Three samples of five microsatellite loci, written as GenePop.
    add_fixture("micro3.drp", "micro3.drp");
    add_translation({"Drovalen", "Genepop", "micro3.drp", "micro3.gen"});
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(run_command(check + "written micro3.gen micro3.drp"), "ok\n");

    // A public GenePop example (the cats of Nancy, as shipped with the R
    // package adegenet: 17 colonies, 9 loci, CR LF line ends) read into a project.
    add_fixture("nancycats.gen", "nancycats.gen");
    add_translation({"Genepop", "Drovalen", "nancycats.gen", "cats.drp", "1"});
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_THAT(read_text(work / "cats.drp"), Not(HasSubstr("error")));
    EXPECT_EQ(run_command(check + "read nancycats.gen cats.drp"), "ok\n");
}

TEST_F(TranslateE2E, IndependentPhylipReaderAndWriterAgree)
{
    std::string python = python_with("Bio.AlignIO");
    if (python.empty())
        GTEST_SKIP() << "no Python with Biopython's Phylip reader (Debian: python3-biopython)";
    std::string check = check_script(python, "phylip_check.py");

    // A one-sample haplotypic DNA project written as Phylip.
    add_fixture("hominoids.drp", "hominoids.drp");
    add_translation({"Drovalen", "Phylip", "hominoids.drp", "apes.phy"});
    ASSERT_EQ(run(""), 0) << err;
    std::string h1 = "ACGTTGCAAGGCTTACCGATAGCTTAGCAATCGGATCCTA";
    EXPECT_EQ(run_command(check + "read apes.phy"),
              "H10\t" + h1 + "\nH11\t" + h1 + "\n"
              "H20\tACGTTGCAAGGCTTACCGATAGCTTAGCAATCGGATCCTG\n"
              "Haplot0\tACGTAGCAAGGCTTACCGTTAGCTTAGCAATCGGATCCTA\n"
              "Haplot0_1\tACGTTGCAAGCCTTACCGATAGCATAGCAATCGGTTCCTA\n");

    // The three samples of the example merged into one file.
    fs::copy_file(EXAMPLES / "example.drp", work / "example.drp");
    add_translation({"Drovalen", "Phylip", "example.drp", "lakes.phy"});
    ASSERT_EQ(run(""), 0) << err;
    std::string lakes = run_command(check + "read lakes.phy");
    EXPECT_EQ(count_of(lakes, "\n"), 21) << lakes;
    EXPECT_EQ(lakes, phylip_records(read_text(work / "lakes.phy")));

    // A Phylip file written by the package, translated into a project.
    std::string written = run_command(check + "write primates.phy");
    ASSERT_EQ(count_of(written, "\n"), 5) << written;
    add_translation({"Phylip", "Drovalen", "primates.phy", "primates.drp"});
    ASSERT_EQ(run(""), 0) << err;
    EXPECT_EQ(project_records(read_text(work / "primates.drp")), written);
}

} // namespace
