// Distances between DNA sequences: number and proportion of differences,
// Jukes & Cantor 1969, Kimura 1980, Tajima & Nei 1984, Tamura 1992 and
// Tamura & Nei 1993, with gamma-distributed rates (Jin & Nei 1990) where the
// method has a gamma form; variances after Kumar, Tamura & Nei 1993.

#include <cfloat>
#include <cmath>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/sequence_distances.h"
#include "app/settings.h"

namespace {

// The classes of PopulDNA::PairClass for every pair of differing characters,
// given the missing-data character.
SitePairTable const& dna_pair_table(char missing)
{
    static SitePairTable table;
    static int built_for = -1;
    if (built_for == static_cast<unsigned char>(missing))
        return table;
    auto is_acgt = [](char c) { return c == 'A' || c == 'C' || c == 'G' || c == 'T'; };
    for (int i = 0; i < 256; ++i) {
        for (int j = 0; j < 256; ++j) {
            char a = static_cast<char>(i), b = static_cast<char>(j);
            int cls = PopulDNA::OTHER;
            switch (PopulDNA::compare_nucleotides(a, b)) {
            case 1:
                cls = (a == 'A' || a == 'G') ? PopulDNA::AG : PopulDNA::CT;
                break;
            case 2:
                if (!is_acgt(a) || !is_acgt(b))
                    cls = PopulDNA::AMBIGUOUS_TRANSVERSION;
                else if (a == 'A' || b == 'A')
                    cls = (a == 'C' || b == 'C') ? PopulDNA::AC : PopulDNA::AT;
                else
                    cls = (a == 'C' || b == 'C') ? PopulDNA::CG : PopulDNA::GT;
                break;
            case 3:
                cls = PopulDNA::INDEL;
                break;
            case 4:
                cls = PopulDNA::EITHER_KIND;
                break;
            default:
                if (a == missing || b == missing || a == '-' || b == '-')
                    cls = PopulDNA::OTHER_MISSING_OR_GAP;
            }
            table.class_of[i][j] = static_cast<unsigned char>(cls);
        }
    }
    built_for = static_cast<unsigned char>(missing);
    return table;
}

struct Kinds {
    int transitions;    // A-G and C-T
    int transversions;  // the four other pairs of A, C, G, T, and those with an ambiguity code
    int acgt_pairs;     // differing pairs of two of A, C, G, T
};

Kinds kinds_of(SitePairCounts const& c)
{
    const int* d = c.differing;
    int acgt_tv = d[PopulDNA::AC] + d[PopulDNA::AT] + d[PopulDNA::CG] + d[PopulDNA::GT];
    int ts = d[PopulDNA::AG] + d[PopulDNA::CT];
    return {ts, acgt_tv + d[PopulDNA::AMBIGUOUS_TRANSVERSION], ts + acgt_tv};
}

// Sites where both carry the same character that is neither missing data nor a gap.
int equal_nucleotides(SitePairCounts const& c)
{
    return c.equal_not_missing() - c.both_gaps;
}

}  // namespace

SitePairCounts PopulDNA::count_site_classes(const char* s1, const char* s2) const
{
    return count_usable_sites(*this, s1, s2, dna_pair_table(profile.MissingData));
}

PopulDNA::DistanceFunctionType PopulDNA::distance_function() const
{
    switch (DistanceMethod) {
    case 1: return &PopulDNA::jk_dist;
    case 2: return &PopulDNA::kim2p_dist;
    case 3: return &PopulDNA::p_dist;
    case 4: return &PopulDNA::tajnei_dist;
    case 5: return &PopulDNA::tamura_dist;
    case 6: return &PopulDNA::tamnei_dist;
    default: return &PopulDNA::diff_dist;
    }
}

int PopulDNA::compute_distance_matrix(std::fstream*, settings* run_settings, int scaled)
{
    if (haplotypes.count == 0) {
        E.error(ERROR, "PopulDNA::compute_distance_matrix()", 108);
        return 0;
    }
    DistanceFunction = distance_function();
    if (DistanceMethod >= 4 && DistanceMethod <= 6)
        comp_nucl_freq();
    return sequence_distance_matrix(*this, run_settings, "\t\t\t",
                                    "PopulDNA::compute_distance_matrix(ofstream)",
                                    dna_pair_table(profile.MissingData), scaled);
}

