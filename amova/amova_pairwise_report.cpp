// The report of the pairwise comparisons: the computing time in the log, the
// lower-triangular tables in the results (FST and its P values, the mean
// pairwise differences, delta mu square, the divergence parameters, the
// coancestry coefficients of Reynolds, Weir and Cockerham (1983), Slatkin's
// (1995) linearized FST and the M values), the matrices on the eight
// pairwise batch summary files, and the pairwise values of the
// summary-statistics collector.
//
// Table cells are right-aligned in fixed notation with 5 decimals unless a
// table says otherwise; "+" marks a significant FST P value, "*" a divergence
// estimate that failed or lies outside the model, "inf" an infinite distance
// and a P value of -1 a test that could not be made.

#include <cmath>
#include <iomanip>
#include <ostream>
#include <string>

#include "amova/amova.h"
#include "amova/amova_pairwise.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/xml.h"
#include "model/population.h"
#include "project/references.h"
#include "project/result_tree.h"
#include "summary/sumstat.h"

namespace {

const char* const PAD = "         ";  // nine blanks after a P value or an estimate

std::string dashes(int count)
{
    return std::string(count, '-');
}

// "\n\n", the title between two rules of `rule` dashes, then "\n\n".
void title(std::ostream& out, const char* text, int rule)
{
    out << "\n\n" << dashes(rule) << "\n" << text << "\n" << dashes(rule) << "\n\n";
}

// The number 1 in `first` columns, then 2 .. last in `next` columns, "\n".
void header_row(std::ostream& out, int first, int next, int last)
{
    out << std::setw(first) << 1;
    for (int j = 2; j <= last; ++j)
        out << std::setw(next) << j;
    out << "\n";
}

void value(std::ostream& out, int width, double v)
{
    out << std::setprecision(5) << std::setw(width) << v;
}

void open_xml(std::ostream& out, const char* name)
{
    if (xmlOutput)
        out << TXmlTag(name).open() << "\n";
}

void close_xml(std::ostream& out, const char* name)
{
    if (xmlOutput)
        out << TXmlTag(name).close() << "\n";
}

// A batch summary stream of the pairwise comparisons, when it is written.
std::ostream* batch(std::ofstream* stream)
{
    return _PAIRWISE_DIST_ && stream ? stream : nullptr;
}

void opening_field(std::ofstream* stream)
{
    if (std::ostream* b = batch(stream))
        *b << "\"" << settings::input_file << "\"\t";
}

void end_line(std::ofstream* stream)
{
    if (std::ostream* b = batch(stream))
        *b << std::endl;
}

// A symmetric matrix to a batch stream by rows: row i holds j = 0 .. i
// (with_diagonal) or j < i, each value followed by a tab, "\n" after each row.
void batch_rows(std::ofstream* stream, TriMat const& m, int n, bool with_diagonal)
{
    std::ostream* b = batch(stream);
    if (!b)
        return;
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < i + (with_diagonal ? 1 : 0); ++j)
            *b << m(i, j) << "\t";
        *b << "\n";
    }
}

// Lower-triangular P values of sections 7, 8, 11, 13 and 15: the header
// without the last number, an empty first row, row i with j < i.
void p_value_rows(std::ostream& out, TriMat const& p, int n, int first, int label, int width)
{
    header_row(out, first, width, n - 1);
    for (int i = 0; i < n; ++i) {
        if (i > 0) {
            out << std::setw(label) << i + 1;
            for (int j = 0; j < i; ++j)
                value(out, width, p(i, j));
        }
        out << "\n";
    }
}

class PairwiseReport {
public:
    PairwiseReport(settings& s, PairwiseTables const& t, Population* const* pops)
        : s_(s), t_(t), pops_(pops), n_(t.n), out_(*s.results_stream),
          w_(!s.PrintMissIntermatchs ? 10 : t.testOn ? 13 : 11),
          infinity_(std::string(w_ - 3, ' ') + "inf")
    {
    }

