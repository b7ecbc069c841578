// H-number tables of the finite-sites mismatch distribution (Tajima 1996) and
// the binomial and trinomial weights of their rate mixtures.

#include "simulation/hnum_tables.h"

#include <algorithm>
#include <cmath>
#include <fstream>
#include <new>
#include <string>

#include "core/errors.h"
#include "core/math_functions.h"

namespace {

void log_text(const std::string& text)
{
    if (_ZOS_)
        *_ZOS_ << text;
}

// count * ln p, taken as 0 for no event (also when p is 0).
long double log_power(int count, double p)
{
    return count == 0 ? 0.0L : count * std::log(static_cast<long double>(p));
}

}  // namespace

double Bin_pr::bin_prob(const int& i, const int& j, const double& p)
{
    if (j > i || j < 0)
        return 0.0;
    long double l = factlnl(i) - factlnl(j) - factlnl(i - j) + log_power(j, p)
                    + log_power(i - j, 1.0 - p);
    return static_cast<double>(std::exp(l));
}

int Bin_pr::create(int order, const double& p)
{
    delete_H();
    try {
        table.assign(order + 1, std::vector<double>(order + 1, 0.0));
    } catch (const std::bad_alloc&) {
        delete_H();
        return 0;
    }
    n = order;
    for (int i = 0; i <= n; ++i)
        for (int j = 0; j <= i; ++j)
            table[i][j] = bin_prob(i, j, p);
    return 1;
}

double Bin_pr::at(int i, int j) const
{
    if (i < 0 || j < 0 || i > n || j > n || table.empty()) {
        log_text("BinProb: index out of range (" + std::to_string(i) + "," + std::to_string(j)
                 + ")\n");
        return table.empty() ? 0.0 : table[0][0];
    }
    return table[i][j];
}

void Bin_pr::delete_H()
{
    table.clear();
    n = 0;
}

double MULT_pr::mult_nom_prob(const int& a, const int& b, const int& c, const double& p1,
                              const double& p2, const double& p3)
{
    long double l = factlnl(a + b + c) - factlnl(a) - factlnl(b) - factlnl(c) + log_power(a, p1)
                    + log_power(b, p2) + log_power(c, p3);
    return static_cast<double>(std::exp(l));
}

int MULT_pr::create(int order, const double& p1, const double& p2, const double& p3)
{
    delete_H();
    const std::size_t side = order + 1;
    try {
        cube.assign(side * side * side, 0.0);
    } catch (const std::bad_alloc&) {
        delete_H();
        return 0;
    }
    n = order;
    for (int a = 0; a <= n; ++a)
        for (int b = 0; b <= n; ++b)
            for (int c = 0; c <= n; ++c)
                cube[(a * side + b) * side + c] = mult_nom_prob(a, b, c, p1, p2, p3);
    return 1;
}

double& MULT_pr::operator()(int a, int b, int c)
{
    static double none = 0.0;
    if (a < 0 || b < 0 || c < 0 || a > n || b > n || c > n || cube.empty()) {
        log_text("H number: index out of range (" + std::to_string(a) + "," + std::to_string(b)
                 + "," + std::to_string(c) + ")\n");
        return cube.empty() ? none : cube[0];
    }
    const std::size_t side = n + 1;
    return cube[(a * side + b) * side + c];
}

void MULT_pr::delete_H()
{
    cube.clear();
    n = 0;
}

// The j-th mutation hits a new site with probability (n - k + 1) / n, or one
// of the k sites already hit.
int My_HNum::create(int sites)
{
    delete_H();
    if (sites < 1 || K < 0)
        return 0;
    try {
        H.assign(sites + 1, std::vector<double>(K + 1, 0.0));
    } catch (const std::bad_alloc&) {
        delete_H();
        return 0;
    }
    n = sites;
    H[0][0] = 1.0;
    for (int k = 1; k <= n; ++k)
        for (int j = k; j <= K; ++j)
            H[k][j] = ((n - k + 1) * H[k - 1][j - 1] + k * H[k][j - 1]) / n;
    return 1;
}

void My_HNum::delete_H()
{
    H.clear();
    n = 0;
}

void Ex_HNum::allocate(int dimension)
{
    H.assign(dimension, std::vector<double>(dimension, 0.0));
    size = dimension;
}

double Ex_HNum::at(int k, int m) const
{
    return k >= 0 && m >= 0 && k < size && m < size ? H[k][m] : 0.0;
}

void Ex_HNum::delete_H()
{
    H.clear();
    size = 0;
    cols = 1000;
    last_row = 0;
}

