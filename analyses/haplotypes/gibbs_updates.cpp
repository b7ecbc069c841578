// One update of the Gibbs phase sampler (Stephens, Smith and Donnelly 2001):
// each heterozygous site of an individual is redrawn from the sub-haplotype
// counts of a window around it in the rest of the sample, with a Dirichlet
// pseudo-count alpha and near matches weighted by epsilon. Every site keeps a
// left and a right window that grow and shrink by one position at a time
// towards the more informative size; the recombination update instead
// exchanges the haplotype tails beyond a site.

#include <algorithm>
#include <cmath>
#include <utility>

#include "analyses/haplotypes/genot_sample.h"
#include "core/random.h"

namespace {

double uniform()
{
    long continue_stream = 1;
    return ran3(&continue_stream);
}

double weight_of(int locus)
{
    std::vector<double> const& w = TGenotIndividual::siteWeight;
    return locus >= 0 && locus < static_cast<int>(w.size()) ? w[locus] : 1.0;
}

// Indices into subHaplCounts: exact counts of the sub-haplotypes a.A, b.A,
// a.B and b.B; their near counts follow at NEAR + the same index.
const int NEAR = 4;
const int SIDE_A = 0;  // + side (0 a, 1 b): the sub-haplotype of gamete1
const int SIDE_B = 2;  // + side: the sub-haplotype of gamete2

}  // namespace

void permute(int* a, int n)
{
    for (int k = n; k >= 1; --k) {
        int j = static_cast<int>(k * uniform());
        std::swap(a[j], a[k - 1]);
    }
}

// ---- Sub-haplotype counts of a window ----

// The focal site of a window, and the window's loci other than the focal
// one with the focal individual's codes there, gathered once per window
// rather than once per gamete; the counts start at 0. The scratch vectors
// keep their capacity, so that later windows allocate nothing.
TGenotSample::FocalWindow TGenotSample::gatherWindow(int start, int length, int focalPos,
                                                     int const* localToLocus, int focal)
{
    TGenotIndividual const& me = individuals[focal];
    windowLoci.clear();
    windowCodesA.clear();
    windowCodesB.clear();
    for (int p = start; p < start + length; ++p) {
        if (p == focalPos)
            continue;
        int l = localToLocus[p];
        windowLoci.push_back(l);
        windowCodesA.push_back(me.codes1()[l]);
        windowCodesB.push_back(me.codes2()[l]);
    }
    for (double& n : subHaplCounts)
        n = 0.0;
    const int f = localToLocus[focalPos];
    return {f, me.codes1()[f], me.codes2()[f], static_cast<int>(windowLoci.size()),
            windowLoci.data(), windowCodesA.data(), windowCodesB.data()};
}

void TGenotSample::computeSubHaplFreqsHetAndHom(int const& start, int* localToLocus,
                                                int const& focal, int const& length,
                                                int const& focalPos)
{
    const FocalWindow w = gatherWindow(start, length, focalPos, localToLocus, focal);
    double* n = subHaplCounts;
    forOtherGametes(focal, [&](int const* x) {
        int side;
        if (x[w.f] == w.a)
            side = 0;
        else if (x[w.f] == w.b)
            side = 1;
        else
            return;
        // Only differences of 0 or 1 count: the scan stops once both exceed
        // 1, tested every few loci so that the loop stays tight.
        int dA = 0, dB = 0;
        for (int t = 0; t < w.m && (dA < 2 || dB < 2);) {
            for (int stop = std::min(w.m, t + 8); t < stop; ++t) {
                int v = x[w.loci[t]];
                dA += v != w.A[t];
                dB += v != w.B[t];
            }
        }
        if (dA == 0)
            n[SIDE_A + side] += 1;
        else if (dA == 1)
            n[NEAR + SIDE_A + side] += 1;
        if (dB == 0)
            n[SIDE_B + side] += 1;
        else if (dB == 1)
            n[NEAR + SIDE_B + side] += 1;
    });
}

