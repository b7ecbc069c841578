// Tests of the number parsers and writers, string reversal and the stream
// manipulators.

#include "core/conversions.h"

#include <gtest/gtest.h>

#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <sstream>
#include <string>

namespace {

TEST(NumberParsers, TakeTheLongestNumberAtTheStart)
{
    struct Case {
        const char* text;
        long integer;  // my_atoi and my_atol
        double real;   // my_atof
    } cases[] = {
        {"", 0, 0.0},
        {"x", 0, 0.0},
        {"-", 0, 0.0},
        {"abc", 0, 0.0},
        {"123", 123, 123.0},
        {"-45", -45, -45.0},
        {"+2.5", 2, 2.5},
        {" \t7 ", 7, 7.0},
        {"1.5", 1, 1.5},
        {"1.5x", 1, 1.5},
        {"12-3", 12, 12.0},
        {"0.05\r", 0, 0.05},
        {"0.05 # x", 0, 0.05},
        {"1000 # was 100", 1000, 1000.0},
        {".5", 0, 0.5},
        {"-0.5", 0, -0.5},
        {"5.", 5, 5.0},
        {"1E-7", 1, 1e-7},
        {"1e-5", 1, 1e-5},
        {"1.000000e-07", 1, 1e-7},
        {"12e5", 12, 12e5},
        {"1.5E2", 1, 150.0},
        {"1.5d2", 1, 150.0},
        {"2.5D-1", 2, 0.25},
        {"1.0e0", 1, 1.0},
        {"3e", 3, 3.0},
        {"3e+", 3, 3.0},
        {"0.010000\r\n", 0, 0.01},
        {"2147483647", INT_MAX, 2147483647.0},
        {"2147483648", INT_MAX, 2147483648.0},
        {"99999999999999999999", INT_MAX, 1e20},
        {"-2147483648", INT_MIN, -2147483648.0},
        {"-99999999999", INT_MIN, -99999999999.0},
    };
    for (auto const& c : cases) {
        EXPECT_EQ(my_atoi(c.text), c.integer) << "'" << c.text << "'";
        EXPECT_EQ(my_atol(c.text), c.integer) << "'" << c.text << "'";
        EXPECT_EQ(my_atof(c.text), c.real) << "'" << c.text << "'";
    }
}

TEST(NumberParsers, WhatTheProgramWritesReadsBackExactly)
{
    const double reals[] = {0.0, 1e-7, 0.05, 0.1, 1.0 / 3.0, -2.5, 123456.789,
                            1e-300, 6.02214076e23, DBL_MAX, -DBL_MIN};
    char text[400];
    for (double v : reals) {
        for (const char* format : {"%f", "%e", "%.17g"}) {
            std::snprintf(text, sizeof text, format, v);
            EXPECT_EQ(my_atof(text), std::strtod(text, nullptr)) << text;
        }
    }
    EXPECT_EQ(my_atof("1.000000e-07"), 1e-7);

    const long integers[] = {0, 1, -1, 100000, INT_MAX, INT_MIN};
    for (long v : integers) {
        std::snprintf(text, sizeof text, "%ld", v);
        EXPECT_EQ(my_atol(text), v) << text;
        std::snprintf(text, sizeof text, "%d", static_cast<int>(v));
        EXPECT_EQ(my_atoi(text), v) << text;
    }
}

TEST(NumberWriters, OnlyRadixTenIsSupported)
{
    char buf[64] = "junk";
    EXPECT_EQ(my_itoa(-42, buf, 10), buf);
    EXPECT_STREQ(buf, "-42");
    EXPECT_EQ(my_itoa(42, buf, 16), nullptr);
    EXPECT_STREQ(buf, "");

    EXPECT_EQ(my_ftoa(2.5f, buf, 10.0f), buf);
    EXPECT_STREQ(buf, "2.500000");
    EXPECT_EQ(my_ftoa(2.5f, buf, 2.0f), nullptr);
    EXPECT_STREQ(buf, "");
}

TEST(StringReversal, ReversesTextsOfAnyLength)
{
    char abc[] = "abc";
    my_strrev(abc);
    EXPECT_STREQ(abc, "cba");
    char empty[] = "";
    my_strrev(empty);
    EXPECT_STREQ(empty, "");

    std::string longer(3001, 'a');
    longer.back() = 'z';
    my_strrev(longer.data());
    EXPECT_EQ(longer.front(), 'z');
    EXPECT_EQ(longer.back(), 'a');
}

TEST(Manipulators, RealFieldOfTenWithFourDecimals)
{
    std::ostringstream out;
    out.setf(std::ios::left, std::ios::adjustfield);
    out.fill('*');
    out << real_8w_4p << 3.14159 << "|" << 2.0 << time_date << "|";
    EXPECT_EQ(out.str(), "    3.1416|2.0000|");
}

} // namespace
