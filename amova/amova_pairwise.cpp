// The pairwise comparisons of the samples of a project (see amova_pairwise.h).
//
// For a pair X, Y of nX and nY gene copies (N = nX + nY) the two-sample
// AMOVA takes the pair sums of squared distances within X (S_X), within Y
// (S_Y) and between them (B):
//   WP = S_X / nX + S_Y / nY,   nc = N - (nX^2 + nY^2) / N,
//   Vb = WP / (N - 2),   Va = ((B + S_X + S_Y) / N - WP - Vb) / nc,
//   FST = Va / (Va + Vb).
// The permutation test redistributes the N gene copies (or the individuals)
// between two samples of the observed sizes and counts the splits whose Va
// is not below the observed one. A split leaves the pair sum over all N
// copies, T = B + S_X + S_Y, unchanged, so each permutation computes only
// the two within sums and takes B as T - S_X - S_Y; the P value of FST is that count over the
// number of permutations plus one, with a standard deviation taken from K
// batches of the permutations. For microsatellite distances the within sums
// of a split come from its allele counts (locus_count_sums.h), at a cost
// linear in the gene copies; for other matrices from its haplotype counts
// and the square copy of the matrix.

#include "amova/amova_pairwise.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "amova/amova.h"
#include "amova/amova_shuffle.h"
#include "amova/amova_tests.h"
#include "amova/locus_count_sums.h"
#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "comparisons/mantel.h"
#include "comparisons/solve_div_times.h"
#include "core/errors.h"
#include "core/random.h"
#include "model/dist_mat.h"
#include "model/population.h"
#include "project/samples.h"

