#include "core/math_functions.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <sstream>
#include <string>
#include <vector>

#include "support/temp_log.h"

namespace {

// The reports are read back from the log.
class SpecialFunctionsTest : public LogFolderTest {
protected:
    bool reported(const std::string& function) const
    {
        return log_text().find("#[ERROR # ") != std::string::npos
               && log_text().find("from function \"" + function + "\" : numerical error\n")
                           != std::string::npos;
    }
};

float parabola(float x)
{
    return x * x - 2.0f;
}

float always_positive(float x)
{
    return x * x + 1.0f;
}

}  // namespace

TEST_F(SpecialFunctionsTest, LnGammaAndFactorials)
{
    for (double x : {0.5, 1.0, 2.0, 3.7, 10.0, 100.5, 1e5})
        EXPECT_NEAR(gammln(x), std::lgamma(x), 1e-9 * (1 + std::fabs(std::lgamma(x)))) << x;
    for (long double x : {0.5L, 1.0L, 2.0L, 10.0L, 1e5L})
        EXPECT_NEAR(static_cast<double>(gammlnl(x)), static_cast<double>(std::lgamma(x)),
                    1e-9 * (1 + std::fabs(static_cast<double>(std::lgamma(x)))))
            << static_cast<double>(x);

    // Twice each, so that cached values are checked too; 101 and above are not cached.
    for (int pass = 0; pass < 2; ++pass)
        for (int n : {0, 1, 2, 5, 50, 100, 101, 499}) {
            double expected = std::lgamma(n + 1.0);
            EXPECT_NEAR(factln(n), expected, 1e-9 * (1 + expected)) << n;
            EXPECT_NEAR(static_cast<double>(factlnl(n)), expected, 1e-9 * (1 + expected)) << n;
        }
    EXPECT_EQ(factln(0), 0.0);
    EXPECT_EQ(factln(1), 0.0);
    EXPECT_NEAR(factln(5), std::log(120.0), 1e-12);
    EXPECT_EQ(log_text(), "");
}

TEST_F(SpecialFunctionsTest, NegativeFactorials)
{
    EXPECT_EQ(factln(-1), 0.0);
    EXPECT_TRUE(reported("factln(int n) negative factorial: setting it to zero"));

    std::string before = log_text();
    EXPECT_EQ(factlnl(-1), 0.0L);
    // factlnl writes a plain line, without a numbered report.
    EXPECT_EQ(log_text(), before + "factlnl(int n) negative factorial: setting it to zero\n");
}

TEST_F(SpecialFunctionsTest, ChiSquareTailAgainstReferenceValues)
{
    // Reference values of Q(df/2, chi2/2) computed to 30 digits.
    struct Case {
        float df, chi2;
        double q;
    };
    const std::vector<Case> cases = {
        {1, 3.841f, 0.0500136837639567},
        {5, 1, 0.962565773247296},
        {5, 20, 0.00124973056303138},
        {400, 350, 0.965884805138533},
        {1000, 1100, 0.0146144081262952},
        {2000, 2000, 0.495794755819784},
        {50000, 49000, 0.999267420344858},
        {100000, 101000, 0.0128688403772337},
    };
    for (const Case& c : cases)
        EXPECT_NEAR(Prob_of_chi_sq(c.df, c.chi2), c.q, 2e-6 + 1e-5 * c.q)
            << "df " << c.df << " chi2 " << c.chi2;

    // With 2 degrees of freedom the tail is exp(-chi2 / 2), on both sides of
    // the switch from the series to the continued fraction at chi2 = 4.
    for (float chi2 : {0.0f, 0.5f, 3.99f, 4.0f, 4.01f, 10.0f, 60.0f})
        EXPECT_NEAR(Prob_of_chi_sq(2, chi2), std::exp(-chi2 / 2.0), 1e-6) << chi2;
    EXPECT_EQ(log_text(), "") << "no iteration limit reached";
}