    void write()
    {
        out_.setf(std::ios::fixed | std::ios::showpoint);
        out_.setf(std::ios::right, std::ios::adjustfield);
        banner_and_labels();
        // With FST printed every batch stream gets the project's name here;
        // otherwise each stream that receives values gets it before them.
        if (s_.PrintFstVals) {
            fst_table();
            if (t_.testOn) {
                fst_p_values();
                significance();
            }
        }
        for (std::ofstream* stream : {ofs_pairw_dist, ofs_FST_dist, ofs_varComp_dist})
            end_line(stream);
        if (s_.PrintMissIntermatchs) {
            if (!s_.PrintFstVals)
                opening_field(ofs_pairw_diffs);
            pair_differences();
            if (t_.testOn)
                pair_difference_p_values();
        }
        end_line(ofs_pairw_diffs);
        if (s_.ComputeDeltaMuSqr)
            delta_mu_square();
        if (s_.UnequalPopSizeDiv && s_.PrintMissIntermatchs)
            divergence();
        end_line(ofs_tau_uneq);
        if (s_.PrintConcestryCoeff && s_.PrintFstVals)
            coancestry();
        end_line(ofs_concest);
        if (s_.PrintSlatkinsDist && s_.PrintFstVals) {
            slatkin();
            m_values();
        }
    }

private:
    settings& s_;
    PairwiseTables const& t_;
    Population* const* pops_;
    const int n_;
    std::ostream& out_;
    const int w_;                 // cell width of the tables from delta mu square on
    const std::string infinity_;  // "inf" right-aligned in w_ columns

    void banner_and_labels()
    {
        const std::string equals(86, '=');
        out_ << "\n" << equals << "\n== Comparisons of pairs of population samples\n" << equals
             << "\n";
        out_ << "\nList of labels for population samples used below:\n" << dashes(49) << "\n";
        open_xml(out_, "pairDistPopLabels");
        out_ << "Label  \tPopulation name\n-----  \t---------------\n";
        for (int k = 0; k < n_; ++k)
            out_ << "  " << k + 1 << ":\t" << result_text(pops_[k]->name) << "\n";
        close_xml(out_, "pairDistPopLabels");
    }

    // The distance method line of sections 3 and 6; `lead`: "\n" before
    // "Distance method: " (section 3 only).
    void method_line(const char* lead)
    {
        if (s_.ComputeConventionalFST) {
            out_ << "Computing conventional F-Statistics from haplotype frequencies\n";
        } else if (s_.ComputeDistanceMatrixAMOVA) {
            out_ << lead << "Distance method: ";
            if (const char* name = distance_method_name(s_.DistanceMethodAMOVA))
                out_ << name << "\n";
        }
    }

    void fst_table()
    {
        out_ << "\n" << dashes(24) << "\nPopulation pairwise FSTs\n" << dashes(24) << "\n\n";
        open_xml(out_, "PairFstMat");
        method_line("\n");
        header_row(out_, 22, 10, n_);
        for (std::ofstream* stream : {ofs_pairw_dist, ofs_FST_dist, ofs_varComp_dist,
                                      ofs_pairw_diffs, ofs_tau_uneq, ofs_concest, ofs_slatkins,
                                      ofs_NM_vals})
            opening_field(stream);
        std::ostream* pairs = batch(ofs_pairw_dist);
        std::ostream* line = batch(ofs_FST_dist);
        std::ostream* components = batch(ofs_varComp_dist);
        for (int i = 0; i < n_; ++i) {
            out_ << std::setw(12) << i + 1;
            for (int j = 0; j <= i; ++j) {
                double f = t_.fst(i, j), va = t_.va(i, j);
                value(out_, 10, f);
                if (pairs)
                    *pairs << f << "\t";
                if (line)
                    *line << f << "\t";
                if (components)
                    *components << va << "\t" << (f != 0 ? va / f : f) << "\t";
            }
            out_ << "\n";
            if (pairs)
                *pairs << "\n";
        }
        close_xml(out_, "PairFstMat");
        SumStat.storePairs(SumStat.pairFST, SumStat.PAIRWISE_FST, n_,
                           [this](int i, int j) { return t_.fst(i, j); });
    }