// With missing data a gamete counts in proportion to the window loci where
// both it and the focal gamete are known; one missing at the focal locus
// counts on both sides.
void TGenotSample::computeSubHaplFreqsNoHetMissData(int const& start, int* localToLocus,
                                                    int const& focal, int const& length,
                                                    int const& focalPos)
{
    const FocalWindow w = gatherWindow(start, length, focalPos, localToLocus, focal);
    const int M = missingIndex;
    const double L = length;
    double* n = subHaplCounts;
    forOtherGametes(focal, [&](int const* x) {
        const int xf = x[w.f];
        const bool onA = xf == w.a || w.a == M || xf == M;
        const bool onB = !onA && (xf == w.b || w.b == M);
        if (!onA && !onB)
            return;
        double wA = L, wB = L;
        int dA = 0, dB = 0, firstA = -1, firstB = -1;
        for (int t = 0; t < w.m; ++t) {
            int v = x[w.loci[t]];
            if (v == M) {
                wA -= 1;
                wB -= 1;
                continue;
            }
            if (w.A[t] == M)
                wA -= 1;
            else if (v != w.A[t] && dA++ == 0)
                firstA = w.loci[t];
            if (w.B[t] == M)
                wB -= 1;
            else if (v != w.B[t] && dB++ == 0)
                firstB = w.loci[t];
            if (dA > 1 && dB > 1)
                break;
        }
        auto add = [&](int side) {
            if (dA == 0)
                n[SIDE_A + side] += wA;
            else if (dA == 1)
                n[NEAR + SIDE_A + side] += wA * weight_of(firstA);
            if (dB == 0)
                n[SIDE_B + side] += wB;
            else if (dB == 1)
                n[NEAR + SIDE_B + side] += wB * weight_of(firstB);
        };
        // A gamete missing at the focal locus also counts on the b side.
        const bool both = onA && (xf == M || w.a == M);
        if (both || (!onA && w.b == M)) {
            wA -= 1;
            wB -= 1;
        }
        wA /= L;
        wB /= L;
        if (!onA || both)
            add(1);
        if (onA)
            add(0);
    });
}

// ---- Windows ----

TGenotIndividual::Evaluation TGenotIndividual::evaluate(TGenotSample* sample, int self,
                                                        Window const& w, int pos)
{
    if (sample->hasMissingData)
        sample->computeSubHaplFreqsNoHetMissData(w.start, localToLocus.data(), self, w.length,
                                                 pos);
    else
        sample->computeSubHaplFreqsHetAndHom(w.start, localToLocus.data(), self, w.length, pos);
    double const* n = sample->subHaplCounts;
    double F[4];
    for (int k = 0; k < 4; ++k)
        F[k] = n[k] + alpha + epsilon * n[NEAR + k];
    Evaluation e;
    e.cur = F[0] * F[3];  // a.A with b.B: the present phase
    e.alt = F[1] * F[2];  // b.A with a.B: the site switched
    e.ratio = e.cur > e.alt ? (e.cur + gamma) / (e.alt + gamma) : (e.alt + gamma) / (e.cur + gamma);
    e.score = std::sqrt(F[0] + F[1] + F[2] + F[3]);
    return e;
}

TGenotIndividual::Window TGenotIndividual::storedWindow(int h, bool left) const
{
    if (left)
        return {leftStart[h], leftLength[h], leftNumHet[h]};
    return {rightStart[h], rightLength[h], rightNumHet[h]};
}

void TGenotIndividual::storeWindow(int h, bool left, Window const& w, double score)
{
    if (left) {
        leftStart[h] = w.start;
        leftLength[h] = w.length;
        leftNumHet[h] = w.numHet;
        leftScore[h] = score;
    } else {
        rightStart[h] = w.start;
        rightLength[h] = w.length;
        rightNumHet[h] = w.numHet;
        rightScore[h] = score;
    }
}

// The first visit of site h: the window from the previous heterozygous site
// (site 0: to the next one) and, except for the first and the last site, the
// window to the next one; the more decisive is the likelier to phase it.
TGenotIndividual::Evaluation TGenotIndividual::firstVisit(TGenotSample* sample, int self, int h)
{
    const int p = hetSites[h];
    const int from = h == 0 ? hetSites[0] : hetSites[h - 1];
    const int to = h == 0 ? hetSites[1] : p;
    Window left{from, to - from + 1, 2};
    Evaluation eL = evaluate(sample, self, left, p);
    storeWindow(h, true, left, eL.score);
    if (h == 0 || h == numHetSites - 1) {
        rightScore[h] = 0.0;
        return eL;
    }
    Window right{p, hetSites[h + 1] - p + 1, 2};
    Evaluation eR = evaluate(sample, self, right, p);
    storeWindow(h, false, right, eR.score);
    double dL = eL.ratio - 1.0;
    double dR = eR.ratio - 1.0;
    double P = dL + dR > 0.0 ? dL / (dL + dR) : 0.5;
    return uniform() < P ? eL : eR;
}

// The side of a later visit, in proportion to the windows' scores. A site
// that has no right window yet (the first and the last) takes its left one.
bool TGenotIndividual::chooseLeftSide(int h)
{
    double u = uniform();
    if (rightStart[h] < 0)
        return true;
    return leftScore[h] / (leftScore[h] + rightScore[h]) > u;
}

