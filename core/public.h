// Tokenizer of the project file's identifier syntax.
//
// Free functions that read a project file (and the files it names) character
// by character: they skip blanks and '#' comments, find a section header
// "[name]" or a subsection header "[[name]]", read the keyword in front of an
// '=' and the value behind it (a quoted string, a quoted character, a bare
// word or an unsigned integer). Each leaves the stream just after what it
// consumed, so that the caller goes on reading from there. Functions answering
// a truth value return an int (1 true, 0 false). Nothing throws; every report
// goes through the reporter E.
#ifndef DROV_CORE_PUBLIC_H
#define DROV_CORE_PUBLIC_H

#include <istream>

#include "core/my_string.h"

const int NUM_IDENTIFIERS = 40;
const int NUM_SUBSECTIONS = 5;

// The lower-case keywords that the identifier readers accept.
extern my_string Identifiers[NUM_IDENTIFIERS];
// The subsection names of "[Data]", in the order that get_next_subsection
// numbers from 1: distancematrix, haplotypedefinition, samples, structure, mantel.
extern my_string SubSections[NUM_SUBSECTIONS];

// Skips blanks, control characters and '#' comments. True when the next
// character may start a keyword or value (a letter, a digit, a quote, '[' or
// '}', left unread), and at once when the stream has ended or failed; false
// when the input ends while skipping, or after ERROR 100 for any other
// character (which stays consumed).
int skip_comments(std::istream& ifs);

// True when only blanks or a comment remain on the current line (consumed
// with its line end), or at the end of the input.
int test_end_of_line(std::istream& ifs);

// Reads an unsigned decimal integer on the current line.
int get_int(std::istream& ifs, int& n);

// Reads one character between quotes ('c' or "c", either kind) on the
// current line.
int get_qchar(std::istream& ifs, char& c);

// Reads a double-quoted text, a single character between apostrophes, or a
// bare word (cut before a '}', which goes back to the stream, and before a '/').
int get_qstring(std::istream& ifs, my_string& s);
// Reads a label of a list as get_qstring reads a text, but a bare label may
// begin with any visible character other than the list's closing brace
// (sample names such as "<Elm>").
int get_label(std::istream& ifs, my_string& s);

// Reads the next word of the current line, lower-cased.
int get_word(std::istream& ifs, my_string& w);

// Consumes characters up to the next letter, digit or '}', which is returned
// (consumed); EOF when the input ends first.
int next_name_or_brace(std::istream& ifs);

// Consumes blanks, control characters, line ends and '#' comments up to the
// next visible character (see is_visible), which is consumed and returned;
// EOF when the input ends first. `last`, when given, receives the last
// character read.
int next_visible(std::istream& ifs, int* last = nullptr);

// Reads the next keyword (the text before '=', cut at its first blank and
// lower-cased). False at a '[' (left unread), which ends the section.
int get_next_ident(std::istream& ifs, my_string& id);

// True when the lower-case text is one of Identifiers.
int is_identifier(my_string const& id);

// Moves the stream after the header "[section]", then after "[[subsection]]",
// then after "key=". Names are compared in lower case; an empty name skips
// its level. The search only moves forward.
int position_after(std::istream& ifs, my_string section, my_string subsection, my_string key);
int go_to_section(std::istream& ifs, my_string name);
int go_to_sub_section(std::istream& ifs, my_string name);

// Reads the next subsection header "[[name]]" into name (lower-cased) and
// returns its position in SubSections counted from 1; 0 when none follows.
int get_next_subsection(std::istream& ifs, my_string& name);

#endif