    void fst_p_values()
    {
        title(out_, "FST P values", 12);
        out_ << "Number of permutations : " << t_.permutations << "\n\n";
        open_xml(out_, "PairFstPvalMat");
        header_row(out_, 24, 18, n_);
        for (int i = 0; i < n_; ++i) {
            out_ << std::setw(12) << i + 1;
            for (int j = 0; j < i; ++j) {
                value(out_, 10, t_.fstP(i, j));
                out_ << "+-" << std::setprecision(4) << std::setw(5) << t_.fstPsd(i, j);
            }
            out_ << PAD << "  *" << "\n";
        }
        close_xml(out_, "PairFstPvalMat");
        if (t_.impossiblePair)
            out_ << "\nA pair of samples without gene copies could not be compared: its P "
                    "values are given as -1\n";
        if (std::ostream* b = batch(ofs_pairw_dist)) {
            *b << "p-Values matrix : No of permutations : " << t_.permutations << "\n";
            batch_rows(ofs_pairw_dist, t_.fstP, n_, false);
        }
    }

    // A pair that could not be tested (P -1) is not marked significant.
    void significance()
    {
        out_ << "\n\n" << dashes(12) << "\nMatrix of significant Fst P values\nSignificance Level="
             << s_.FSTSignifLevel << "\n" << dashes(12) << "\n\nNumber of permutations : "
             << t_.permutations << "\n\n";
        header_row(out_, 22, 10, n_);
        for (int i = 0; i < n_; ++i) {
            out_ << std::setw(12) << i + 1;
            for (int j = 0; j < n_; ++j) {
                double p = t_.fstP(i, j);
                out_ << PAD << (j == i ? " " : p >= 0 && p < s_.FSTSignifLevel ? "+" : "-");
            }
            out_ << "\n";
        }
    }

    void pair_differences()
    {
        out_ << "\n\n" << dashes(39) << "\nPopulation average pairwise differences\n"
             << dashes(40) << "\n"
             << "\nAbove diagonal    : Average number of pairwise differences between "
                "populations (PiXY)"
             << "\nDiagonal elements : Average number of pairwise differences within "
                "population (PiX)"
             << "\nBelow diagonal    : Corrected average pairwise difference "
                "(PiXY-(PiX+PiY)/2)\n\n";
        method_line("");
        open_xml(out_, "pairwiseDifferenceMatrix");
        header_row(out_, 24, 11, n_);
        std::ostream* b = batch(ofs_pairw_diffs);
        for (int i = 0; i < n_; ++i) {
            out_ << std::setw(13) << i + 1;
            for (int j = 0; j < n_; ++j) {
                value(out_, 11, t_.pairDiff(i, j));
                if (b)
                    *b << t_.pairDiff(i, j) << "\t";
            }
            out_ << "\n";
            if (b)
                *b << "\n";
        }
        close_xml(out_, "pairwiseDifferenceMatrix");
        // PiXY of the pair (j, i), j < i, stands above the diagonal.
        SumStat.storePairs(SumStat.pairPI, SumStat.PAIRWISE_PI, n_,
                           [this](int i, int j) { return t_.pairDiff(j, i); });
    }

    void pair_difference_p_values()
    {
        title(out_, "PXY P value", 11);
        p_value_rows(out_, t_.piXYP, n_, 26, 14, 12);
        title(out_, "Corrected PXY P value", 21);
        p_value_rows(out_, t_.corrPiXYP, n_, 28, 15, 13);
        batch_rows(ofs_pairw_diffs, t_.piXYP, n_, false);
        batch_rows(ofs_pairw_diffs, t_.corrPiXYP, n_, false);
    }

