// Test fixture of the haplotype-list and distance-matrix tests: a temporary
// folder holding the project log, the log read back report by report, and the
// project-wide data type and locus separator restored after each test.
#ifndef DROV_TESTS_MODEL_LOGGED_FIXTURE_H
#define DROV_TESTS_MODEL_LOGGED_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/errors.h"
#include "project/profile_settings.h"

class LoggedTest : public ::testing::Test {
protected:
    std::filesystem::path dir;

    void SetUp() override
    {
        saved_type = ProfileSettings::DataType;
        saved_separator = ProfileSettings::LocusSeparator;
        std::string pattern =
            (std::filesystem::temp_directory_path() / "drov_model_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        E.init_log_file((dir / "Drovalen_log.txt").string().c_str(), false);
        ASSERT_EQ(E.log_open, 1);
        E.error(WARNING, "reset", -1);
    }

    void TearDown() override
    {
        E.CloseLog_file();
        std::filesystem::remove_all(dir);
        ProfileSettings::DataType = saved_type;
        ProfileSettings::LocusSeparator = saved_separator;
    }

    // The log written since the last call; the report counters start afresh.
    std::string take_log()
    {
        _ZOS_->flush();
        std::ifstream log(dir / "Drovalen_log.txt");
        std::stringstream content;
        content << log.rdbuf();
        std::string text = content.str().substr(consumed);
        consumed += text.size();
        E.error(WARNING, "reset", -1);
        return text;
    }

    std::filesystem::path write_file(std::string const& name, std::string const& text)
    {
        std::filesystem::path path = dir / name;
        std::ofstream(path) << text;
        return path;
    }

private:
    std::size_t consumed = 0;
    TDataType saved_type = DNA;
    char saved_separator = 0;
};

// One report line of the log: its running number, its kind with the kind's
// own count, the reporting function and the text of message `index`.
inline std::string report(int number, const char* kind, int kind_count,
                          std::string const& function, int index)
{
    char head[64];
    std::snprintf(head, sizeof head, "%4d #[%s # %d] from function \"", number, kind, kind_count);
    return head + function + "\" : " + E.messages[index].str + "\n";
}

#endif