// Weighted differences (codes 0 and 3): a kind of difference with a positive
// weight adds its weight to the differences S and the sites L, otherwise one
// site without difference; an undetermined difference takes the smaller of
// the two substitution weights when transitions count.
namespace {

void weighted_differences(SitePairCounts const& c, double ts_weight, double tv_weight,
                          double del_weight, double& S, double& L)
{
    const int* d = c.differing;
    Kinds k = kinds_of(c);
    S = 0.0;
    L = c.equal_not_missing() + d[PopulDNA::OTHER] + d[PopulDNA::OTHER_MISSING_OR_GAP];
    auto add = [&](int n, double w) {
        S += w > 0 ? n * w : 0.0;
        L += w > 0 ? n * w : n;
    };
    add(k.transitions, ts_weight);
    add(k.transversions, tv_weight);
    add(d[PopulDNA::INDEL], del_weight);
    const int either = d[PopulDNA::EITHER_KIND];
    if (ts_weight > 0) {
        double w = ts_weight <= tv_weight ? ts_weight : tv_weight;
        S += either * w;
        L += either * w;
    } else {
        L += either * (tv_weight > 0 ? tv_weight : 1.0);
    }
}

}  // namespace

int PopulDNA::diff_dist(SitePairCounts const& c)
{
    double S, L;
    weighted_differences(c, TransitionWeight, TransversionWeight, DeletionWeight, S, L);
    double p = L > 0 ? S / L : 0.0;
    PairDistance = S;
    PairDistanceVar = L * p * (1.0 - p);
    return 1;
}

int PopulDNA::p_dist(SitePairCounts const& c)
{
    double S, L;
    weighted_differences(c, TransitionWeight, TransversionWeight, DeletionWeight, S, L);
    PairDistance = PairDistanceVar = 0.0;
    if (L > 0) {
        PairDistance = S / L;
        PairDistanceVar = PairDistance * (1.0 - PairDistance) / L;
    }
    return 1;
}

// The sites of the Jukes-Cantor and Kimura distances: equal nucleotides,
// substitutions of every kind and other differences, but for gaps against
// the missing-data character when that is '-'.
namespace {

int counted_sites(SitePairCounts const& c, char missing)
{
    const int* d = c.differing;
    Kinds k = kinds_of(c);
    int sites = equal_nucleotides(c) + k.transitions + k.transversions + d[PopulDNA::EITHER_KIND]
                + d[PopulDNA::OTHER];
    if (missing != '-')
        sites += d[PopulDNA::INDEL] + d[PopulDNA::OTHER_MISSING_OR_GAP];
    return sites;
}

}  // namespace

int PopulDNA::jk_dist(SitePairCounts const& c)
{
    Kinds k = kinds_of(c);
    const int L = counted_sites(c, profile.MissingData);
    const int d = (TransitionWeight > 0 ? k.transitions + c.differing[EITHER_KIND] : 0)
                  + (TransversionWeight > 0 ? k.transversions : 0);
    PairSites = L;
    PairDifferences = d;
    PairDistance = PairDistanceVar = 0.0;
    if (L == 0)
        return 1;
    const double p = static_cast<double>(d) / L;
    if (p >= 0.75) {
        E.error(WARNING, "PopulDNA::jk_dist()", 162);
        PairDistance = -p;
        return 0;
    }
    const double w = 1.0 - 4.0 * p / 3.0;
    const double a = GammaA;
    if (a == 0) {
        PairDistance = -0.75 * std::log(w);
        PairDistanceVar = p * (1.0 - p) / (L * w * w);
    } else {
        PairDistance = 0.75 * a * (std::pow(w, -1.0 / a) - 1.0);
        PairDistanceVar = p * (1.0 - p) * std::pow(w, -2.0 * (1.0 / a + 1.0)) / L;
    }
    return 1;
}

bool PopulDNA::substitution_shares(SitePairCounts const& c, int L, double& P, double& Q)
{
    Kinds k = kinds_of(c);
    PairSites = L;
    PairTransitions = TransitionWeight > 0 ? k.transitions : 0;
    PairTransversions = TransversionWeight > 0 ? k.transversions : 0;
    PairDifferences = 0;
    PairDistance = PairDistanceVar = 0.0;
    if (L == 0)
        return false;
    P = static_cast<double>(PairTransitions) / L;
    Q = static_cast<double>(PairTransversions) / L;
    return true;
}

namespace {

// The variance of a distance of transitions (share P) and transversions
// (share Q) whose partial derivatives are u1 and u3.
double two_class_variance(double u1, double u3, double P, double Q, int L)
{
    return (u1 * u1 * P + u3 * u3 * Q - (u1 * P + u3 * Q) * (u1 * P + u3 * Q)) / L;
}

}  // namespace