    void delta_mu_square()
    {
        title(out_, "Delta mu-square distance between all pairs of populations", 57);
        header_row(out_, 2 * w_ + 12, w_ + 5, n_);
        for (int i = 0; i < n_; ++i) {
            out_ << std::setw(w_ + 7) << i + 1;
            for (int j = 0; j <= i; ++j)
                value(out_, w_ + 5, t_.deltaMu(i, j));
            out_ << std::endl;
        }
        SumStat.storePairs(SumStat.pairDMUSQ, SumStat.PAIRWISE_DMUSQR, n_,
                           [this](int i, int j) { return t_.deltaMu(i, j); });
    }

    // Rows of tau, k or theta0: each estimate followed by the pad and "*"
    // where the estimate failed.
    void estimate_rows(TriMat const& m)
    {
        header_row(out_, 2 * w_ + 2, w_, n_);
        for (int i = 0; i < n_; ++i) {
            out_ << std::setw(w_ + 2) << i + 1;
            for (int j = 0; j <= i; ++j) {
                value(out_, w_, m(i, j));
                out_ << PAD << (t_.divFailed(i, j) == 1.0 ? "*" : "");
            }
            out_ << std::endl;
        }
    }

    void legend()
    {
        out_ << "\nAn * denotes the cases where the estimation of divergence time did not "
                "converge,\nor gave a tau below 0 or a k outside [0, 1]\n";
    }

    // The permuted estimates that the P values of tau, k and theta0 of each
    // pair were taken over; a pair without any has P values of -1.
    void replicate_counts()
    {
        title(out_, "Permuted estimates in the tau, k and theta0 P values", 52);
        header_row(out_, 2 * w_ + 2, w_, n_ - 1);
        bool untested = false;
        for (int i = 0; i < n_; ++i) {
            if (i > 0) {
                out_ << std::setw(w_ + 2) << i + 1;
                for (int j = 0; j < i; ++j) {
                    out_ << std::setw(w_) << static_cast<long>(t_.divReplicates(i, j));
                    untested = untested || t_.tauP(i, j) < 0;
                }
            }
            out_ << "\n";
        }
        if (untested)
            out_ << "\nP values of -1 are not computed: the estimate of the pair is missing or "
                    "marked *,\nor no permuted estimate converged\n";
    }

    void divergence()
    {
        if (!s_.PrintFstVals)
            opening_field(ofs_tau_uneq);
        title(out_, "Divergence times allowing for unequal population sizes (tau)", 60);
        References(out_, "Gaggiotti_O_Excoffier_L");
        open_xml(out_, "tauMatrix");
        title(out_, "tau values", 10);
        estimate_rows(t_.tau);
        legend();
        close_xml(out_, "tauMatrix");
        if (t_.testOn) {
            title(out_, "tau P values", 12);
            p_value_rows(out_, t_.tauP, n_, 2 * w_ + 2, w_ + 2, w_);
            replicate_counts();
        }
        title(out_, "Unequal population sizes (k)", 60);
        estimate_rows(t_.k);
        legend();
        if (t_.testOn) {
            title(out_, "k P values", 12);
            p_value_rows(out_, t_.kP, n_, 2 * w_ + 2, w_ + 2, w_);
        }
        title(out_, "Ancestral population sizes (theta0)", 60);
        open_xml(out_, "ancestralPopSize");
        estimate_rows(t_.theta0);
        close_xml(out_, "ancestralPopSize");
        legend();
        if (t_.testOn) {
            title(out_, "theta0 P values", 15);
            p_value_rows(out_, t_.theta0P, n_, 2 * w_ + 2, w_ + 2, w_);
        }
        if (std::ostream* b = batch(ofs_tau_uneq)) {
            for (int i = 0; i < n_; ++i)
                for (int j = 0; j <= i; ++j)
                    *b << t_.tau(i, j) << "\t";
            *b << "\n";
            if (t_.testOn)
                batch_rows(ofs_tau_uneq, t_.tauP, n_, false);
            batch_rows(ofs_tau_uneq, t_.k, n_, true);
            if (t_.testOn)
                batch_rows(ofs_tau_uneq, t_.kP, n_, false);
            batch_rows(ofs_tau_uneq, t_.theta0, n_, true);
            if (t_.testOn)
                batch_rows(ofs_tau_uneq, t_.theta0P, n_, false);
        }
    }