namespace {

const char* const WHERE = "Amova::CalcPairDist()";

// The observed sums of a sample, computed at its first pair and kept for
// the others: the within sum over the sample size (W), the sum (S) and PiX.
struct SampleSums {
    double w = -1.0;
    double s = 0.0;
    double pi = -1.0;
};

// The samples in the order of their sample indices when these number them
// 0 .. n-1, otherwise in list order.
std::vector<Population*> population_table(Samples const& samples)
{
    const int n = samples.Populations.count;
    std::vector<Population*> table(n, nullptr);
    for (int k = 0; k < n; ++k) {
        Population* p = samples.Populations.data[k];
        int at = p->sample_index;
        if (at < 0 || at >= n || table[at] != nullptr) {
            for (int m = 0; m < n; ++m)
                table[m] = samples.Populations.data[m];
            return table;
        }
        table[at] = p;
    }
    return table;
}

// A permuted value counts as a hit when it is above the observed one or
// within 1e-10 of it: sums taken in another order may differ from the
// observed ones in the last bits where the split gives the same value.
bool not_below(double permuted, double observed)
{
    return std::fabs(permuted - observed) < 1e-10 || permuted > observed;
}

// Gene copies of the list the pairwise comparisons read.
double listed_copies(Population const* p)
{
    MY_TIArrayAsVector<PHaploDef> const& list =
        p->profile.GenotypicData ? p->geneCopies : p->haplotypes;
    double copies = 0;
    for (int r = 0; r < list.count; ++r)
        if (list.data[r]->count > 0)
            copies += list.data[r]->count;
    return copies;
}

double largest_sample(std::vector<Population*> const& pops)
{
    double largest = 0;
    for (Population const* p : pops)
        largest = std::max(largest, p->SampleSize);
    return largest;
}

// True when every gene copy of the samples has a row of the distance matrix;
// otherwise ERROR 135, and no FST can be computed.
bool samples_fit_matrix(std::vector<Population*> const& pops, int size)
{
    for (Population const* p : pops) {
        MY_TIArrayAsVector<PHaploDef> const& list =
            p->profile.GenotypicData ? p->geneCopies : p->haplotypes;
        for (int r = 0; r < list.count; ++r) {
            PHaploDef const* record = list.data[r];
            if (record->count > 0
                && (!record->haplotype || record->haplotype->matrix_index < 0
                    || record->haplotype->matrix_index >= size)) {
                E.error(ERROR, WHERE, 135);
                return false;
            }
        }
    }
    return true;
}

// True when the list of every sample holds all its gene copies; otherwise
// ERROR 2: a table computed from empty or partial lists would read as a
// result.
bool samples_listed(std::vector<Population*> const& pops)
{
    for (Population const* p : pops)
        if (listed_copies(p) != p->SampleSize) {
            E.error(ERROR, WHERE, 2);
            return false;
        }
    return true;
}

// A Mantel test asked for when the comparisons end before their FST matrix:
// it runs on a user's Y matrix, or says why it did not run.
void mantel_without_fst(settings& s, Mantel* mantel, Samples const& samples)
{
    if (!(s.TaskNumber & settings::MANTEL_TEST) || mantel == nullptr)
        return;
    std::vector<Population*> pops = population_table(samples);
    mantel->run_asked_test(s, nullptr, pops.data(), static_cast<int>(pops.size()));
}

// The Amova object's population table is replaced by the table of all
// samples while the comparisons run; every exit puts it back and frees the
// samples' permutation vectors.
class PopulationTableSwap {
public:
    PopulationTableSwap(Amova& amova, std::vector<Population*> table) : amova_(amova)
    {
        saved_.swap(amova_.popTable);
        amova_.popTable = std::move(table);
    }
    ~PopulationTableSwap()
    {
        release_permutation_vectors();
        amova_.popTable.swap(saved_);
    }
    void release_permutation_vectors()
    {
        for (Population* p : amova_.popTable)
            p->DeletePermutationVectors();
    }
    PopulationTableSwap(PopulationTableSwap const&) = delete;
    PopulationTableSwap& operator=(PopulationTableSwap const&) = delete;

private:
    Amova& amova_;
    std::vector<Population*> saved_;
};

// The pair loop of one call.
class PairwiseRun {
public:
    PairwiseRun(Amova& amova, PairwiseTables& tables, int batches, bool by_individuals,
                LocusCountSums const& counts)
        : a_(amova), s_(amova.runSettings), d_(*amova.distMat), square_(&amova.squareDist),
          counts_(counts), t_(tables),
          pops_(amova.popTable), byIndividuals_(by_individuals), sums_(pops_.size())
    {
        double room = 0;
        for (Population const* p : pops_)
            room = std::max(room, std::max(p->SampleSize, listed_copies(p)));
        ids_.assign(2 * static_cast<size_t>(room), 0);
        batches_ = batches;
        batch_.assign(batches_, 0.0);
    }

    // PiX of every sample that no pair has reached (the one sample of a
    // one-sample project): its counts set up from its own gene copies.
    void remaining_sums()
    {
        for (std::size_t k = 0; k < pops_.size(); ++k) {
            Population* p = pops_[k];
            if (sums_[k].w >= 0 || !(p->SampleSize > 0))
                continue;
            fill_bipop_vector(p, p, ids_.data());  // only the first copy of p is read
            p->SetUpVectorsAfterPermutation(ids_.data());
            observed_sums(static_cast<int>(k));
        }
    }

    // Steps A to D for the pair (i, j); false when the stop request ended it.
    bool compare(int i, int j, bool fst_needed)
    {
        if (fst_needed && !observed_amova(i, j))
            return true;
        if (s_.ComputeDeltaMuSqr)
            delta_mu_square(i, j);
        bool estimated = s_.UnequalPopSizeDiv && divergence(i, j);
        if (t_.testOn && fst_needed)
            return permutation_test(i, j, estimated);
        return true;
    }

private:
    Amova& a_;
    settings& s_;
    DistMat const& d_;
    SquareDistances const* square_;
    LocusCountSums const& counts_;  // the within sums from allele counts, where they apply
    PairwiseTables& t_;
    std::vector<Population*> const& pops_;
    bool byIndividuals_;
    std::vector<SampleSums> sums_;
    std::vector<int> ids_;  // one haplotype index per gene copy of the pair, X first
    int batches_;
    std::vector<double> batch_;
    double nX_ = 0, nY_ = 0, N_ = 0, q_ = 0, nc_ = 0;
    double total_ = 0;  // T, the observed pair sum over all copies of the pair

