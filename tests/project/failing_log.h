// A log that fails once, when a given text has been written to it: the error
// stands for any error raised inside an analysis or a reader. The log proper
// takes over from then on.
#ifndef DROV_TESTS_PROJECT_FAILING_LOG_H
#define DROV_TESTS_PROJECT_FAILING_LOG_H

#include <ostream>
#include <stdexcept>
#include <streambuf>
#include <string>
#include <utility>

#include "core/errors.h"

class FailingLog : public std::streambuf {
public:
    FailingLog(std::string trigger, std::ostream* log) : trigger_(std::move(trigger)), log_(log) {}

protected:
    int overflow(int c) override
    {
        if (c == traits_type::eof())
            return 0;
        seen_ += static_cast<char>(c);
        if (seen_.size() >= trigger_.size()
            && seen_.compare(seen_.size() - trigger_.size(), trigger_.size(), trigger_) == 0) {
            _ZOS_ = log_;
            throw std::runtime_error("analysis failed");
        }
        return c;
    }

private:
    std::string trigger_;
    std::ostream* log_;
    std::string seen_;
};

#endif