TEST_F(SpecialFunctionsTest, ChiSquareTailStaysAProbabilityForLargeDf)
{
    for (float df : {100.0f, 400.0f, 2000.0f, 20000.0f, 200000.0f, 1e6f})
        for (float ratio : {0.0f, 0.5f, 0.9f, 0.99f, 1.0f, 1.01f, 1.1f, 2.0f}) {
            float p = Prob_of_chi_sq(df, ratio * df);
            EXPECT_GE(p, 0.0f) << df << " " << ratio;
            EXPECT_LE(p, 1.0f) << df << " " << ratio;
        }
    EXPECT_EQ(log_text(), "") << "the series and the continued fraction converge";
}

TEST_F(SpecialFunctionsTest, ChiSquareTailInvalidArguments)
{
    EXPECT_EQ(Prob_of_chi_sq(0, 5), -1.0f);
    EXPECT_EQ(Prob_of_chi_sq(-3, 5), -1.0f);
    EXPECT_EQ(log_text(), "") << "a df of 0 or below is not reported";

    EXPECT_EQ(Prob_of_chi_sq(3, -1), -1.0f);
    EXPECT_TRUE(reported("Prob_of_chi_sq()  invalid arguments"));
    EXPECT_EQ(Prob_of_chi_sq(3, std::nanf("")), -1.0f);
    EXPECT_EQ(Prob_of_chi_sq(3, INFINITY), 0.0f);
}

TEST_F(SpecialFunctionsTest, IncompleteGammaPieces)
{
    float result = -1, gln = -1;
    gser(&result, 2, 1, &gln);  // P(2, 1) = 1 - 2/e
    EXPECT_NEAR(result, 1 - 2 / std::exp(1.0), 1e-6);
    EXPECT_NEAR(gln, 0.0, 1e-6);

    gcf(&result, 2, 5, &gln);  // Q(2, 5) = 6 e^-5
    EXPECT_NEAR(result, 6 * std::exp(-5.0), 1e-7);

    gser(&result, 3, 0, &gln);
    EXPECT_EQ(result, 0.0f);
    EXPECT_EQ(log_text(), "");
    gser(&result, 3, -1, &gln);
    EXPECT_EQ(result, 0.0f);
    EXPECT_TRUE(reported("gser() x less than 0"));
}

TEST_F(SpecialFunctionsTest, Zbrent)
{
    EXPECT_NEAR(zbrent(parabola, 0, 2, 1e-6f), std::sqrt(2.0), 1e-5);
    EXPECT_NEAR(zbrent(parabola, -2, 0, 1e-6f), -std::sqrt(2.0), 1e-5);
    EXPECT_EQ(zbrent(parabola, std::sqrt(2.0f), 5, 1e-6f), std::sqrt(2.0f)) << "root at an end";
    EXPECT_EQ(log_text(), "");
    EXPECT_EQ(zbrent(always_positive, -1, 1, 1e-6f), 0.0f);
    EXPECT_TRUE(reported("zbrent() root must be bracketed in zbrent"));
}

TEST(SpecialFunctions, FactorialBySummedLogs)
{
    EXPECT_EQ(factorial(1.0f), 0.0);
    EXPECT_EQ(factorial(-4.0f), 0.0);
    EXPECT_NEAR(factorial(5.0f), std::log(120.0), 1e-12);
    EXPECT_NEAR(factorial(4.95f), std::log(120.0), 1e-12) << "4.95 + 0.1 rounds down to 5";
    EXPECT_NEAR(factorial(4.85f), std::log(24.0), 1e-12);
}

TEST(SpecialFunctions, RmInZero)
{
    struct Case {
        const char* in;
        const char* out;
        int result;
    };
    for (const Case& c : {Case{"1.500", "1.5", 1}, Case{"100", "1", 1}, Case{"000", "0", 1},
                          Case{"0", "0", 1}, Case{"2.05", "2.05", 1}, Case{"", "", 0}}) {
        char text[16];
        std::strcpy(text, c.in);
        EXPECT_EQ(rm_in_zero(text), c.result) << c.in;
        EXPECT_STREQ(text, c.out) << c.in;
    }
}
