// The error reporter: numbered report lines in the project log, their echo in
// the result file, and the exception that follows a MEMORY report.

#include "core/errors.h"

#include <iomanip>
#include <iostream>
#include <sstream>

Errors E;
// Points at standard error until the first init_log_file, so that it is never null.
std::ostream* _ZOS_ = &std::cerr;

namespace {

// The running number of every report line and the count of each kind. They
// live for the whole process, so the numbering of one project's log runs on
// from the previous one; only a report with index -1 sets them back to 1.
int mess_count = 1;
int warning_count = 1;
int error_count = 1;
int memory_count = 1;
int info_count = 1;

struct KindLabel {
    const char* tag;
    int* count;
};

// DEBUG shares the ERROR count; any value outside the enumeration is an ERROR.
KindLabel label_of(ErrorType kind)
{
    switch (kind) {
    case WARNING: return {" #[WARNING # ", &warning_count};
    case MEMORY:  return {" #[MEMORY # ", &memory_count};
    case INFO:    return {" #[INFO # ", &info_count};
    case DEBUG:   return {" #[DEBUG # ", &error_count};
    default:      return {" #[ERROR # ", &error_count};
    }
}

void reset_counters()
{
    mess_count = warning_count = error_count = memory_count = info_count = 1;
}

}  // namespace

Errors::Errors()
    : log_open(0), log_stream(nullptr), log_name(), messages(NUM_MESSAGES - 1L, 10L),
      results_stream(nullptr)
{
    fill_message_table();
}

Errors::~Errors()
{
    release_log_stream();
}

void Errors::release_log_stream()
{
    // Later free text must not go to a deleted stream.
    if (_ZOS_ == log_stream)
        _ZOS_ = &std::cerr;
    delete log_stream;
    log_stream = nullptr;
}

void Errors::write_message(std::ostream& os, int index)
{
    if (index >= 0 && index < NUM_MESSAGES)
        os << messages[index];
    else
        os << "unknown message " << index;
}

void Errors::error(ErrorType kind, my_string function_name, int index)
{
    if (index == -1) {
        if (log_open)
            reset_counters();
        return;
    }

    KindLabel label = label_of(kind);
    std::ostringstream line;
    line << std::setw(4) << mess_count << label.tag << *label.count << "] ";
    if (kind == DEBUG) {
        line << function_name;
    } else {
        line << "from function \"" << function_name << "\" : ";
        write_message(line, index);
    }
    line << '\n';

    if (log_open) {
        *_ZOS_ << line.str() << std::flush;
        if (results_stream != nullptr && kind != DEBUG) {
            *results_stream << label.tag << *label.count << "] : ";
            write_message(*results_stream, index);
            *results_stream << '\n' << std::flush;
        }
        ++mess_count;
        ++*label.count;
    } else {
        // Without a log (before the first project, or when it failed to open)
        // the report stays visible on standard error but is not counted.
        std::cerr << line.str() << std::flush;
    }

    if (kind == MEMORY)
        throw NOT_ENOUGH_MEMORY;
}

void Errors::init_log_file(my_string const& path, bool append)
{
    if (log_stream != nullptr)
        log_stream->close();
    release_log_stream();

    std::ios::openmode mode = std::ios::out | (append ? std::ios::app : std::ios::trunc);
    log_stream = new std::ofstream(path.str, mode);
    log_open = log_stream->is_open() ? 1 : 0;
    log_name = path;
    _ZOS_ = log_stream;
}

void Errors::CloseLog_file()
{
    if (log_stream != nullptr)
        log_stream->close();
}
