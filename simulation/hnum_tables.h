// Exact mismatch probabilities for a finite number of sites (Tajima 1996):
// H-number tables, entry [k][m] the probability that m mutations between two
// genes leave k sites different, for sites at one rate (by recursion), read
// from a file, or mixed from the tables of two or three classes of sites at
// different rates with binomial or trinomial weights.
#ifndef DROV_SIMULATION_HNUM_TABLES_H
#define DROV_SIMULATION_HNUM_TABLES_H

#include <vector>

// Binomial probabilities [i][j] of j successes in i trials, i, j = 0 .. n.
class Bin_pr {
public:
    int n = 0;
    std::vector<std::vector<double>> table;

    // 1, or 0 with the table left empty when memory runs out.
    int create(int n, const double& p);
    static double bin_prob(const int& i, const int& j, const double& p);
    // The entry, or the first one after a line on the log when out of range.
    double at(int i, int j) const;
    void delete_H();
};

// Trinomial probabilities [a][b][c] of the counts a, b, c in a + b + c trials.
class MULT_pr {
public:
    int n = 0;
    std::vector<double> cube;  // (n + 1)^3 entries, a slowest

    int create(int n, const double& p1, const double& p2, const double& p3);
    static double mult_nom_prob(const int& a, const int& b, const int& c, const double& p1,
                                const double& p2, const double& p3);
    // The entry, or the first one after a line on the log when out of range.
    double& operator()(int a, int b, int c);
    void delete_H();
};

// The equal-rates table for n sites and mutation counts 0 .. K.
class My_HNum {
public:
    int n = 0;
    int K = 0;  // last mutation column; set before create
    std::vector<std::vector<double>> H;

    int create(int n);
    void delete_H();
};

class Ex_HNum {
public:
    std::vector<std::vector<double>> H;  // size x size
    int size = 0;
    int n = 0;          // sites
    int cols = 1000;    // mutation columns used
    int last_row = 0;   // last row used

    // The table for n sites from the file "H<n>.txt" of folder dir; 1 or 0.
    int create(int n, const char* dir);
    // The table from dir + file, for 300 sites; 1 or 0.
    int create(const char* file, const char* dir);
    // Sites of A mutating r times as fast as those of B; 0 unless nA + nB = n.
    int create(int n, int nA, int nB, double r, Ex_HNum* A, Ex_HNum* B);
    // Rates r1 (A), 1 (B) and 1/r2 (C); 0 unless nA + nB + nC = n.
    int create(int n, int nA, int nB, int nC, double r1, double r2, Ex_HNum* A, Ex_HNum* B,
               Ex_HNum* C);
    // Entry [k][m], 0 outside the table.
    double at(int k, int m) const;
    void delete_H();

private:
    int read(const char* path, int sites, bool report_separator);
    void allocate(int dimension);
};

#endif
