// The settings file that the run fixtures of tests/data/run share, with keys
// changed for a test.
#ifndef DROV_TESTS_SUPPORT_RUN_SETTINGS_H
#define DROV_TESTS_SUPPORT_RUN_SETTINGS_H

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "support/temp_log.h"

// The text of tests/data/run/run.drs (TaskNumber 0, HTML output) with the
// value of each key given replaced; a key the file lacks fails the test.
inline std::string run_settings_text(std::map<std::string, std::string> const& changes)
{
    std::string text = read_text(std::filesystem::path(DROV_TEST_DATA) / "run" / "run.drs");
    for (auto const& [key, value] : changes) {
        std::string::size_type at = text.find("\n" + key + "=");
        if (at == std::string::npos) {
            ADD_FAILURE() << "no key " << key << " in run.drs";
            continue;
        }
        std::string::size_type end = text.find('\n', at + 1);
        text.replace(at + 1, end - at - 1, key + "=" + value);
    }
    return text;
}

#endif
