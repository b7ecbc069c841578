// End-to-end test of the README's list of the files a run writes: the
// README's example run, in a copy of the example folder, leaves no file
// beside the project that the list does not name.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <set>
#include <string>

#include "app/e2e_fixture.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

const fs::path kSource = fs::path(DROV_TEST_DATA).parent_path().parent_path();

// The README's section "Files a run writes", up to the next section.
std::string files_section()
{
    std::string readme = read_text(kSource / "README.md");
    std::string::size_type from = readme.find("\n## Files a run writes\n");
    if (from == std::string::npos)
        return "";
    return readme.substr(from, readme.find("\n## ", from + 1) - from);
}

class ReadmeFilesE2E : public DrovexecTest {};

TEST_F(ReadmeFilesE2E, EveryFileOfTheExampleRunIsNamed)
{
    const std::string section = files_section();
    ASSERT_NE(section, "");
    const std::set<std::string> copied = {"example.drp", "example.drs", "glbstreams.txt"};
    for (std::string const& name : copied)
        fs::copy_file(kSource / "examples" / name, work / name);
    seed = "";  // seeded from the clock, as a user runs it
    ASSERT_EQ(run("example.drp example.drs"), 0) << err;

    std::set<std::string> written;
    for (auto const& entry : fs::directory_iterator(work))
        if (!copied.count(entry.path().filename().string()))
            written.insert(entry.path().filename().string());
    EXPECT_TRUE(written.count("example.res"));
    for (const char* name : {"dro_run.txt", "dro_run.drs", "drovalen.ini", "randseed.txt"})
        EXPECT_TRUE(written.count(name)) << name;
    for (std::string const& name : written) {
        SCOPED_TRACE(name);
        if (name == "example.res")
            EXPECT_THAT(section, HasSubstr("`<project>.res/`"));
        else if (fs::path(name).extension() == ".sum")
            EXPECT_THAT(section, HasSubstr("`*.sum`"));
        else
            EXPECT_THAT(section, HasSubstr("`" + name + "`"));
    }
}

}  // namespace
