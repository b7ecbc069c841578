// How the line readers of a project file recognise a line: by its key (the
// name before the '=') or by its section head ("[Profile]", "[[Samples]]").
//
// A key is matched on the key alone, never on the value, so that a value
// such as MatrixName="Untitled" or a name holding "MissingData" sets no other
// key; a head is matched on its bracketed text.
#ifndef DROV_PROJECT_PROJECT_FILE_LINES_H
#define DROV_PROJECT_PROJECT_FILE_LINES_H

#include <ctime>
#include <istream>

#include "core/my_string.h"

// Reads the next line of a project file into `line`, counts it in
// line_number and cuts its '#' comment. False when no line is left to read.
bool next_project_line(std::istream& in, my_string& line, int& line_number);

// The key of a line, upper-cased: the text before its first '=', blanks and
// tabs trimmed; on a line without '=', its first word (up to a blank, a tab,
// a '{' or a quote), so that a key missing its '=' is still recognised and
// reported. Empty for a section head.
my_string line_key(my_string const& line);

// The name of a section head, upper-cased: for a line whose first visible
// character is '[', the text between the opening brackets and the first ']',
// blanks and tabs trimmed ("[[Samples]]" gives "SAMPLES"). Empty otherwise.
my_string section_head(my_string const& line);

// True when a key or head (as given above) is the name, in upper case.
bool is_key(my_string const& key, const char* name);

// Whole milliseconds of processor time since start (64-bit ticks: no wrap in
// long runs).
long long milliseconds_since(std::clock_t start);

#endif
