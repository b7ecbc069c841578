// Character classes of the project-file readers, on the int that
// istream::get returns (a byte, or EOF). They follow the C locale whatever
// the locale of the process, so that a file reads the same everywhere.
#ifndef DROV_CORE_CHAR_CLASSES_H
#define DROV_CORE_CHAR_CLASSES_H

// From the blank to '~'.
inline bool is_printable(int c) { return c >= 32 && c <= 126; }
// Printable and not the blank.
inline bool is_graphic(int c) { return c > 32 && c <= 126; }
inline bool is_digit(int c) { return c >= '0' && c <= '9'; }
// The letters and digits of ASCII.
inline bool is_alnum(int c)
{
    return is_digit(c) || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z');
}
// Above the blank and not DEL: bytes above 127 count, so that names written
// in other alphabets are kept whole.
inline bool is_visible(int c) { return c > ' ' && c != 127; }

#endif