// A later visit: the stored window of the chosen side may grow by one
// position, then shrink by one, each change kept in proportion to how much
// more decisive it makes the window.
TGenotIndividual::Evaluation TGenotIndividual::adaptWindow(TGenotSample* sample, int self, int h,
                                                           bool left)
{
    const int p = hetSites[h];
    Window W = storedWindow(h, left);
    Evaluation eW = evaluate(sample, self, W, p);
    double dW = eW.ratio - 1.0;

    // Growth by one position: -1 to the left, +1 to the right.
    bool canRight = W.start + W.length < numLocalSites;
    bool canLeft = W.start > 0;
    if (p == 0 && uniform() < 0.5)
        canRight = false;
    int grow = 0;
    bool stay = p == numLocalSites - 1 && uniform() < 0.5;
    if (!stay) {
        if (canLeft && canRight)
            grow = uniform() < 0.5 ? 1 : -1;
        else if (canRight)
            grow = 1;
        else if (canLeft)
            grow = -1;
    }
    Window G = W;
    Evaluation eG{};
    double dG = 0.0;
    if (grow != 0) {
        if (grow < 0)
            --G.start;
        ++G.length;
        G.numHet += isHetSite[grow < 0 ? G.start : G.start + G.length - 1];
        eG = evaluate(sample, self, G, p);
        // A window that matches too little of the sample does not count.
        if (eG.score >= 1.0)
            dG = eG.ratio - 1.0;
    }
    double P = dW + dG > 0.0 ? dW / (dW + dG) : 1.0;
    int kept = 0;
    if (!(uniform() < P) && grow != 0) {
        W = G;
        eW = eG;
        dW = dG;
        kept = grow;
    }

    // Shrinking by one end other than the site itself, keeping at least two
    // heterozygous sites.
    const int last = W.start + W.length - 1;
    bool shrinkRight = last != p && kept != 1 && (!isHetSite[last] || W.numHet > 2);
    bool shrinkLeft = W.start != p && kept != -1 && (!isHetSite[W.start] || W.numHet > 2);
    int shrink = 0;
    if (shrinkLeft && shrinkRight)
        shrink = static_cast<int>(2.0 * uniform()) == 0 ? -1 : 1;
    else if (shrinkLeft)
        shrink = -1;
    else if (shrinkRight)
        shrink = 1;
    if (shrink != 0) {
        Window S = W;
        S.numHet -= isHetSite[shrink < 0 ? S.start : last];
        if (shrink < 0)
            ++S.start;
        --S.length;
        Evaluation eS = evaluate(sample, self, S, p);
        if (eS.ratio > 0.0) {
            double denominator = dW + eS.ratio - 1.0;
            double Q = denominator > 0.0 ? dW / denominator : 0.0;
            if (Q <= uniform()) {
                W = S;
                eW = eS;
            }
        }
    }
    storeWindow(h, left, W, eW.score);
    return eW;
}

// The site takes the switched phase with probability alt / (cur + alt).
void TGenotIndividual::drawPhase(int f, Evaluation const& e)
{
    if (uniform() > e.cur / (e.cur + e.alt))
        exchangeAt(f);
}

// ---- The two updates ----

void TGenotIndividual::buildLocalGenotype_Ulmix_simple_around_het_loci(TGenotSample* sample,
                                                                      int const& self)
{
    permute(hetOrder.data(), numHetSites);
    for (int i = 0; i < numHetSites; ++i) {
        const int h = hetOrder[i];
        Evaluation e = leftStart[h] == -1 ? firstVisit(sample, self, h)
                                          : adaptWindow(sample, self, h, chooseLeftSide(h));
        drawPhase(localToLocus[hetSites[h]], e);
    }
}

void TGenotIndividual::buildLocalGenotype_Ulmix_simple_around_het_loci_with_rec_step(
    TGenotSample* sample, int const& self)
{
    permute(hetOrder.data(), numHetSites);
    for (int i = 0; i < numHetSites; ++i) {
        const int h = hetOrder[i];
        const int p = hetSites[h];
        const int f = localToLocus[p];
        if (leftStart[h] == -1) {
            drawPhase(f, firstVisit(sample, self, h));
            continue;
        }
        const bool left = chooseLeftSide(h);
        const Window W = storedWindow(h, left);
        const Evaluation before = evaluate(sample, self, W, p);

        int breakpoint;
        if (h == 0)
            breakpoint = f + 1;
        else if (h == numHetSites - 1)
            breakpoint = f;
        else
            breakpoint = uniform() < 0.5 ? f : f + 1;
        auto exchangeTails = [&] {
            for (int l = breakpoint; l < numLoci; ++l)
                exchangeAt(l);
        };
        exchangeTails();
        const Evaluation after = evaluate(sample, self, W, p);
        const double P0 = before.cur;
        const double P1 = after.cur;
        double score = after.score;
        if (!(P1 / (P0 + P1) > uniform() && P1 != P0)) {
            exchangeTails();
            score = before.score;
        }
        storeWindow(h, true, W, left ? score : leftScore[h]);
        storeWindow(h, false, W, left ? rightScore[h] : score);
    }
}
