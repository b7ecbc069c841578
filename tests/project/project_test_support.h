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
#include "support/temp_log.h"

namespace fs = std::filesystem;

class ProjectFolderTest : public LogFolderTest {
protected:
    // Writes text into the folder and returns the file's path.
    std::string write_file(std::string const& name, std::string const& text)
    {
        return LogFolderTest::write_file(name, text).string();
    }

    static bool has(std::string const& text, std::string const& part)
    {
        return text.find(part) != std::string::npos;
    }

    static int occurrences(std::string const& text, std::string const& part)
    {
        return count_of(text, part);
    }
};

#endif