    void set_up(Population* x, Population* y)
    {
        x->SetUpVectorsAfterPermutation(ids_.data());
        y->SetUpVectorsAfterPermutation(ids_.data() + static_cast<int>(nX_));
    }

    // Step A. False for a pair without degrees of freedom, which is marked
    // as a pair that cannot be compared.
    bool observed_amova(int i, int j)
    {
        Population* x = pops_[i];
        Population* y = pops_[j];
        nX_ = x->SampleSize;
        nY_ = y->SampleSize;
        N_ = nX_ + nY_;
        q_ = N_ > 2 ? 1.0 / (N_ - 2) : 100000.0;
        nc_ = N_ > 0 ? N_ - (nX_ * nX_ + nY_ * nY_) / N_ : 0.0;
        a_.nCoef1 = nc_;
        if (nc_ == 0.0) {
            E.error(ERROR, WHERE, 72);
            t_.impossiblePair = true;
            t_.fstP(i, j) = t_.piXYP(i, j) = t_.corrPiXYP(i, j) = -1.0;
            if (s_.UnequalPopSizeDiv)
                t_.tauP(i, j) = t_.kP(i, j) = t_.theta0P(i, j) = -1.0;
            return false;
        }
        fill_bipop_vector(x, y, ids_.data());
        set_up(x, y);
        observed_sums(i);
        observed_sums(j);

        double wp = sums_[i].w + sums_[j].w;
        double between = x->ComputeSSDAP(y, d_);
        total_ = between + sums_[i].s + sums_[j].s;
        double piXY = nX_ > 0 && nY_ > 0 ? between / (nX_ * nY_) : 0.0;
        double va = (((between + sums_[i].s + sums_[j].s) / N_ - wp) - wp * q_) / nc_;
        double vb = wp * q_;
        t_.fst(i, j) = va + vb > 0 ? va / (va + vb) : va * 100000.0;
        t_.va(i, j) = va;
        t_.pairDiff(i, j) = piXY;
        t_.pairDiff(j, i) = piXY - (sums_[i].pi + sums_[j].pi) / 2;
        return true;
    }

    void observed_sums(int k)
    {
        SampleSums& c = sums_[k];
        if (c.w >= 0)
            return;
        Population* p = pops_[k];
        double size = p->SampleSize;
        c.w = *p->SSDWP_div_freq(d_, square_);
        c.s = c.w * size;
        c.pi = size > 1 ? 2 * c.s / ((size - 1) * size) : 0.0;
        t_.pairDiff(k, k) = c.pi;
    }

    // Step B: the mean squared difference of the mean allele sizes over the
    // loci where both samples have a size.
    void delta_mu_square(int i, int j)
    {
        auto* x = dynamic_cast<PopGenetics*>(pops_[i]);
        auto* y = dynamic_cast<PopGenetics*>(pops_[j]);
        if (!x || !y)
            return;
        int loci = std::min(x->LocusMeanAlleleSize.count, y->LocusMeanAlleleSize.count);
        double sum = 0;
        int used = 0;
        for (int l = 0; l < loci; ++l) {
            double mx = x->LocusMeanAlleleSize[l], my = y->LocusMeanAlleleSize[l];
            if (mx == 0.0 || my == 0.0)
                continue;
            sum += (mx - my) * (mx - my);
            ++used;
        }
        t_.deltaMu(i, j) = used > 0 ? sum / used : 0.0;
    }

