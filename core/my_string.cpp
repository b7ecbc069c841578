#include "core/my_string.h"

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <string_view>

#include "core/errors.h"
#include "core/file_helpers.h"

char* my_string::_buf = nullptr;

void my_string::allocate_buffer()
{
    if (!_buf)
        _buf = new char[line_buffer_size];
}

void my_string::free_buffer()
{
    delete[] _buf;
    _buf = nullptr;
}

// ---------------------------------------------------------------------------
// Construction and buffer management

my_string::my_string() : str(new char[10]), grow_by(100), length(0), capacity(10)
{
    str[0] = '\0';
}

my_string::my_string(const char* s) : grow_by(100)
{
    size_t n = std::strlen(s);
    if (n >= static_cast<size_t>(max_length)) {
        // Refused: the empty string, as the default constructor makes it.
        n = 0;
        capacity = 10;
    } else {
        capacity = static_cast<int>(n) + 2;
    }
    length = static_cast<int>(n);
    str = new char[capacity];
    std::memcpy(str, s, n);
    str[n] = '\0';
}

my_string::my_string(my_string const& s) : my_string()
{
    *this = s;
}

my_string::~my_string()
{
    delete[] str;
}

// New buffer of exactly new_capacity bytes holding the current text.
void my_string::set_capacity(int new_capacity)
{
    char* fresh = new char[new_capacity];
    std::memcpy(fresh, str, length + 1);
    delete[] str;
    str = fresh;
    capacity = new_capacity;
}

// A new, empty buffer of exactly new_capacity bytes.
void my_string::replace_buffer(int new_capacity)
{
    char* fresh = new char[new_capacity];
    delete[] str;
    str = fresh;
    capacity = new_capacity;
    cut(0);
}

// Extra room given to a buffer that an append must enlarge: grow_by bytes
// for short texts, as much as the text already holds for longer ones, so
// that building a long text by many small appends copies it only a few times.
void my_string::reserve(int needed)
{
    if (needed > length && needed >= capacity && needed <= max_length)
        set_capacity(needed + 2);
}

int my_string::room() const
{
    return std::max(grow_by, length);
}

void my_string::cut(int new_length)
{
    length = new_length;
    str[length] = '\0';
}

// Replaces the text by n bytes at text, which may point into this string.
// Grows the buffer to exactly n + 2 bytes when it is too small; never shrinks.
void my_string::assign_text(const char* text, int n)
{
    if (n > max_length)
        return;
    if (capacity < n + 2) {
        char* fresh = new char[n + 2];
        std::memcpy(fresh, text, n);
        delete[] str;
        str = fresh;
        capacity = n + 2;
    } else {
        std::memmove(str, text, n);
    }
    cut(n);
}

// Appends n bytes at text (which may point into this string). A growing
// buffer gets room() bytes beyond the new text.
void my_string::append_text(const char* text, int n)
{
    if (n == 0 || n > max_length - length)
        return;
    int total = length + n;
    if (capacity < total + 2) {
        int new_capacity = total + 2 + room();
        char* fresh = new char[new_capacity];
        std::memcpy(fresh, str, length);
        std::memcpy(fresh + length, text, n);
        delete[] str;
        str = fresh;
        capacity = new_capacity;
    } else {
        std::memmove(str + length, text, n);
    }
    cut(total);
}

// ---------------------------------------------------------------------------
// Assignment and appending

my_string& my_string::operator=(my_string const& s)
{
    if (this != &s)
        assign_text(s.str, s.length);
    return *this;
}

my_string& my_string::operator=(const char* s)
{
    size_t n = std::strlen(s);
    if (n <= static_cast<size_t>(max_length))
        assign_text(s, static_cast<int>(n));
    return *this;
}

my_string& my_string::operator=(char const& c)
{
    char ch = c;  // c may lie in the buffer about to be replaced
    if (capacity < 4)
        replace_buffer(2);
    str[0] = ch;
    // A NUL character makes the empty text, so that length stays strlen(str).
    cut(ch == '\0' ? 0 : 1);
    return *this;
}

my_string& my_string::operator=(int v)
{
    if (capacity < 20)
        replace_buffer(22);
    length = std::snprintf(str, capacity, "%d", v);
    return *this;
}