int PopulDNA::kim2p_dist(SitePairCounts const& c)
{
    double P, Q;
    if (!substitution_shares(c, counted_sites(c, profile.MissingData), P, Q))
        return 1;
    const double w1 = 1.0 - 2.0 * P - Q, w2 = 1.0 - 2.0 * Q;
    if (w1 <= 0 || w2 <= 0) {
        E.error(WARNING, "PopulDNA::kim2p_dist()", 163);
        return 0;
    }
    const double a = GammaA;
    double u1, u3;
    if (a == 0) {
        PairDistance = 0.5 * std::log(1.0 / w1) + 0.25 * std::log(1.0 / w2);
        u1 = 1.0 / w1;
        u3 = (1.0 / w1 + 1.0 / w2) / 2.0;
    } else {
        const double e = -1.0 / a;
        PairDistance = a / 2.0 * (std::pow(w1, e) + 0.5 * std::pow(w2, e) - 1.5);
        u1 = std::pow(w1, e - 1.0);
        u3 = (std::pow(w1, e - 1.0) + std::pow(w2, e - 1.0)) / 2.0;
    }
    PairDistanceVar = two_class_variance(u1, u3, P, Q, PairSites);
    return 1;
}

// Only differences between two of A, C, G and T count, as sites and as
// differences (their pairs make the frequencies x of the formula).
int PopulDNA::tajnei_dist(SitePairCounts const& c)
{
    const int* n = c.differing;
    Kinds k = kinds_of(c);
    const int L = equal_nucleotides(c) + k.acgt_pairs;
    const int d = (TransitionWeight > 0 ? n[AG] + n[CT] : 0)
                  + (TransversionWeight > 0 ? n[AC] + n[AT] + n[CG] + n[GT] : 0);
    PairSites = L;
    PairDifferences = d;
    // Rows and columns C, T, A, G; each unordered pair in the cell below the diagonal.
    const struct {
        int row, col, cls;
    } pairs[6] = {{1, 0, CT}, {2, 0, AC}, {2, 1, AT}, {3, 0, CG}, {3, 1, GT}, {3, 2, AG}};
    for (auto const& q : pairs)
        PairNuclFreq[q.row][q.col] = n[q.cls];
    PairDistance = PairDistanceVar = 0.0;
    if (d == 0)
        return 1;
    const double* g = NuclFreq;
    for (int i = 0; i < 4; ++i) {
        if (g[i] <= 0) {
            E.error(ERROR, "PopulDNA::tajnei_dist(s1, s2)", 164);
            return 0;
        }
    }
    double h = 0.0;
    for (auto const& q : pairs) {
        double x = PairNuclFreq[q.row][q.col] /= L;
        h += x * x / (g[q.row] * g[q.col]);
    }
    h /= 2.0;
    if (h == 0) {
        E.error(ERROR, "PopulDNA::tajnei_dist(s1, s2)", 164);
        return 0;
    }
    const double p = static_cast<double>(d) / L;
    const double b = 0.5 * (1.0 - (g[0] * g[0] + g[1] * g[1] + g[2] * g[2] + g[3] * g[3])
                            + p * p / h);
    if (p / b >= 1.0) {
        E.error(WARNING, "PopulDNA::tajnei_dist(s1, s2)", 165);
        return 0;
    }
    PairDistance = -b * std::log(1.0 - p / b);
    PairDistanceVar = p * (1.0 - p) / ((1.0 - p / b) * (1.0 - p / b) * L);
    return 1;
}

int PopulDNA::tamura_dist(SitePairCounts const& c)
{
    Kinds k = kinds_of(c);
    double P, Q;
    if (!substitution_shares(c, equal_nucleotides(c) + k.transitions + k.transversions
                                    + c.differing[EITHER_KIND] + c.differing[OTHER],
                             P, Q))
        return 1;
    const double t = GCContent;
    const double C = 2.0 * t * (1.0 - t);
    const double w1 = C > 0 ? 1.0 - P / C - Q : 0.0, w2 = 1.0 - 2.0 * Q;
    if (C <= 0 || w1 <= 0 || w2 <= 0) {
        E.error(ERROR, "PopulDNA::tamura_dist(s1, s2)", 171);
        return 0;
    }
    PairDistance = -C * std::log(w1) - 0.5 * (1.0 - C) * std::log(w2);
    const double u1 = 1.0 / w1, u2 = 1.0 / w2;
    const double u3 = C * (u1 - u2) + u2;
    PairDistanceVar = two_class_variance(u1, u3, P, Q, PairSites);
    return 1;
}

int PopulDNA::fail_tamura_nei()
{
    E.error(WARNING, "PopulDNA::tamnei_dist(s1,s2)", 176);
    PairDistance = PairDistanceVar = 0.0;
    return 0;
}

