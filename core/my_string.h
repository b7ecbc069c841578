// The program's one string type.
//
// A my_string is an owned, NUL-terminated byte buffer that remembers its
// length. Texts are bytes: case mapping touches the ASCII letters only.
// Assignment and appending refuse any result longer than max_length
// characters and then leave the string as it was. Every line of every input
// file is read through read_line and the one shared line buffer _buf.
#ifndef DROV_CORE_MY_STRING_H
#define DROV_CORE_MY_STRING_H

#include <istream>
#include <ostream>

class my_string {
public:
    // Longest text that assignment, appending and read_line accept.
    static const int max_length = 1001100;
    // Size of the shared line buffer: the longest line and its NUL.
    static const int line_buffer_size = max_length + 1;

    char* str;      // always allocated and NUL-terminated at length
    int grow_by;    // least extra room added when an append enlarges the buffer
    int length;     // characters before the NUL
    int capacity;   // size of str in bytes, at least length + 1

    // The shared line buffer; null until first needed. The start-up driver
    // allocates it at the start of a run and frees it at the end.
    static char* _buf;
    static void allocate_buffer();  // allocates _buf unless it exists
    static void free_buffer();      // frees _buf and sets it back to null

    my_string();
    my_string(const char* s);  // longer than max_length - 1: the empty string
    my_string(my_string const& s);
    ~my_string();

    my_string& operator=(my_string const& s);
    my_string& operator=(const char* s);
    my_string& operator=(char const& c);
    my_string& operator=(int v);     // printed with "%d"
    my_string& operator=(double v);  // printed with "%f"

    my_string& operator+=(my_string const& s);
    my_string& operator+=(const char* s);
    my_string& operator+=(char c);

    // ASCII case mapping in place.
    void Lower();
    void Upper();
    void to_lower();
    void to_upper();
    // Room for a text of `needed` characters, so that appends up to that
    // length need no new buffer; a text already that long is left alone.
    void reserve(int needed);

    bool is_null() const;
    bool contains(const char* s) const;
    bool contains(my_string const& s) const;
    bool contains(char c) const;
    // Searches give -1 when nothing is found.
    int find_first_of(char const& c) const;
    int find_first_of(char const& c, int start) const;
    int find_last_of(char const& c) const;
    int rfind(my_string const& s) const;  // the FIRST occurrence of s

    void remove(int pos, int count);
    int removes(my_string const& s);  // removes the first occurrence; 1 if found
    void remove_blanks();             // every tab and blank
    void remove_eol_and_lf();         // every CR and LF
    void reverse_string();
    // Next sep-delimited token; this string keeps the rest from that separator.
    my_string extract_sub_str(char sep);

    my_string extract_after(char c) const;  // whole text when c is absent
    my_string extract_before(char c) const; // whole text when c is absent
    my_string convert_blank_to_html_blank() const;   // blank -> "%20"
    my_string convert_blank_to_underline() const;    // blank -> "_"
    my_string convert_blank_to_linux_blank() const;  // blank -> "\ "

    // File-name helpers, in place.
    void rm_path();           // keeps what follows the last '/' or backslash
    void extract_path();      // keeps up to and including the last separator
    void remove_extension();  // cuts at the last '.' of the last path component
    void convert_to_slash();
    void convert_to_html_slash();
    void convert_to_backslash();
    void convert_to_underline();  // '/', ':' and backslash -> '_'
    my_string& convert_dot_to_underline();

    // Readers. Callers test the stream's state afterwards.
    // read_line keeps a CR and always returns 1. A line longer than
    // max_length is reported with its file (when the stream is an InputFile)
    // and line number, and leaves this string empty and the stream failed and
    // bad: readers stop there and tell it from the end of their input by bad().
    int read_line(std::istream& is);
    void read_token(std::istream& is);
    void read_to_delim(std::istream& is, char delim);
    void read_to_delim(std::istream& is);
    int GetNextQuota(std::istream& is);  // appends the next "quoted" text

private:
    void assign_text(const char* text, int n);
    void append_text(const char* text, int n);
    void set_capacity(int new_capacity);  // keeps the text
    void replace_buffer(int new_capacity);  // drops the text
    int room() const;
    void cut(int new_length);
    my_string replace_blanks_by(const char* replacement) const;
    void replace_chars(const char* from, char to);
    void remove_chars(const char* which);
    int last_path_separator() const;
    int first_occurrence(const char* s, int n) const;
};

my_string operator+(my_string const& a, my_string const& b);
my_string operator+(my_string const& a, const char* b);

std::istream& operator>>(std::istream& is, my_string& w);
std::ostream& operator<<(std::ostream& os, my_string const& s);

// True when the two texts are the same up to their first NUL (case counts).
bool same_text(my_string const& a, const char* b);
bool same_text(my_string const& a, my_string const& b);

// Cuts the C string s at the last occurrence of c; unchanged when c is absent.
void my_strtok_right(char* s, char c);

#endif