my_string& my_string::operator=(double v)
{
    // "%f" of a large value needs far more than the usual 42 bytes.
    int n = std::snprintf(nullptr, 0, "%f", v);
    if (capacity < 40 || capacity < n + 2)
        replace_buffer(std::max(42, n + 2));
    length = std::snprintf(str, capacity, "%f", v);
    return *this;
}

my_string& my_string::operator+=(my_string const& s)
{
    append_text(s.str, s.length);
    return *this;
}

my_string& my_string::operator+=(const char* s)
{
    size_t n = std::strlen(s);
    if (n <= static_cast<size_t>(max_length))
        append_text(s, static_cast<int>(n));
    return *this;
}

my_string& my_string::operator+=(char c)
{
    if (c == '\0' || length >= max_length)
        return *this;
    if (capacity < length + 3)
        set_capacity(length + 3 + room());
    str[length] = c;
    cut(length + 1);
    return *this;
}

// a followed by b in a buffer of max(10, combined length + 2) bytes; the
// empty string when the result would pass the length limit.
static my_string concatenate(my_string const& a, const char* b, size_t nb)
{
    my_string result;
    if (nb > static_cast<size_t>(my_string::max_length - a.length))
        return result;
    int total = a.length + static_cast<int>(nb);
    if (result.capacity < total + 2) {
        delete[] result.str;
        result.str = new char[total + 2];
        result.capacity = total + 2;
    }
    std::memcpy(result.str, a.str, a.length);
    std::memcpy(result.str + a.length, b, nb);
    result.str[total] = '\0';
    result.length = total;
    return result;
}

my_string operator+(my_string const& a, my_string const& b)
{
    return concatenate(a, b.str, b.length);
}

my_string operator+(my_string const& a, const char* b)
{
    return concatenate(a, b, std::strlen(b));
}

// ---------------------------------------------------------------------------
// Case mapping

void my_string::Lower()
{
    for (char* p = str; *p; ++p)
        if (*p >= 'A' && *p <= 'Z')
            *p = static_cast<char>(*p - 'A' + 'a');
}

void my_string::Upper()
{
    for (char* p = str; *p; ++p)
        if (*p >= 'a' && *p <= 'z')
            *p = static_cast<char>(*p - 'a' + 'A');
}

void my_string::to_lower()
{
    Lower();
}

void my_string::to_upper()
{
    Upper();
}

// ---------------------------------------------------------------------------
// Queries

bool my_string::is_null() const
{
    return length == 0;
}

int my_string::first_occurrence(const char* s, int n) const
{
    if (n == 0 || n > length)
        return -1;
    size_t pos = std::string_view(str, length).find(std::string_view(s, n));
    return pos == std::string_view::npos ? -1 : static_cast<int>(pos);
}

bool my_string::contains(const char* s) const
{
    size_t n = std::strlen(s);
    return n <= static_cast<size_t>(length) && first_occurrence(s, static_cast<int>(n)) >= 0;
}

bool my_string::contains(my_string const& s) const
{
    return first_occurrence(s.str, s.length) >= 0;
}

bool my_string::contains(char c) const
{
    return std::memchr(str, c, length) != nullptr;
}

int my_string::find_first_of(char const& c) const
{
    return find_first_of(c, 0);
}

int my_string::find_first_of(char const& c, int start) const
{
    if (length == 0 || length < start)
        return -1;
    start = std::max(start, 0);
    const void* hit = std::memchr(str + start, c, length - start);
    return hit ? static_cast<int>(static_cast<const char*>(hit) - str) : -1;
}

int my_string::find_last_of(char const& c) const
{
    for (int i = length - 1; i >= 0; --i)
        if (str[i] == c)
            return i;
    return -1;
}

int my_string::rfind(my_string const& s) const
{
    return first_occurrence(s.str, s.length);
}

// ---------------------------------------------------------------------------
// Editing in place

void my_string::remove(int pos, int count)
{
    if (count < 1 || pos < 0 || pos >= length)
        return;
    if (count >= length - pos) {
        cut(pos);
        return;
    }
    std::memmove(str + pos, str + pos + count, length - pos - count + 1);
    length -= count;
}

int my_string::removes(my_string const& s)
{
    int pos = first_occurrence(s.str, s.length);
    if (pos < 0)
        return 0;
    remove(pos, s.length);
    return 1;
}

