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

// What `work` returns when it runs with a log that fails once `trigger` has
// been written to it; the log proper is in place again afterwards.
template <class Work>
int with_failing_log(std::string const& trigger, Work work)
{
    std::ostream* log = _ZOS_;
    FailingLog failing_log(trigger, log);
    std::ostream failing_stream(&failing_log);
    failing_stream.exceptions(std::ios::badbit);
    _ZOS_ = &failing_stream;
    int result = work();
    _ZOS_ = log;
    return result;
}

#endif