    // Sections 16 and 17: the distance d(f) of every cell j <= i, "0" for a
    // negative FST, "inf" from an FST of 1 on.
    template <class Distance>
    void fst_distance_rows(std::ofstream* stream, Distance d)
    {
        std::ostream* b = batch(stream);
        header_row(out_, 2 * w_ + 2, w_, n_);
        for (int i = 0; i < n_; ++i) {
            out_ << std::setw(w_ + 2) << i + 1;
            for (int j = 0; j <= i; ++j) {
                double f = t_.fst(i, j);
                if (f < 0)
                    out_ << std::setw(w_) << "0";
                else if (f >= 1)
                    out_ << infinity_;
                else
                    value(out_, w_, d(f));
                if (b) {
                    if (f >= 1)
                        *b << "inf\t";
                    else
                        *b << (f < 0 ? 0.0 : d(f)) << "\t";
                }
            }
            out_ << "\n";
        }
    }

    void coancestry()
    {
        out_ << "\n" << dashes(51) << "\nMatrix of coancestry coefficients as t/M=-ln(1-FST)\n"
             << "(M=N for haploid data, M=2N for diploid data)\n" << dashes(51) << "\n"
             << std::endl;
        References(out_, "Reynolds_J_Weir_B_Cockerham_C");
        open_xml(out_, "coancestryCoefficients");
        fst_distance_rows(ofs_concest, [](double f) { return -std::log(1 - f); });
        close_xml(out_, "coancestryCoefficients");
    }

    void slatkin()
    {
        out_ << "\n\n" << dashes(52)
             << "\nMatrix of Slatkin linearized FSTs as t/M=FST/(1-FST)\n"
             << "(M=N for haploid data, M=2N for diploid data)\n" << dashes(52) << "\n"
             << std::endl;
        References(out_, "Slatkin_M_1995");
        open_xml(out_, "slatkinFst");
        fst_distance_rows(ofs_slatkins, [](double f) { return f / (1 - f); });
        close_xml(out_, "slatkinFst");
        if (std::ostream* b = batch(ofs_slatkins))
            *b << "\n";
    }

    // M = (1 - f) / (2f) below the diagonal; infinite without differentiation.
    void m_values()
    {
        title(out_, "Matrix of M values (M=Nm for haploid data, M=2Nm for diploid data)", 66);
        std::ostream* b = batch(ofs_NM_vals);
        header_row(out_, 2 * w_ + 2, w_, n_);
        for (int i = 0; i < n_; ++i) {
            out_ << std::setw(w_ + 2) << i + 1;
            for (int j = 0; j < i; ++j) {
                double f = t_.fst(i, j);
                double m = f <= 1 ? (1 - f) / (2 * f) : 0.0;
                if (f <= 0)
                    out_ << infinity_;
                else
                    value(out_, w_, m);
                if (b) {
                    if (f <= 0)
                        *b << "inf\t";
                    else
                        *b << m << "\t";
                }
            }
            out_ << "\n";
        }
        out_ << std::endl;
        if (b)
            *b << std::endl;
    }
};

}  // namespace

void print_pairwise_report(settings& s, PairwiseTables const& t, Population* const* pops,
                           std::clock_t start)
{
    double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    *_ZOS_ << std::endl
           << static_cast<long long>(seconds * 1000) << " ms to compute pairwise differences"
           << (t.testOn ? " and test significance" : "") << std::endl;
    if (s.results_stream)
        PairwiseReport(s, t, pops).write();
    *_ZOS_ << "\nAll FST distances have been computed and written to file\n" << std::endl;
}
