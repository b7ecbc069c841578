// Reading a Biosys format statement into plain numbers.
//
// The statement is read without its blanks (a tab stays and counts as a
// character). Each number runs from the end of the item before it to its
// delimiter and keeps only its digits, so that A2 and 2 both read 2. Items
// that may be left out are looked for before the next delimiter: the skip
// (3X) of the leading part and the gap (1X) of a group, so that
// (A7,10(1X,A2,A2)) has no skip and (A7,3X,10(A2,A2)) no gap. A statement
// is refused with the error line when it has ten lines or more, lacks the
// name item of data type 1 or the 1X before a count or frequency, or gives a
// number that is negative, longer than ten characters or wider than a gene
// copy's text.
#include "translator/biosys_format.h"

#include <climits>
#include <ostream>

#include "translator/imp_exp.h"

namespace {

class StatementParser {
public:
    StatementParser(std::string const& statement, int data_type, BiosysFormat& format)
        : data_type(data_type), f(format)
    {
        for (char c : statement)
            if (c != ' ')
                work += c;
    }

    bool run()
    {
        f = BiosysFormat();
        for (char c : work)
            if (c == '/')
                ++f.line_count;
        if (f.line_count >= BiosysFormat::max_lines)
            return false;
        pass('(');
        if (data_type == 1) {
            if (!at('A'))
                return false;
            ++p;
            f.name_width = number_until(",");
            pass(',');
        }
        f.skip = optional_x_item("X,()");
        pass('(');
        for (int i = 0; i < f.line_count; ++i) {
            if (!read_group(i) || !ok)
                return false;
            if (!at(')') || p + 1 >= work.size() || work[p + 1] != '/' || i + 1 >= f.line_count)
                break;
            p += 2;
        }
        return ok;
    }

private:
    int data_type;
    BiosysFormat& f;
    std::string work;
    std::size_t p = 0;
    bool ok = true;

    bool at(char c) const { return p < work.size() && work[p] == c; }
    void pass(char c)
    {
        if (at(c))
            ++p;
    }

    // The number from p to the first of the delimiters (or the end); p
    // stops at the delimiter.
    int number_until(const char* delimiters)
    {
        std::size_t end = work.find_first_of(delimiters, p);
        if (end == std::string::npos)
            end = work.size();
        std::string text = work.substr(p, end - p);
        p = end;
        int value = biosys_number(text);
        if (text.size() > 10 || value < 0 || value > BiosysFormat::max_copy_length)
            ok = false;
        return value;
    }

    // An item such as 3X when one comes before the first of the other
    // delimiters: its number, p past it and a following comma; else 0.
    int optional_x_item(const char* delimiters)
    {
        std::size_t end = work.find_first_of(delimiters, p);
        if (end == std::string::npos || work[end] != 'X')
            return 0;
        int value = number_until("X");
        ++p;
        pass(',');
        return value;
    }

    // One format line: repeat count, "(", gap, two alleles and, for data
    // types 2 and 3, "1X" and the count or frequency. p ends at its ")".
    bool read_group(int i)
    {
        f.loci[i] = number_until("(");
        pass('(');
        f.gap[i] = optional_x_item("X,)");
        pass('A');
        f.first_width[i] = number_until(",");
        pass(',');
        pass('A');
        if (data_type == 1) {
            f.second_width[i] = number_until(")");
            return true;
        }
        f.second_width[i] = number_until(",");
        pass(',');
        std::size_t end = work.find(',', p);
        if (end == std::string::npos || work.compare(p, end - p, "1X") != 0)
            return false;
        p = end + 1;
        if (data_type == 2) {
            pass('I');
            f.third_width[i] = number_until(")");
            return true;
        }
        pass('F');
        f.third_width[i] = number_until(".)");
        p = work.find(')', p);
        if (p == std::string::npos)
            p = work.size();
        return true;
    }
};

} // namespace

int BiosysFormat::total_loci() const
{
    int sum = 0;
    for (int i = 0; i < line_count && i < max_lines; ++i)
        sum += loci[i];
    return sum;
}

int biosys_number(std::string const& text)
{
    long long value = 0;
    bool negative = false;
    bool digits = false;
    for (char c : text) {
        if (c >= '0' && c <= '9') {
            value = value * 10 + (c - '0');
            if (value > INT_MAX)
                value = INT_MAX;
            digits = true;
        } else if (c == '-' && !digits) {
            negative = true;
        }
    }
    return static_cast<int>(negative ? -value : value);
}

int imp_exp::read_format(int data_type, std::string const& statement, BiosysFormat& format)
{
    if (StatementParser(statement, data_type, format).run())
        return 1;
    *os << " ***** ERROR *****\n";
    return 0;
}

int imp_exp::read_format1(std::string const& statement, BiosysFormat& format)
{
    return read_format(1, statement, format);
}

int imp_exp::read_format2(std::string const& statement, BiosysFormat& format)
{
    return read_format(2, statement, format);
}

int imp_exp::read_format3(std::string const& statement, BiosysFormat& format)
{
    return read_format(3, statement, format);
}
