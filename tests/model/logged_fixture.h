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
#include "support/temp_log.h"

class LoggedTest : public LogFolderTest {
protected:
    void SetUp() override
    {
        saved_type = ProfileSettings::DataType;
        saved_separator = ProfileSettings::LocusSeparator;
    }

    void TearDown() override
    {
        ProfileSettings::DataType = saved_type;
        ProfileSettings::LocusSeparator = saved_separator;
    }

    // The log written since the last call; the report counters start afresh.
    std::string take_log()
    {
        std::string text = LogFolderTest::take_log();
        E.error(WARNING, "reset", -1);
        return text;
    }

private:
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
