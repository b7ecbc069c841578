// Tests of the file and system helpers: copying, deleting, creating folders
// and their failures, and the names of the result and log files.

#include "core/file_helpers.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>

#include <sys/stat.h>
#include <unistd.h>

#include "support/temp_log.h"

namespace fs = std::filesystem;

namespace {

class FileHelpersTest : public ::testing::Test {
protected:
    TempDir dir;

    // A test may take the write permission away; the folder must stay removable.
    void TearDown() override
    {
        fs::permissions(dir.path(), fs::perms::owner_all, fs::perm_options::add);
    }

    std::string path(const char* name) const { return (dir / name).string(); }
    void write(const char* name, std::string const& content) const { dir.write_file(name, content); }
    std::string read(const char* name) const { return read_text(dir / name); }
};

TEST_F(FileHelpersTest, CopyAddsOneLineFeedAndKeepsEveryLineWhole)
{
    std::string long_line(300000, 'L');
    struct Case {
        std::string source;
        std::string copy;
    } cases[] = {
        {"a\nb\n", "a\nb\n\n"},
        {"a\nb", "a\nb\n\n"},
        {"", "\n"},
        {"x\r\ny\r\n", "x\r\ny\r\n\n"},
        {long_line + "\nafter\n", long_line + "\nafter\n\n"},
    };
    for (auto const& c : cases) {
        write("src.txt", c.source);
        EXPECT_EQ(MY_CopyFile(path("dest.txt").c_str(), path("src.txt").c_str()), 1);
        EXPECT_EQ(read("dest.txt"), c.copy) << c.source.substr(0, 20);
    }
}

TEST_F(FileHelpersTest, CopyFailuresReturnZeroAndWriteNothing)
{
    EXPECT_EQ(MY_CopyFile(path("dest.txt").c_str(), path("missing.txt").c_str()), 0);
    EXPECT_FALSE(fs::exists(dir / "dest.txt"));

    write("src.txt", "data\n");
    EXPECT_EQ(MY_CopyFile(path("no_folder/dest.txt").c_str(), path("src.txt").c_str()), 0);
    EXPECT_FALSE(fs::exists(dir / "no_folder"));

    // A copy onto itself would empty the source first.
    EXPECT_EQ(MY_CopyFile(path("src.txt").c_str(), path("src.txt").c_str()), 0);
    EXPECT_EQ(read("src.txt"), "data\n");
}

TEST_F(FileHelpersTest, DeleteRemovesTheFileAndNeverEmptiesIt)
{
    write("gone.txt", "x");
    EXPECT_EQ(MY_DeleteFile(path("gone.txt").c_str()), 1);
    EXPECT_FALSE(fs::exists(dir / "gone.txt"));

    EXPECT_EQ(MY_DeleteFile(path("missing.txt").c_str()), 0);
    EXPECT_FALSE(fs::exists(dir / "missing.txt"));
    EXPECT_EQ(MY_DeleteFile(path("no_folder/file.txt").c_str()), 0);

    fs::create_directory(dir / "locked");
    std::ofstream(dir / "locked" / "kept.txt") << "content";
    fs::permissions(dir / "locked", fs::perms::owner_read | fs::perms::owner_exec);
    if (access((dir / "locked").c_str(), W_OK) != 0) {  // not when run as root
        EXPECT_EQ(MY_DeleteFile(path("locked/kept.txt").c_str()), 0);
        std::ifstream in(dir / "locked" / "kept.txt");
        std::string content;
        in >> content;
        EXPECT_EQ(content, "content");
    }
    fs::permissions(dir / "locked", fs::perms::owner_all);
}

TEST_F(FileHelpersTest, CreateDirectoryReportsWhetherTheFolderExists)
{
    EXPECT_EQ(MY_CreateDirectory(path("new").c_str()), 1);
    EXPECT_TRUE(fs::is_directory(dir / "new"));
    struct stat info;
    ASSERT_EQ(stat(path("new").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0700, 0700);

    std::ofstream(dir / "new" / "inside.txt") << "kept";
    EXPECT_EQ(MY_CreateDirectory(path("new").c_str()), 1);  // already there
    EXPECT_TRUE(fs::exists(dir / "new" / "inside.txt"));

    EXPECT_EQ(MY_CreateDirectory(path("missing/child").c_str()), 0);
    write("plain", "a file, not a folder");
    EXPECT_EQ(MY_CreateDirectory(path("plain").c_str()), 0);
}

TEST(FileNames, ResultAndLogNamesOfAProject)
{
    struct Case {
        const char* project;
        const char* result;
        const char* log;
    } cases[] = {
        {"data/run1.drp", "data/run1.res/run1_main.htm", "data/run1.res/Drovalen_log.txt"},
        {"run1.drp", "run1.res/run1_main.htm", "run1.res/Drovalen_log.txt"},
        {"a/run1", "a/run1.res/run1_main.htm", "a/run1.res/Drovalen_log.txt"},
        {"c:\\x\\p.drp", "c:\\x\\p.res/p_main.htm", "c:\\x\\p.res/Drovalen_log.txt"},
    };
    for (auto const& c : cases) {
        my_string project(c.project);
        EXPECT_STREQ(buildDrovalenResultFileName(project).str, c.result);
        EXPECT_STREQ(buildDrovalenLogFileName(project).str, c.log);
    }
}

TEST(FileNames, ConvertToSlash)
{
    char path[] = "C:\\Program Files\\drovalen\\";
    convert_to_slash(path);
    EXPECT_STREQ(path, "C:/Program Files/drovalen/");
}

} // namespace
