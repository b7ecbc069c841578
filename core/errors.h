// The one error reporter of the program and the project log.
//
// Every failure, warning and note goes through E.error(kind, function, index):
// the report becomes one numbered line of the current project's log
// ("Drovalen_log.txt"), a short echo in the result file when one is attached,
// and, for a MEMORY report, a thrown ExceptionType. Free-text lines of the log
// (progress, detail lines after a report) are written through *_ZOS_.
#ifndef DROV_CORE_ERRORS_H
#define DROV_CORE_ERRORS_H

#include <fstream>
#include <ostream>

#include "core/my_string.h"
#include "core/value_array.h"

// Kind of a report. The underlying type is fixed so that any int value can be
// held; values outside 0..4 are reported as ERROR.
enum ErrorType : int { WARNING, ERROR, MEMORY, INFO, DEBUG };

// Thrown (with value 0) after every MEMORY report; the reporter never catches it.
enum ExceptionType { NOT_ENOUGH_MEMORY };

class Errors {
public:
    static const int NUM_MESSAGES = 217;

    int log_open;                           // 1 while the last init_log_file succeeded
    std::ofstream* log_stream;              // owned; replaced by each init_log_file
    my_string log_name;                     // path given to the last init_log_file
    MY_TArrayAsVector<my_string> messages;  // the fixed message table, indices 0..215
    std::ostream* results_stream;           // not owned; set by the run control

    Errors();
    ~Errors();
    Errors(Errors const&) = delete;
    Errors& operator=(Errors const&) = delete;

    // Index -1 resets the running number and the per-kind counts to 1.
    void error(ErrorType kind, my_string function_name, int index);
    void init_log_file(my_string const& path, bool append);
    void CloseLog_file();

private:
    void fill_message_table();  // defined with the texts in core/messages.cpp
    void write_message(std::ostream& os, int index);
    void release_log_stream();
};

extern Errors E;
extern std::ostream* _ZOS_;

#endif