    // Step C: a sample without differences leaves the pair unestimated,
    // unmarked. An estimate that failed or lies outside the model is marked.
    // True when the pair has an estimate its permutations can test.
    bool divergence(int i, int j)
    {
        double piX = t_.pairDiff(i, i), piY = t_.pairDiff(j, j), piXY = t_.pairDiff(i, j);
        t_.divFailed(i, j) = 0.0;
        if (piX == 0.0 || piY == 0.0 || piXY == 0.0)
            return false;
        TSolveDivTimes div(piX, piY, piXY);
        bool estimated = div.solve(50) == 0 && div.within_model();
        t_.tau(i, j) = static_cast<double>(div.tau);
        t_.k(i, j) = static_cast<double>(div.k);
        t_.theta0(i, j) = static_cast<double>(div.theta0);
        t_.divFailed(i, j) = estimated ? 0.0 : 1.0;
        return estimated;
    }

    // True when the allele counts give the within sums of the pair's splits
    // in fewer steps, about 2 L N for L loci, than the haplotype counts and
    // the matrix, about (hX^2 + hY^2) / 2 for hX and hY distinct haplotypes
    // in the two samples of a split (at most the sample's gene copies and
    // the pair's distinct haplotypes). The matrix path then gets its square
    // copy.
    bool from_allele_counts(Population const* x, Population const* y)
    {
        if (counts_.method() != LocusCountSums::NONE) {
            double distinct = x->numPresentHaplos + y->numPresentHaplos;
            double hX = std::min(nX_, distinct), hY = std::min(nY_, distinct);
            if (2.0 * counts_.loci() * N_ < (hX * hX + hY * hY) / 2)
                return true;
        }
        if (a_.squareDist.size() == 0)
            a_.squareDist.assign(d_);
        return false;
    }

    // The pair sums within the two samples of the split in ids_.
    void permuted_within_sums(Population* x, Population* y, bool from_counts, double& sX,
                              double& sY)
    {
        if (from_counts) {
            const int nX = static_cast<int>(nX_);
            sX = counts_.within_sum(ids_.data(), nX);
            sY = counts_.within_sum(ids_.data() + nX, static_cast<int>(nY_));
            return;
        }
        set_up(x, y);
        sX = *x->ComputeSSDWP(d_, square_);
        sY = *y->ComputeSSDWP(d_, square_);
    }

