// The project-file cleaner: the normalised copies of a project and of its
// EXTERN files in the results folder (or a new folder of the cleaner's own),
// the locus separator, and the deletion of the copies.

#include "project/cleaner.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <map>
#include <string>

#include "support/temp_log.h"

namespace fs = std::filesystem;

namespace {

class CleanerTest : public LogFolderTest {
protected:
    // The folder is removed after the test, even where the test took its rights away.
    void TearDown() override
    {
        fs::permissions(dir, fs::perms::owner_all, fs::perm_options::add);
    }

    fs::path write(fs::path const& relative, std::string const& text) const
    {
        fs::path path = dir / relative;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // Cleans a one-file project with the given separator and returns its copy.
    std::string clean_project(std::string const& text, char separator)
    {
        fs::path project = write("proj.drp", text);
        cleaner c;
        EXPECT_EQ(c.execute(separator, project.string().c_str()), 1);
        EXPECT_NE(c.get_clean_proj(), nullptr);
        return c.get_clean_proj() ? read_text(c.get_clean_proj()) : std::string();
    }
};

TEST_F(CleanerTest, CopyOfTheProjectIsNormalised)
{
    struct Case {
        const char* what;
        std::string project;
        char separator;
        std::string copy;
    };
    const Case cases[] = {
        {"Windows line ends", "[Profile]\r\n  Title=\"a b\"\r\n", 0, "[Profile]\n Title=\"a b\"\n\n"},
        {"tabs and blank runs", "\tSampleName =  \t\"x\"   \n", 0, " SampleName = \"x\"\n\n"},
        {"comment, blank and tab lines dropped", "# note\n   \n\t\t\nA\n", 0, "A\n\n"},
        {"comment after text", "NbSamples=2 # two samples\n", 0, "NbSamples=2\n\n"},
        {"last line without line end", "A\nB", 0, "A\nB\n\n"},
        {"no separator: commas stay", "LocusSeparator=','\nh1 1 1,2\n", 0,
         "LocusSeparator=WHITESPACE\nh1 1 1 2\n\n"},
        {"given separator without declared one", "h1 1 1;2;3\n", ';', "h1 1 1 2 3\n\n"},
        {"the project's own separator wins", "LocusSeparator='/'\nh1 1 1/2;3\n", ';',
         "LocusSeparator=WHITESPACE\nh1 1 1 2;3\n\n"},
        {"NONE in any case stays", "locusseparator=none\nh1 1 1;2\n", ';',
         "locusseparator=none\nh1 1 1;2\n\n"},
        {"TAB separator", "LocusSeparator=TAB\nh1\t1\t1\t2\n", 0,
         "LocusSeparator=WHITESPACE\nh1 1 1 2\n\n"},
        {"quoted names keep the separator", "LocusSeparator=','\nSampleName=\"pop,1\"\n", 0,
         "LocusSeparator=WHITESPACE\nSampleName=\"pop,1\"\n\n"},
        {"separator '#' is no comment", "LocusSeparator='#'\nSampleName=\"a#b\"\nh1 1 1#2\n", 0,
         "LocusSeparator=WHITESPACE\nSampleName=\"a#b\"\nh1 1 1 2\n\n"},
    };
    for (Case const& c : cases)
        EXPECT_EQ(clean_project(c.project, c.separator), c.copy) << c.what;
}

TEST_F(CleanerTest, SeparatorThatCanBePartOfTheDataRefusesTheProject)
{
    // Numbers, letters (keywords), quotes (quoted values) and the file's syntax.
    fs::path list = write("list.txt", "h1 A.C\n");
    for (char separator : {'.', '-', '+', 'e', '7', 'S', '\'', '=', '{'}) {
        SCOPED_TRACE(separator);
        std::string text = std::string("LocusSeparator='") + separator
                           + "'\nHaplList = EXTERN \"list.txt\"\nh1 0.25 1e-5 17 +2\n";
        fs::path project = write("proj.drp", text);
        cleaner c;
        EXPECT_EQ(c.execute(0, project.string().c_str()), 0);
        EXPECT_EQ(c.get_clean_proj(), nullptr);
        EXPECT_FALSE(fs::exists(dir / "proj.res" / "proj.drp"));
        EXPECT_FALSE(fs::exists(dir / "proj.res" / "list.txt"));
        std::string log = take_log();
        EXPECT_NE(log.find("cleaner::execute()"), std::string::npos);
        EXPECT_NE(log.find(std::string("Locus separator '") + separator + "'"), std::string::npos);
    }
    // A separator given by the run for a project that declares none is refused too.
    fs::path undeclared = write("plain.drp", "h1 1 A.C\n");
    cleaner c;
    EXPECT_EQ(c.execute('.', undeclared.string().c_str()), 0);
    EXPECT_EQ(read_text(list), "h1 A.C\n");
}

TEST_F(CleanerTest, LinesOfAnyLengthAreCleaned)
{
    std::string sequence;
    for (int i = 0; i < 600000; ++i)
        sequence += "AC\t";  // 1,800,000 characters, longer than a my_string line
    std::string copy = clean_project("h1 1 " + sequence + "\r\n", 0);
    std::string expected = "h1 1 ";
    for (int i = 0; i < 600000; ++i)
        expected += i + 1 < 600000 ? "AC " : "AC";
    EXPECT_EQ(copy, expected + "\n\n");
}

TEST_F(CleanerTest, ExternFilesAreCopiedInsideTheResultsFolderAndDeleted)
{
    fs::path outside = write("data/popB.txt", "h1\t2  # first\n\n   \nEXTERN \"deeper.txt\"\n");
    write("list.txt", "h1 1,2\n\n   \n# note\nh2 1,3\r\n");
    write("dist.txt", "a b\r\n\n0\n1,0\n");
    write("popA.txt", "h2 1,2\r\n");
    write("sub/popA.txt", "other file\n");
    fs::path project = write("proj.drp",
                             "LocusSeparator=','\n"
                             "HaplList = EXTERN \"list.txt\"\n"
                             "MatrixData = EXTERN 'dist.txt'\n"
                             "SampleData= EXTERN \"popA.txt\"\n"
                             "SampleData= EXTERN \"data/popB.txt\"\n"
                             "SampleData= EXTERN \"sub/popA.txt\"\n"
                             "#SampleData= EXTERN \"commented.txt\"\n"
                             "SampleData= extern \"lower.txt\"\n");
    fs::path results = dir / "proj.res";

    cleaner c;
    ASSERT_EQ(c.execute(0, project.string().c_str()), 1);
    EXPECT_EQ(std::string(c.get_proj_dir()), results.string() + "/");
    EXPECT_EQ(std::string(c.get_orig_proj()), project.string());
    EXPECT_EQ(std::string(c.get_clean_proj()), (results / "proj.drp").string());
    // The EXTERN lines are copied unchanged and name the same files.
    EXPECT_NE(read_text(results / "proj.drp").find("SampleData= EXTERN \"data/popB.txt\"\n"),
              std::string::npos);
    ASSERT_EQ(c.source_names.count, 6);  // the project and its five EXTERN lines
    const int kinds[] = {cleaner::PROJECT_FILE, cleaner::HAPLOTYPE_LIST, cleaner::DISTANCE_MATRIX,
                         cleaner::SAMPLE_DATA, cleaner::SAMPLE_DATA, cleaner::SAMPLE_DATA};
    for (int i = 0; i < 6; ++i)
        EXPECT_EQ(c.kinds[i], kinds[i]) << i;
    // A haplotype list keeps its empty lines; sample data and distance
    // matrices lose them, as inline, since their readers take every line as a
    // record. An EXTERN line inside an EXTERN file names nothing more.
    EXPECT_EQ(read_text(results / "list.txt"), "h1 1 2\n\n\n\nh2 1 3\n\n");
    EXPECT_EQ(read_text(results / "dist.txt"), "a b\n0\n1 0\n\n");
    EXPECT_EQ(read_text(results / "popA.txt"), "h2 1 2\n\n");
    EXPECT_EQ(read_text(results / "popB.txt"), "h1 2\nEXTERN \"deeper.txt\"\n\n");
    EXPECT_EQ(read_text(results / "extern5_popA.txt"), "other file\n\n");
    EXPECT_EQ(read_text(outside), "h1\t2  # first\n\n   \nEXTERN \"deeper.txt\"\n");
    // The copies of the files the readers will ask for; "lower.txt" has none.
    std::map<std::string, std::string> copies;
    c.get_extern_copies(copies);
    EXPECT_EQ(copies, (std::map<std::string, std::string>{
                          {"list.txt", (results / "list.txt").string()},
                          {"dist.txt", (results / "dist.txt").string()},
                          {"popA.txt", (results / "popA.txt").string()},
                          {"data/popB.txt", (results / "popB.txt").string()},
                          {"sub/popA.txt", (results / "extern5_popA.txt").string()}}));

    c.rm_clean_files();
    EXPECT_EQ(std::distance(fs::directory_iterator(results), fs::directory_iterator()), 0);
    EXPECT_TRUE(fs::exists(outside));
    EXPECT_TRUE(fs::exists(dir / "popA.txt"));
}

TEST_F(CleanerTest, CopiesIntoANewFolderLeaveTheResultsFolderAlone)
{
    // The user's files of the copies' names in an existing results folder.
    write("proj.res/proj.drp", "the user's project\n");
    write("proj.res/popA.txt", "the user's sample\n");
    write("popA.txt", "h1 1 A;C\r\n");
    fs::path project = write("proj.drp", "LocusSeparator=';'\nSampleData= EXTERN \"popA.txt\"\n");
    // Names already taken, by a folder and by a file.
    write("tmp/copies_1/kept.txt", "x\n");
    write("tmp/copies_2", "x\n");
    fs::path fresh = dir / "tmp" / "copies_3";
    {
        cleaner c;
        c.copy_into_new_folder((dir / "tmp/").string().c_str(), "copies");
        ASSERT_EQ(c.execute(0, project.string().c_str()), 1);
        EXPECT_EQ(std::string(c.get_proj_dir()), fresh.string() + "/");
        EXPECT_EQ(std::string(c.get_clean_proj()), (fresh / "proj.drp").string());
        std::map<std::string, std::string> copies;
        c.get_extern_copies(copies);
        EXPECT_EQ(copies, (std::map<std::string, std::string>{
                              {"popA.txt", (fresh / "popA.txt").string()}}));
        EXPECT_EQ(read_text(fresh / "popA.txt"), "h1 1 A C\n\n");
    }
    // Gone with the cleaner, folder and all; nothing else touched.
    EXPECT_FALSE(fs::exists(fresh));
    EXPECT_EQ(read_text(dir / "proj.res/proj.drp"), "the user's project\n");
    EXPECT_EQ(read_text(dir / "proj.res/popA.txt"), "the user's sample\n");
    EXPECT_EQ(read_text(dir / "tmp/copies_1/kept.txt"), "x\n");
    EXPECT_EQ(read_text(dir / "tmp/copies_2"), "x\n");

    // No results folder is made for a project that has none.
    fs::path other = write("other.drp", "A\n");
    cleaner c;
    c.copy_into_new_folder((dir / "tmp/").string().c_str(), "copies");
    ASSERT_EQ(c.execute(0, other.string().c_str()), 1);
    EXPECT_FALSE(fs::exists(dir / "other.res"));
    c.rm_clean_files();
    EXPECT_FALSE(fs::exists(fresh));
}

TEST_F(CleanerTest, NamesThatWouldLeaveTheResultsFolderStayInside)
{
    write("victim.txt", "user data\n");
    fs::path project = write("work/proj.drp",
                             "SampleData= EXTERN \"../victim.txt\"\n"
                             "SampleData= EXTERN \"" + (dir / "victim.txt").string() + "\"\n"
                             "SampleData= EXTERN \"..\"\n"
                             "SampleData= EXTERN \"\"\n");
    cleaner c;
    ASSERT_EQ(c.execute(0, project.string().c_str()), 1);
    for (int i = 1; i < c.cleaned_names.count; ++i) {
        std::string name = c.cleaned_names[i].str;
        EXPECT_TRUE(name.empty() || name.rfind((dir / "work/proj.res/").string(), 0) == 0) << name;
        EXPECT_EQ(name.find(".."), std::string::npos) << name;
    }
    EXPECT_EQ(read_text(dir / "work/proj.res/victim.txt"), "user data\n\n");
    // A full path is read where it points.
    std::map<std::string, std::string> copies;
    c.get_extern_copies(copies);
    ASSERT_EQ(copies.count((dir / "victim.txt").string()), 1u);
    EXPECT_EQ(read_text(copies[(dir / "victim.txt").string()]), "user data\n\n");
    c.rm_clean_files();
    EXPECT_EQ(read_text(dir / "victim.txt"), "user data\n");
}

TEST_F(CleanerTest, ProjectThatCannotBeCleanedLeavesNoCopyAndDeletesNothing)
{
    // A file left by someone in the would-be results folder must survive.
    write("proj.res/proj.drp", "keep\n");
    cleaner missing;
    EXPECT_EQ(missing.execute(0, (dir / "proj.drp").string().c_str()), 0);
    EXPECT_EQ(missing.get_clean_proj(), nullptr);
    EXPECT_STREQ(missing.get_proj_dir(), "");
    missing.rm_clean_files();
    EXPECT_EQ(read_text(dir / "proj.res/proj.drp"), "keep\n");

    // A results folder that cannot be made: a file stands in its place.
    fs::path project = write("other.drp", "A\n");
    write("other.res", "not a folder\n");
    cleaner blocked;
    EXPECT_EQ(blocked.execute(0, project.string().c_str()), 0);
    EXPECT_EQ(blocked.get_clean_proj(), nullptr);
    blocked.rm_clean_files();
    EXPECT_EQ(read_text(dir / "other.res"), "not a folder\n");
}

TEST_F(CleanerTest, ResultsFolderIsCutAtTheExtensionOfTheFileName)
{
    fs::path project = write("old.drp.d/pop.drp", "A\n");
    fs::path plain = write("plain", "A\n");
    cleaner c;
    ASSERT_EQ(c.execute(0, project.string().c_str()), 1);
    EXPECT_EQ(std::string(c.get_proj_dir()), (dir / "old.drp.d/pop.res/").string());
    cleaner without_extension;
    ASSERT_EQ(without_extension.execute(0, plain.string().c_str()), 1);
    EXPECT_EQ(std::string(without_extension.get_clean_proj()), (dir / "plain.res/plain").string());
}

}  // namespace
