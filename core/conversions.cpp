#include "core/conversions.h"

#include <algorithm>
#include <climits>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "core/char_classes.h"

namespace {

const char* skip_blanks(const char* p)
{
    while (*p == ' ' || *p == '\t')
        ++p;
    return p;
}

long parse_int32(const char* s)
{
    const char* p = skip_blanks(s);
    bool negative = *p == '-';
    if (*p == '-' || *p == '+')
        ++p;
    const long long limit = negative ? -static_cast<long long>(INT_MIN) : INT_MAX;
    long long value = 0;
    for (; is_digit(*p); ++p)
        value = std::min(limit, value * 10 + (*p - '0'));
    return static_cast<long>(negative ? -value : value);
}

} // namespace

int my_atoi(const char* s)
{
    return static_cast<int>(parse_int32(s));
}

long my_atol(const char* s)
{
    return parse_int32(s);
}

// The number is copied out of the text, with a 'd' or 'D' exponent marker
// (Fortran style) written as 'e', and converted by strtod, which rounds
// correctly: every value printed with "%f" or "%e" reads back exactly.
double my_atof(const char* s)
{
    const char* p = skip_blanks(s);
    std::string number;
    if (*p == '-' || *p == '+')
        number += *p++;
    int digits = 0;
    for (; is_digit(*p); ++p, ++digits)
        number += *p;
    if (*p == '.') {
        number += *p++;
        for (; is_digit(*p); ++p, ++digits)
            number += *p;
    }
    if (digits == 0)
        return 0.0;
    if (*p != '\0' && std::strchr("eEdD", *p)) {
        const char* q = p + 1;
        std::string exponent = "e";
        if (*q == '-' || *q == '+')
            exponent += *q++;
        if (is_digit(*q)) {
            for (; is_digit(*q); ++q)
                exponent += *q;
            number += exponent;
        }
    }
    return std::strtod(number.c_str(), nullptr);
}

char* my_itoa(int value, char* buf, int radix)
{
    if (radix != 10) {
        buf[0] = '\0';
        return nullptr;
    }
    std::sprintf(buf, "%d", value);
    return buf;
}

char* my_ftoa(float value, char* buf, float radix)
{
    if (radix != 10.0f) {
        buf[0] = '\0';
        return nullptr;
    }
    std::sprintf(buf, "%f", static_cast<double>(value));
    return buf;
}

void my_strrev(char* s)
{
    std::reverse(s, s + std::strlen(s));
}

std::ostream& real_8w_4p(std::ostream& os)
{
    os.setf(std::ios::fixed, std::ios::floatfield);
    os.precision(4);
    os.setf(std::ios::right, std::ios::adjustfield);
    os.fill(' ');
    os.width(10);
    return os;
}

std::ostream& time_date(std::ostream& os)
{
    return os;
}