void my_string::remove_chars(const char* which)
{
    int kept = 0;
    for (int i = 0; i < length; ++i)
        if (!std::strchr(which, str[i]))
            str[kept++] = str[i];
    cut(kept);
}

void my_string::remove_blanks()
{
    remove_chars("\t ");
}

void my_string::remove_eol_and_lf()
{
    remove_chars("\r\n");
}

void my_string::reverse_string()
{
    std::reverse(str, str + length);
}

my_string my_string::extract_sub_str(char sep)
{
    int begin = 0;
    while (begin < length && str[begin] == sep)
        ++begin;
    int end = begin;
    while (end < length && str[end] != sep)
        ++end;
    my_string token;
    token.assign_text(str + begin, end - begin);
    remove(0, end);  // the separator after the token stays
    return token;
}

// ---------------------------------------------------------------------------
// Parts of a text

my_string my_string::extract_after(char c) const
{
    int pos = find_first_of(c);
    if (pos < 0)
        return *this;
    my_string rest;
    rest.assign_text(str + pos + 1, length - pos - 1);
    return rest;
}

my_string my_string::extract_before(char c) const
{
    int pos = find_first_of(c);
    if (pos < 0)
        return *this;
    my_string head;
    head.assign_text(str, pos);
    return head;
}

// A copy with each blank replaced by the given text; empty when the copy
// would pass the length limit.
my_string my_string::replace_blanks_by(const char* replacement) const
{
    std::string out;
    for (int i = 0; i < length; ++i) {
        if (str[i] == ' ')
            out += replacement;
        else
            out += str[i];
    }
    my_string result;
    result = out.c_str();
    return result;
}

my_string my_string::convert_blank_to_html_blank() const
{
    return replace_blanks_by("%20");
}

my_string my_string::convert_blank_to_underline() const
{
    return replace_blanks_by("_");
}

my_string my_string::convert_blank_to_linux_blank() const
{
    return replace_blanks_by("\\ ");
}

// ---------------------------------------------------------------------------
// File-name helpers

int my_string::last_path_separator() const
{
    for (int i = length - 1; i >= 0; --i)
        if (str[i] == '/' || str[i] == '\\')
            return i;
    return -1;
}

void my_string::rm_path()
{
    int sep = last_path_separator();
    if (sep >= 0)
        assign_text(str + sep + 1, length - sep - 1);
}

void my_string::extract_path()
{
    cut(last_path_separator() + 1);
}

// Only a dot in the file name itself starts an extension: "data.d/run" has none.
void my_string::remove_extension()
{
    int name_start = last_path_separator() + 1;
    for (int i = length - 1; i >= name_start; --i) {
        if (str[i] == '.') {
            cut(i);
            return;
        }
    }
}

void my_string::replace_chars(const char* from, char to)
{
    for (int i = 0; i < length; ++i)
        if (std::strchr(from, str[i]))
            str[i] = to;
}

void my_string::convert_to_slash()
{
    replace_chars("\\", '/');
}

void my_string::convert_to_html_slash()
{
    replace_chars("\\", '/');
}

void my_string::convert_to_backslash()
{
    replace_chars("/", '\\');
}

void my_string::convert_to_underline()
{
    replace_chars("/:\\", '_');
}

my_string& my_string::convert_dot_to_underline()
{
    replace_chars(".", '_');
    return *this;
}

// ---------------------------------------------------------------------------
// Readers
//
// A text that runs up to the end of the input ends there and leaves the
// stream with only its end-of-file state set, as a last line without a line
// feed does; the next read, which finds nothing, fails the stream.