    // Step D. Every permuted replicate with non-zero differences gets its
    // divergence estimate; one that succeeds enters the P values of tau, k
    // and theta0 whatever its values (a negative tau' is below any observed
    // tau), so that they are shares of the same null distribution. They are
    // computed only for an observed estimate within the model.
    bool permutation_test(int i, int j, bool estimated)
    {
        Population* x = pops_[i];
        Population* y = pops_[j];
        const int P = a_.numPermutations;
        const int N = static_cast<int>(N_);
        const int nX = static_cast<int>(nX_);
        const double va = t_.va(i, j);
        const double piXY = t_.pairDiff(i, j), corrected = t_.pairDiff(j, i);
        const bool divergence = s_.UnequalPopSizeDiv != 0;
        const bool from_counts = from_allele_counts(x, y);
        std::fill(batch_.begin(), batch_.end(), 0.0);
        long hits = 0, piXYHits = 0, correctedHits = 0;
        long entered = 0, tauHits = 0, kHits = 0, theta0Hits = 0;

        for (int p = 0; p < P; ++p) {
            shuffle_pair_vector(ids_.data(), nX, N, byIndividuals_);
            double sX = 0, sY = 0;
            permuted_within_sums(x, y, from_counts, sX, sY);
            double wX = sX / nX_, wY = sY / nY_;
            double w = wX + wY;
            double between = total_ - sX - sY;
            double vaPerm = (total_ / N_ - w) / nc_ - w * q_ / nc_;
            if (not_below(vaPerm, va)) {
                ++hits;
                batch_[p % batches_] += 1.0;
            }
            double piXYPerm = nX_ > 0 && nY_ > 0 ? between / (nX_ * nY_) : 0.0;
            double piXPerm = nX_ > 1 ? 2 * wX / (nX_ - 1) : 0.0;
            double piYPerm = nY_ > 1 ? 2 * wY / (nY_ - 1) : 0.0;
            piXYHits += not_below(piXYPerm, piXY);
            correctedHits += not_below(piXYPerm - (piXPerm + piYPerm) / 2, corrected);
            if (divergence && piXPerm != 0.0 && piYPerm != 0.0 && piXYPerm != 0.0) {
                TSolveDivTimes div(piXPerm, piYPerm, piXYPerm);
                if (div.solve(20) == 0 && estimated) {
                    ++entered;
                    tauHits += div.tau >= t_.tau(i, j);
                    kHits += div.k >= t_.k(i, j);
                    theta0Hits += div.theta0 >= t_.theta0(i, j);
                }
            }
            if (p % 100 == 0) {
                settings::global_work_done += 1.0;
                settings::print_message();
                if (s_.stop_requested)
                    return false;
            }
        }

        double pFst = static_cast<double>(hits) / (P + 1);
        double perBatch = static_cast<double>(P / batches_);
        double spread = 0;
        for (double& b : batch_) {
            b /= perBatch;
            spread += (b - pFst) * (b - pFst);
        }
        t_.fstP(i, j) = pFst;
        t_.fstPsd(i, j) = batches_ >= 2 ? std::sqrt(spread / ((batches_ - 1.0) * batches_)) : 0.0;
        t_.piXYP(i, j) = static_cast<double>(piXYHits) / P;
        t_.corrPiXYP(i, j) = static_cast<double>(correctedHits) / P;
        if (divergence) {
            t_.tauP(i, j) = entered > 0 ? static_cast<double>(tauHits) / entered : -1.0;
            t_.kP(i, j) = entered > 0 ? static_cast<double>(kHits) / entered : -1.0;
            t_.theta0P(i, j) = entered > 0 ? static_cast<double>(theta0Hits) / entered : -1.0;
            t_.divReplicates(i, j) = static_cast<double>(entered);
        }
        return true;
    }
};

}  // namespace

PairwiseTables::PairwiseTables(int n_, bool delta_mu, bool divergence)
    : n(n_), pairDiff(n_, n_), fst(n_), va(n_), fstP(n_), fstPsd(n_), piXYP(n_),
      corrPiXYP(n_), deltaMu(delta_mu ? n_ : 0), tau(divergence ? n_ : 0),
      k(divergence ? n_ : 0), theta0(divergence ? n_ : 0), divFailed(divergence ? n_ : 0),
      tauP(divergence ? n_ : 0), kP(divergence ? n_ : 0), theta0P(divergence ? n_ : 0),
      divReplicates(divergence ? n_ : 0), impossiblePair(false), testOn(false), permutations(0)
{
}

void fill_bipop_vector(Population const* first, Population const* second, int* ids)
{
    bool haplotypic = first->profile.GenotypicData == 0;
    int at = 0;
    for (Population const* p : {first, second}) {
        MY_TIArrayAsVector<PHaploDef> const& list = haplotypic ? p->haplotypes : p->geneCopies;
        for (int r = 0; r < list.count; ++r) {
            PHaploDef const* record = list.data[r];
            int index = record->haplotype ? record->haplotype->matrix_index : -1;
            for (int c = 0; c < record->count; ++c)
                ids[at++] = index;
        }
    }
}

// Partial Fisher-Yates from the end: each of the units from the last down to
// the first of the second sample takes a unit drawn uniformly among itself
// and those before it, so that every split of the N units into the two
// sample sizes is equally likely.
void shuffle_pair_vector(int* ids, int nX, int N, bool by_individuals)
{
    if (by_individuals)
        shuffle_block(0, nX / 2, N / 2, IndividualExchange{ids});
    else
        shuffle_block(0, nX, N, CopyExchange{ids});
}

