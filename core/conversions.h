// Number and text conversions of the program's own.
//
// The parsers read the numbers of the run list, the settings file, project
// files and distance matrices. Each takes the longest number at the start of
// its text (after blanks and tabs) and ignores whatever follows, so that a
// trailing comment or carriage return does not change the value; a text
// without a number gives 0.
#ifndef DROV_CORE_CONVERSIONS_H
#define DROV_CORE_CONVERSIONS_H

#include <ostream>

// Optional sign and decimal digits, saturated to the 32-bit range.
int my_atoi(const char* s);
long my_atol(const char* s);
// Optional sign, digits, an optional fraction and an optional exponent marked
// by e, E, d or D; correctly rounded.
double my_atof(const char* s);

// Only radix 10 is supported: any other radix empties buf and returns null.
char* my_itoa(int value, char* buf, int radix);
char* my_ftoa(float value, char* buf, float radix);

// Reverses the C string s in place.
void my_strrev(char* s);

// Stream manipulators: real_8w_4p sets fixed notation, precision 4, right
// adjustment, blank fill and a width of 10 for the next item; time_date
// leaves the stream as it is.
std::ostream& real_8w_4p(std::ostream& os);
std::ostream& time_date(std::ostream& os);

#endif
