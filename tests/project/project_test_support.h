// Shared fixture of the project-reading tests: a fresh temporary folder with
// the log open in it, files written there, and the log read back piece by
// piece.
#ifndef DROV_TESTS_PROJECT_PROJECT_TEST_SUPPORT_H
#define DROV_TESTS_PROJECT_PROJECT_TEST_SUPPORT_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "core/errors.h"
#include "core/my_string.h"

namespace fs = std::filesystem;

class ProjectFolderTest : public ::testing::Test {
protected:
    fs::path dir;

    void SetUp() override
    {
        std::string pattern = (fs::temp_directory_path() / "drov_project_XXXXXX").string();
        ASSERT_NE(mkdtemp(pattern.data()), nullptr);
        dir = pattern;
        E.init_log_file((dir / "Drovalen_log.txt").string().c_str(), false);
        ASSERT_EQ(E.log_open, 1);
        E.error(WARNING, "reset", -1);
    }

    void TearDown() override
    {
        E.CloseLog_file();
        fs::remove_all(dir);
    }

    // Writes text into the folder and returns the file's path.
    std::string write_file(std::string const& name, std::string const& text)
    {
        fs::path path = dir / name;
        std::ofstream out(path);
        out << text;
        return path.string();
    }

    // The log written since the last call.
    std::string take_log()
    {
        _ZOS_->flush();
        std::ifstream log(dir / "Drovalen_log.txt");
        std::stringstream content;
        content << log.rdbuf();
        std::string text = content.str().substr(consumed);
        consumed += text.size();
        return text;
    }

    static bool has(std::string const& text, std::string const& part)
    {
        return text.find(part) != std::string::npos;
    }

    static int occurrences(std::string const& text, std::string const& part)
    {
        int n = 0;
        for (auto at = text.find(part); at != std::string::npos; at = text.find(part, at + 1))
            ++n;
        return n;
    }

private:
    std::size_t consumed = 0;
};

#endif