// White-space separated: the last row index R and the number of columns C,
// then per row its C numbers, the rest of that line, and a line starting
// with '*'. Lines are read whole, whatever their length.
int Ex_HNum::read(const char* path, int sites, bool report_separator)
{
    std::ifstream in(path);
    if (!in)
        return -1;
    int R = 0, C = 0;
    if (!(in >> R >> C) || R < 0 || C < 0)
        return 0;
    delete_H();
    try {
        allocate(std::max(R, C) + 2);
    } catch (const std::bad_alloc&) {
        delete_H();
        return 0;
    }
    std::string line;
    for (int k = 0; k <= R; ++k) {
        for (int m = 0; m < C; ++m)
            in >> H[k][m];
        std::getline(in, line);
        if (!std::getline(in, line) || line.empty() || line[0] != '*') {
            if (report_separator)
                log_text("Hn: matrix line separator not found" + std::to_string(sites) + "\n");
            delete_H();
            return 0;
        }
    }
    last_row = R;
    cols = C;
    n = sites;
    return 1;
}

int Ex_HNum::create(int sites, const char* dir)
{
    std::string path = std::string(dir) + "H" + std::to_string(sites) + ".txt";
    int read_result = read(path.c_str(), sites, true);
    if (read_result < 0)
        log_text("Hn input data file not found for n=" + std::to_string(sites) + "\n");
    return read_result == 1 ? 1 : 0;
}

int Ex_HNum::create(const char* file, const char* dir)
{
    std::string path = std::string(dir) + file;
    int read_result = read(path.c_str(), 300, false);
    if (read_result < 0)
        log_text("Hn input data file not found for n=" + std::string(file) + "\n");
    return read_result == 1 ? 1 : 0;
}

int Ex_HNum::create(int sites, int nA, int nB, double r, Ex_HNum* A, Ex_HNum* B)
{
    if (nA + nB != sites)
        return 0;
    delete_H();
    last_row = sites + 2;
    cols = 200;
    Bin_pr bin;
    try {
        allocate(std::max(202, sites + 4));
    } catch (const std::bad_alloc&) {
        delete_H();
        return 0;
    }
    n = sites;
    const double p = r * nA / (nB + r * nA);
    if (!bin.create(size, p)) {
        delete_H();
        return 0;
    }
    for (int k = 0; k <= last_row; ++k)
        for (int m = 0; m < cols; ++m) {
            double h = 0.0;
            for (int j = 0; j <= m; ++j) {
                double inner = 0.0;
                for (int i = 0; i <= std::min(nA, k) && i <= j; ++i)
                    if (k - i <= m - j && k - i <= nB)
                        inner += A->at(i, j) * B->at(k - i, m - j);
                if (inner != 0.0)
                    h += bin.at(m, j) * inner;
            }
            H[k][m] = h;
        }
    return 1;
}

int Ex_HNum::create(int sites, int nA, int nB, int nC, double r1, double r2, Ex_HNum* A,
                    Ex_HNum* B, Ex_HNum* C)
{
    if (nA + nB + nC != sites)
        return 0;
    delete_H();
    last_row = sites + 2;
    cols = 100;
    try {
        allocate(std::max(102, sites + 4));
    } catch (const std::bad_alloc&) {
        delete_H();
        return 0;
    }
    n = sites;
    const double d = 1.0 / (nC / r2 + nA * r1 + nB);
    const double p1 = r1 * d * nA, p2 = nB * d, p3 = d / r2 * nC;
    if (std::fabs(p1 + p2 + p3 - 1.0) > 1e-4)
        log_text("Error in three rate function\n");
    MULT_pr mult;
    if (!mult.create(std::min(102, 200), p1, p2, p3)) {
        delete_H();
        return 0;
    }
    for (int k = 0; k <= last_row; ++k)
        for (int m = 0; m < cols; ++m) {
            double h = 0.0;
            for (int a = 0; a <= m; ++a)
                for (int b = 0; a + b <= m; ++b) {
                    const int c = m - a - b;
                    double inner = 0.0;
                    for (int ka = 0; ka <= std::min({nA, a, k}); ++ka)
                        for (int kb = 0; kb <= std::min({nB, b, k - ka}); ++kb) {
                            const int kc = k - ka - kb;
                            if (kc <= std::min(nC, c))
                                inner += A->at(ka, a) * B->at(kb, b) * C->at(kc, c);
                        }
                    if (inner != 0.0)
                        h += mult(a, b, c) * inner;
                }
            H[k][m] = h;
        }
    return 1;
}