int Amova::CalcPairDist()
{
    settings& s = runSettings;
    const int n = samples->Populations.count;
    PairwiseTables t(n, s.ComputeDeltaMuSqr != 0, s.UnequalPopSizeDiv != 0);
    const bool mantel_asked = (s.TaskNumber & settings::MANTEL_TEST) != 0;
    // A Mantel test whose Y matrix comes from FST needs FST even when the
    // pairwise comparisons are not asked for themselves.
    const bool fst_for_mantel = mantel_asked && mantel && !same_text(mantel->YMatrix, "custom");

    numPermutations = s.NumPermutationsFST;
    if (numPermutations <= 0) {
        numPermutations = 1;
        s.TestSignificancePairewiseFST = 0;
    } else {
        s.TestSignificancePairewiseFST = s.ComputePairwiseFST || s.PrintMissIntermatchs ? 1 : 0;
    }
    t.testOn = s.TestSignificancePairewiseFST == 1;
    if (samples->GenotypicData && !samples->GameticPhase && s.RecessiveAllelesEM) {
        if (s.results_stream)
            *s.results_stream << "Population pairwise FSTs not possible with recessive Data"
                              << std::endl;
        mantel_without_fst(s, mantel, *samples);
        return 1;
    }
    // K batches of the permutations for the s.d. of the P value; the count
    // is raised to a multiple of K, counted in 64 bits: a count beyond the
    // int range is refused, as the AMOVA designs refuse theirs.
    int K = static_cast<int>(std::sqrt(static_cast<double>(numPermutations)));
    long long total = (static_cast<long long>(numPermutations) / K + 1) * K;
    if (total > INT_MAX) {
        report_refused_permutation_count(s, "Pairwise comparisons", s.NumPermutationsFST);
        mantel_without_fst(s, mantel, *samples);
        return 0;
    }
    numPermutations = static_cast<int>(total);
    t.permutations = numPermutations;
    if (s.stop_requested)
        return 0;

    std::strcpy(settings::message, "Computing pairwise distances...");
    std::clock_t start = std::clock();
    PopulationTableSwap swap(*this, population_table(*samples));
    for (Population* p : popTable)
        p->CreatePermutationVectors(distMat->size);

    const bool report = (s.TaskNumber & settings::PAIRWISE_FST) || s.ComputeDeltaMuSqr;
    if (report || fst_for_mantel) {
        const bool fst_needed = s.ComputePairwiseFST || s.PrintMissIntermatchs || fst_for_mantel;
        if (fst_needed
            && (!samples_listed(popTable) || !samples_fit_matrix(popTable, distMat->size))) {
            mantel_without_fst(s, mantel, *samples);
            return 1;
        }
        if (s.ComputeDeltaMuSqr)
            for (Population* p : popTable)
                if (auto* g = dynamic_cast<PopGenetics*>(p))
                    g->computeMeanAlleleSizes();
        bool by_individuals = samples->GenotypicData && !samples->GameticPhase;
        // The allele counts pay for themselves over the permutations only.
        LocusCountSums counts;
        if (t.testOn && fst_needed && ProfileSettings::DataType == MICROSAT && haploDB
            && !popTable.empty())
            counts.set_up(*distMat, *haploDB, popTable[0]->profile.MissingData,
                          2 * largest_sample(popTable));
        PairwiseRun run(*this, t, K, by_individuals, counts);
        for (int i = 0; i < n; ++i)
            for (int j = i + 1; j < n; ++j)
                if (!run.compare(i, j, fst_needed))
                    return 0;
        if (fst_needed)
            run.remaining_sums();
        swap.release_permutation_vectors();
        if (report)
            print_pairwise_report(s, t, popTable.data(), start);
    }
    if (s.results_stream)
        *s.results_stream << std::endl;
    if (mantel_asked && mantel)
        mantel->run_asked_test(s, &t.fst, popTable.data(), n);
    return 1;
}
