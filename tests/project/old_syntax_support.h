// Shared by the tests of the identifier-syntax readers: the reports of a log
// as a list, and a project folder that is also the working folder.
#ifndef DROV_TESTS_PROJECT_OLD_SYNTAX_SUPPORT_H
#define DROV_TESTS_PROJECT_OLD_SYNTAX_SUPPORT_H

#include <filesystem>
#include <regex>
#include <sstream>
#include <string>
#include <vector>

#include "core/errors.h"

// The reports of a log, each as "KIND|function|message index".
inline std::vector<std::string> reports_of(std::string const& log)
{
    static const std::regex line(R"re(#\[(\w+) # \d+\] from function "(.*)" : (.*))re");
    std::vector<std::string> found;
    std::istringstream in(log);
    for (std::string text; std::getline(in, text);) {
        std::smatch m;
        if (!std::regex_search(text, m, line))
            continue;
        int index = -1;
        for (int i = 0; i < Errors::NUM_MESSAGES && index < 0; ++i)
            if (m[3] == E.messages[i].str)
                index = i;
        found.push_back(m[1].str() + "|" + m[2].str() + "|" + std::to_string(index));
    }
    return found;
}

#endif