// The gamma form fails like the plain one when a term of the composition is
// not positive: its powers would have no real value.
int PopulDNA::tamnei_dist(SitePairCounts const& c)
{
    const int* n = c.differing;
    Kinds k = kinds_of(c);
    const int L = equal_nucleotides(c) + k.acgt_pairs;
    double P1 = TransitionWeight > 0 ? n[AG] : 0;
    double P2 = TransitionWeight > 0 ? n[CT] : 0;
    double Q = TransversionWeight > 0 ? n[AC] + n[AT] + n[CG] + n[GT] : 0;
    PairSites = L;
    PairDifferences = static_cast<int>(P1 + P2 + Q);
    PairDistance = PairDistanceVar = 0.0;
    if (P1 + P2 + Q == 0 || L == 0)
        return 1;
    const double gC = NuclFreq[0], gT = NuclFreq[1], gA = NuclFreq[2], gG = NuclFreq[3];
    if (gA <= 0 || gC <= 0 || gG <= 0 || gT <= 0)
        return fail_tamura_nei();
    P1 /= L;
    P2 /= L;
    Q /= L;
    const double gR = gA + gG, gY = gC + gT;
    const double k1 = 2 * gA * gG / gR, k2 = 2 * gC * gT / gY, k3 = 2 * gR * gY;
    const double w1 = 1 - P1 / k1 - Q / (2 * gR);
    const double w2 = 1 - P2 / k2 - Q / (2 * gY);
    const double w3 = 1 - Q / k3;
    if (w1 <= 0 || w2 <= 0 || w3 <= 0)
        return fail_tamura_nei();
    const double k4 = k3 - k1 * gY - k2 * gR;
    const double a = GammaA;
    double u1, u2, u3;
    if (a == 0) {
        PairDistance = -k1 * std::log(w1) - k2 * std::log(w2) - k4 * std::log(w3);
        const double D1 = 2 * gA * gG * gR - gR * gR * P1 - gA * gG * Q;
        const double D2 = 2 * gC * gT * gY - gY * gY * P2 - gC * gT * Q;
        u1 = 2 * gA * gG * gR / D1;
        u2 = 2 * gC * gT * gY / D2;
        u3 = 2 * gA * gA * gG * gG / (gR * D1) + 2 * gC * gC * gT * gT / (gY * D2)
             + (gR * gR * (gC * gC + gT * gT) + gY * gY * (gA * gA + gG * gG))
                   / (2 * gR * gR * gY * gY - gR * gY * Q);
    } else {
        const double e = -1.0 / a;
        const double D = a * (k1 * std::pow(w1, e) + k2 * std::pow(w2, e) + k4 * std::pow(w3, e)
                              - 2 * (gA * gG + gC * gT + gR * gY));
        if (!(D >= FLT_MIN && D <= FLT_MAX)) {
            fail_tamura_nei();
            E.error(WARNING, "PopulDNA::tamnei_dist(s1,s2)", 136);
            return 0;
        }
        PairDistance = D;
        const double f = -(1.0 / a + 1.0);
        u1 = std::pow(w1, f);
        u2 = std::pow(w2, f);
        u3 = k1 / (2 * gR) * std::pow(w1, f) + k2 / (2 * gY) * std::pow(w2, f)
             + ((gC * gC + gT * gT) / (2 * gY * gY) + (gA * gA + gG * gG) / (2 * gR * gR))
                   * std::pow(w3, f);
    }
    const double m = u1 * P1 + u2 * P2 + u3 * Q;
    PairDistanceVar = (u1 * u1 * P1 + u2 * u2 * P2 + u3 * u3 * Q - m * m) / L;
    return 1;
}

// Over every character of every sequence, whatever the usable sites.
int PopulDNA::comp_nucl_freq()
{
    if (NuclFreq && (NuclFreq[0] > 0 || NuclFreq[1] > 0 || NuclFreq[2] > 0 || NuclFreq[3] > 0))
        return 1;
    if (haplotypes.count == 0) {
        E.error(ERROR, "PopulDNA::comp_nucl_freq()", 108);
        return 0;
    }
    if (!NuclFreq)
        NuclFreq = new double[4];
    double counts[4] = {0, 0, 0, 0};  // C, T, A, G
    double total = 0.0;
    for (int i = 0; i < haplotypes.count; ++i) {
        my_string const& seq = haplotypes.data[i]->haplotype->content;
        const double n = haplotypes.data[i]->count;
        int in_seq[4] = {0, 0, 0, 0};
        for (int p = 0; p < seq.length; ++p) {
            switch (seq.str[p]) {
            case 'C': ++in_seq[0]; break;
            case 'T': ++in_seq[1]; break;
            case 'A': ++in_seq[2]; break;
            case 'G': ++in_seq[3]; break;
            default: break;
            }
        }
        for (int b = 0; b < 4; ++b)
            counts[b] += in_seq[b] * n;
        total += seq.length * n;
    }
    double sum = 0.0;
    for (int b = 0; b < 4; ++b) {
        NuclFreq[b] = total > 0 ? counts[b] / total : 0.0;
        sum += NuclFreq[b];
    }
    if (sum > 0)
        for (int b = 0; b < 4; ++b)
            NuclFreq[b] /= sum;
    GCContent = NuclFreq[0] + NuclFreq[3];
    return 1;
}