namespace {

bool is_separator(int c)
{
    return c == ' ' || c == '\t' || c == '\n';
}

// The next character, or EOF at the end of the input without failing the
// stream.
int next_char(std::istream& is)
{
    if (is.peek() == std::istream::traits_type::eof())
        return std::istream::traits_type::eof();
    return is.get();
}

// Number (from 1) of the line that begins at byte `start` of the stream.
long line_number_at(std::istream& is, std::streamoff start)
{
    is.seekg(0);
    std::streambuf* in = is.rdbuf();
    long line = 1;
    for (std::streamoff i = 0; i < start; ++i) {
        int c = in->sbumpc();
        if (c == std::streambuf::traits_type::eof())
            break;
        if (c == '\n')
            ++line;
    }
    return line;
}

// Reports a line of which only the first `extracted` characters could be
// read, with its file and line, and leaves the stream failed and bad.
void refuse_long_line(std::istream& is, std::streamsize extracted)
{
    E.error(ERROR, "my_string::read_line()", 209);
    is.clear();
    std::streamoff after = is.tellg();
    *_ZOS_ << '\t';
    if (auto const* file = dynamic_cast<InputFile const*>(&is))
        *_ZOS_ << "File \"" << file->name() << "\", ";
    if (after >= extracted)
        *_ZOS_ << "Line #" << line_number_at(is, after - extracted) << " : ";
    *_ZOS_ << "line longer than " << my_string::max_length
           << " characters, reading stopped" << std::endl;
    is.setstate(std::ios::failbit | std::ios::badbit);
}

} // namespace

// Lines are read whole through the shared buffer, which holds the longest
// line a my_string may hold.
int my_string::read_line(std::istream& is)
{
    allocate_buffer();
    _buf[0] = '\0';
    is.getline(_buf, line_buffer_size);
    if (is.fail() && is.gcount() == max_length) {
        cut(0);
        refuse_long_line(is, is.gcount());
        return 1;
    }
    int n = static_cast<int>(std::strlen(_buf));
    char* fresh = new char[n + 1];
    std::memcpy(fresh, _buf, n + 1);
    delete[] str;
    str = fresh;
    capacity = n + 1;
    length = n;
    return 1;
}

void my_string::read_token(std::istream& is)
{
    grow_by = 100;
    cut(0);
    int c = ' ';
    while (is_separator(c)) {
        c = is.get();
        if (c == std::istream::traits_type::eof())
            return;  // nothing left: the stream fails
    }
    while (c != std::istream::traits_type::eof() && !is_separator(c)) {
        if (c != '\0') {
            if (length + 2 > capacity)
                set_capacity(capacity + room());
            str[length] = static_cast<char>(c);
            cut(length + 1);
        }
        c = next_char(is);
    }
}

// Reads up to (and consumes) the first character for which stop is true.
template <class Stop>
static void read_until(std::istream& is, my_string& s, Stop stop)
{
    for (int c = is.get(); c != std::istream::traits_type::eof(); c = next_char(is)) {
        if (c == '\0' || c == '\n' || c == 0xFF || stop(static_cast<char>(c)))
            return;
        s += static_cast<char>(c);
    }
}

void my_string::read_to_delim(std::istream& is, char delim)
{
    cut(0);
    if (!is.fail())
        read_until(is, *this, [delim](char c) { return c == delim; });
}

void my_string::read_to_delim(std::istream& is)
{
    cut(0);
    if (!is.fail())
        read_until(is, *this, [](char c) { return c == '\t' || c == ' '; });
}

int my_string::GetNextQuota(std::istream& is)
{
    if (is.fail())
        return 0;
    char c;
    // The first character may be a line feed left by the previous read;
    // any later line feed before the opening quote ends the search.
    if (!is.get(c))
        return 0;
    while (c != '"') {
        if (!is.get(c) || c == '\n')
            return 0;
    }
    while (is.get(c)) {
        if (c == '\n')
            return 0;
        if (c == '"')
            return 1;
        *this += c;
    }
    return 1;  // the end of the input closes the text
}

std::istream& operator>>(std::istream& is, my_string& w)
{
    w = "";
    int c = is.get();
    while (c == ' ' || c == '\t')
        c = is.get();
    while (c != std::istream::traits_type::eof() && c != 0xFF) {
        if (c == '\n') {
            is.unget();  // the line end is left for the caller
            return is;
        }
        if (c == '\r' || c == ' ')
            return is;
        w += static_cast<char>(c);
        c = next_char(is);
    }
    return is;
}

// ---------------------------------------------------------------------------
// Stream output and the free helper

std::ostream& operator<<(std::ostream& os, my_string const& s)
{
    return os << s.str;
}

void my_strtok_right(char* s, char c)
{
    char* hit = std::strrchr(s, c);
    if (hit)
        *hit = '\0';
}

bool same_text(my_string const& a, const char* b)
{
    return std::strcmp(a.str, b) == 0;
}

bool same_text(my_string const& a, my_string const& b)
{
    return std::strcmp(a.str, b.str) == 0;
}
