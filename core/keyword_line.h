// Helpers of the line-oriented project-file readers.
//
// The readers take the project file one line at a time, find a keyword on an
// upper-cased copy of the line, and hand the line itself, the keyword's text
// and the line number to these helpers, which check the '=', take the value
// apart and report a faulty line. A faulty line gives a WARNING through E,
// then a line of its own on *_ZOS_ naming the line number and the keyword
// ("\tProject file, Line #7 : ..."). A caller without a line number passes -1.
#ifndef DROV_CORE_KEYWORD_LINE_H
#define DROV_CORE_KEYWORD_LINE_H

#include "core/my_string.h"

// Position of the first '=' of the line; 0 after WARNING 188 when there is none.
int checkForPresenceOfEqualSign(my_string const& line, char const* keyword, int lineNo);

// Cuts the line at its first '#' (a '#' inside quotes as well).
void clearLineAfterPoundSign(my_string& line);

// The text between the first double quotes of the line (or, when the text
// after the '=' holds no double quote, between its first apostrophes): 1.
// No opening or no closing quote: WARNING 190 and 0; value then holds the
// text after the '=' or after the opening quote.
int getQuotedString(my_string const& line, my_string& value, char const* keyword, int lineNo);

// The value getQuotedString reads, without any report: 1 with the quoted
// text, 0 when there is no opening quote, -1 when the quote is not closed.
int quoted_value(my_string const& line, my_string& value);

// The text after the first '=' (the whole line without one), unchanged: 1.
int getUnQuotedString(my_string const& line, my_string& value, char const* keyword, int lineNo);

// The number that strtod reads from the text after the first '=', stored in
// every case (0 when nothing converts; an empty text is 0 and valid). 0 after
// WARNING 190 when text remains after the number or it is not finite.
int getValue(my_string const& line, double& value, char const* keyword, int lineNo);

// True when the file name begins with '/'.
bool detectFullPathInFileName(my_string const& name);

// The path of a file named on an EXTERN line: a name that begins with '/' as
// it stands, any other inside `folder` (empty, or ending with '/'), so that
// "data/pop.txt" is looked for in the project's own folder.
my_string external_path(my_string const& folder, my_string const& name);

#endif
