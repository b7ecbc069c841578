// The statistics block and the significance block of the Mantel test in the
// result file: one "label : value" line each, values fixed with 6 decimals.
// The determinations are shares of the variance of Y between 0 and 1 (R2 as
// a regression reports it). A statistic that could not be computed says so
// and why.

#include <cmath>
#include <cstring>
#include <iomanip>
#include <string>

#include "comparisons/mantel.h"

namespace {

// A line: a line end (two after an empty line), the label padded with
// blanks to its width, ": " and the value.
void line_start(std::ostream& os, const char* label, int width, bool after_empty_line)
{
    os << (after_empty_line ? "\n\n" : "\n") << label;
    int padding = width - static_cast<int>(std::strlen(label));
    if (padding > 0)
        os << std::string(padding, ' ');
    os << ": ";
}

class Lines {
public:
    Lines(std::ostream& os, const char* why) : os(os), why(why) {}

    void value(const char* label, int width, double v, bool after_empty_line = false)
    {
        line_start(os, label, width, after_empty_line);
        if (std::isnan(v))
            os << "cannot be computed (" << why << ")";
        else
            os << v;
    }

    // P value and counts {equal, larger, smaller} of one test.
    void test(const char* statistic, double p, int const counts[3])
    {
        std::string name(statistic);
        value(("P(" + name + " rand >= " + name + " obs)").c_str(), 34, p, true);
        line_start(os, ("No. of smaller rand " + name).c_str(), 34, false);
        os << counts[2];
        line_start(os, ("No. of equal rand " + name).c_str(), 34, false);
        os << counts[0];
        line_start(os, ("No. of larger rand " + name).c_str(), 34, false);
        os << counts[1];
    }

private:
    std::ostream& os;
    const char* why;
};

}  // namespace

void Mantel::print_correlations(std::ostream& os)
{
    if (MatrixNumber != 2 && MatrixNumber != 3)
        return;
    os << std::fixed << std::setprecision(6);
    Lines out(os, undefined_why);
    if (MatrixNumber == 2) {
        out.value("Mean value Y", 35, MeanY);
        out.value("Sums of squares Y", 35, SSY);
        out.value("Mean value  X1", 35, MeanX1);
        out.value("Sums of squares X1", 35, SSX1);
        out.value("ZY1", 35, ZY1);
        out.value("Sum of products (SP(Y,X1))", 35, SPY1);
        out.value("Regression coefficient (bY1)", 33, bY1, true);
        out.value("Correlation coefficient (rY1)", 33, rY1, true);
        out.value("Determination of Y by X1", 33, R2Y, true);
    } else {
        out.value("Mean value Y", 34, MeanY);
        out.value("Sums of squares Y", 34, SSY);
        out.value("Mean value  X1", 34, MeanX1);
        out.value("Sums of squares X1", 34, SSX1);
        out.value("Mean value  X2", 34, MeanX2);
        out.value("Sums of squares X2", 34, SSX2);
        out.value("ZY1", 34, ZY1);
        out.value("ZY2", 34, ZY2);
        out.value("Z12", 34, Z12);
        out.value("Sum of products (SP(Y,X1))", 34, SPY1);
        out.value("Sum of products (SP(Y,X2))", 34, SPY2);
        out.value("Sum of products (SP(X1,X2))", 34, SP12);
        out.value("Regression coefficient (bY1)", 34, bY1, true);
        out.value("Regression coefficient (bY2)", 34, bY2);
        out.value("Partial regression  (bY1_2)", 34, bY1_2);
        out.value("Partial regression  (bY2_1)", 34, bY2_1);
        out.value("Correlation coefficient (rY1)", 34, rY1, true);
        out.value("Correlation coefficient (rY2)", 34, rY2);
        out.value("Correlation coefficient (r12)", 34, r12);
        out.value("Partial correlation  (rY1_2)", 34, rY1_2);
        out.value("Partial correlation  (rY2_1)", 34, rY2_1);
        out.value("Determination of Y by X1", 34, betaY1 * betaY1 + betaY1 * betaY2 * r12, true);
        out.value("Determination of Y by X2", 34, betaY2 * betaY2 + betaY2 * betaY1 * r12);
        out.value("Total determination of Y", 34, R2Y);
        out.value("Unexplained variance of Y", 34, UnexplY);
    }
    os << "\n\n";
}

void Mantel::print_p_values(std::ostream& os)
{
    if ((MatrixNumber != 2 && MatrixNumber != 3) || NumPermDone == 0)
        return;
    os << std::fixed << std::setprecision(6);
    os << "\n\nSignificance testing (" << NumPermDone << " permutations for Mantel test)\n"
       << std::string(20, '=');
    Lines out(os, undefined_why);
    out.test("rY1", PrY1, TestCounts[0]);
    if (MatrixNumber == 3) {
        out.test("rY2", PrY2, TestCounts[1]);
        out.test("rY1_2", PrY1_2, TestCounts[2]);
        out.test("rY2_1", PrY2_1, TestCounts[3]);
    }
    os << "\n\n";
}
