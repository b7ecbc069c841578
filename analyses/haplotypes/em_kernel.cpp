// Maximum-likelihood haplotype frequencies of individuals of unknown gametic
// phase by expectation-maximisation (Excoffier L, Slatkin M 1995, Mol Biol
// Evol 12; Dempster A, Laird N, Rubin D 1977), optionally with an inbreeding
// coefficient f (Hill W 1974), and their parametric-bootstrap s.d.
//
// Every genotype (A, B) of an individual has probability p_A p_B, doubled
// when A != B; with inbreeding a homozygote has (1 - f) p_A^2 + f p_A and a
// heterozygote 2 (1 - f) p_A p_B, and the inbred homozygotes expected, w, are
// left out of the gene counts. The EM is run from several random starts, as
// the likelihood surface may hold several maxima; the best start wins and
// the number of distinct maxima reached is reported.
//
// The same iterations serve the kernel's variants: haplotype frequencies
// held at linkage equilibrium (products of allele frequencies estimated from
// the expected gene counts), and f estimated as the root of its likelihood
// equation sum_H c_H / ((1 - p_H) F + p_H) = N (c_H the individuals
// homozygous for H), which also allows an excess of heterozygotes (F < 0).
//
// An individual heterozygous at h loci has 2^(h-1) phases, so before
// building them the kernel counts the memory they will take and refuses a
// sample past 1 GB; the zipper EM estimates such samples window by window.

#include <algorithm>
#include <cmath>
#include <new>
#include <unordered_map>
#include <vector>

#include "analyses/haplotypes/em_maxima.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/random.h"
#include "model/population.h"

namespace {

const char* const kKernel = "Population::calc_ML_hapl_freq_hill95_LD()";

// The secant search of the root F: its tolerance and number of steps.
const double kRootTolerance = 1e-5;
const int kRootSteps = 100;

// Weight of the random part of the starting frequencies.
const int kStartWeight = 1000;

// An individual whose phases could not be listed (heterozygous at too many
// loci) has no genotype: it is left out of the estimate.
bool refused(TPhenotype const& p)
{
    return p.genotypes.count == 0;
}

// ln L of the individuals that take part in the estimate; MIN_LN_LIKELIHOOD
// when one of them has no probability.
double ln_likelihood_of_estimated(TPhenDB& individuals)
{
    double lnL = 0;
    for (int i = 0; i < individuals.phenotypes.count; i++) {
        TPhenotype const* p = individuals.phenotypes.data[i];
        if (refused(*p))
            continue;
        if (p->prob <= 0)
            return individuals.ln_likelihood = MIN_LN_LIKELIHOOD;
        lnL += p->count * std::log(p->prob);
    }
    return individuals.ln_likelihood = lnL;
}

// out[k] = n x[k] / d for k < m (out may be x). The divisions take most of
// an iteration; four independent ones at a time let the compiler do them as
// vector divisions, each result rounded exactly as one at a time.
void divide_scaled(double const* x, double n, double d, double* out, std::size_t m)
{
    std::size_t k = 0;
    for (; k + 4 <= m; k += 4) {
        double quotient[4];
        for (int j = 0; j < 4; j++)
            quotient[j] = n * x[k + j] / d;
        for (int j = 0; j < 4; j++)
            out[k + j] = quotient[j];
    }
    for (; k < m; k++)
        out[k] = n * x[k] / d;
}

// The iterations of one start over fixed genotype lists. The frequencies and
// the genotypes' haplotype pairs are copied once into contiguous arrays (a
// haplotype is its position in the table), so that an iteration walks
// arrays instead of heap objects; the table and the individuals receive the
// frequencies and probabilities at the end of each start. Nothing is
// allocated inside the iterations.
class EMIterations {
public:
    EMIterations(TPhenDB& individuals, TPopHaploDB& table, EMModel const& model,
                 bool estimate_f, TAlleleDB* alleles)
        : ind_(individuals), table_(table), model_(model), inbreeding_(model.inbreeding),
          estimate_f_(estimate_f), alleles_(alleles),
          inbred_(model.inbreeding ? individuals.phenotypes.count : 0, 0.0)
    {
        // The gene copies of the estimated individuals themselves, so that
        // the frequencies sum to one whatever the sample declared and
        // whichever individuals were refused.
        double total = 0;
        for (int i = 0; i < ind_.phenotypes.count; i++) {
            TPhenotype const* p = ind_.phenotypes.data[i];
            if (refused(*p))
                continue;
            total += p->count;
            individuals_ += static_cast<int>(p->count);
        }
        gene_copies_ = 2 * total;
        index_genotypes();
        if (model_.f_by_likelihood_root)
            count_homozygotes();
        if (model_.linkage_equilibrium)
            index_alleles();
    }

    // Random starting frequencies (of the haplotypes, or of the alleles at
    // linkage equilibrium) and, when it is estimated, a random f in [0, 1/3).
    void start(double& f, double given_f)
    {
        if (model_.linkage_equilibrium) {
            if (alleles_)
                alleles_->assign_rand_exp_freq();
            for (std::size_t a = 0; a < allele_list_.size(); a++)
                prev_allele_[a] = allele_list_[a]->exp_freq;
            table_.comp_link_equil_hapl_freq();
            smallest_ = 1.0;
            for (int i = 0; i < table_.haplotypes.count; i++) {
                TPopHaplotype* h = table_.haplotypes.data[i];
                h->prev_freq = freq_[i] = h->freq;
                smallest_ = std::min(smallest_, h->freq);
            }
        } else {
            // Drawn into the array; the table receives them with the
            // frequencies the start reaches.
            smallest_ = TPopHaploDB::draw_init_freq(kStartWeight, fixed_, freq_);
        }
        long seed = 1;
        f = estimate_f_ ? ran3(&seed) / 3.0 : given_f;
    }

    // Runs at most `iterations` iterations from the start's frequencies and
    // f, then hands the frequencies to the table and the probabilities of
    // the last expectation step to the individuals and their genotypes.
    void run(int iterations, double epsilon, double& f)
    {
        for (int it = 0; it < iterations; it++) {
            double inbred_sum = inbreeding_ ? inbred_homozygotes(f) : 0.0;
            // Each individual's probabilities, then at once its expected
            // gene counts, while its genotypes are at hand.
            std::fill(counts_.begin(), counts_.end(), 0.0);
            for (int i = 0; i < ind_.phenotypes.count; i++) {
                expectation(i, f);
                count_genes(i);
            }
            bool settled = model_.linkage_equilibrium ? equilibrium(inbred_sum) < epsilon
                                                      : normalise(inbred_sum, epsilon);
            if (settled)
                break;
        }
        store_frequencies();
        store_probabilities();
    }

    // The frequencies of the last start, in the table's order.
    std::vector<double> const& frequencies() const { return freq_; }

private:
    // A genotype as the table positions of its two haplotypes.
    struct HaploPair {
        int a, b;
    };

    // Each individual's genotypes at positions first_[i] .. first_[i + 1] - 1
    // of pairs_ and q_, and each haplotype's position in the table.
    void index_genotypes()
    {
        const int H = table_.haplotypes.count;
        std::unordered_map<TPopHaplotype const*, int> position;
        position.reserve(static_cast<std::size_t>(H));
        fixed_.reserve(static_cast<std::size_t>(H));
        for (int h = 0; h < H; h++) {
            position.emplace(table_.haplotypes.data[h], h);
            fixed_.push_back(table_.haplotypes.data[h]->fixed != 0);
        }
        const int N = ind_.phenotypes.count;
        first_.reserve(static_cast<std::size_t>(N) + 1);
        count_.reserve(static_cast<std::size_t>(N));
        homozygous_.reserve(static_cast<std::size_t>(N));
        for (int i = 0; i < N; i++) {
            TPhenotype const* p = ind_.phenotypes.data[i];
            first_.push_back(static_cast<int>(pairs_.size()));
            count_.push_back(p->count);
            homozygous_.push_back(p->homozygous != 0);
            for (int k = 0; k < p->genotypes.count; k++) {
                TGenotype const* g = p->genotypes.data[k];
                pairs_.push_back({position.at(g->hapl1), position.at(g->hapl2)});
            }
        }
        first_.push_back(static_cast<int>(pairs_.size()));
        std::size_t most = 0;
        for (int i = 0; i < N; i++)
            most = std::max(most, static_cast<std::size_t>(first_[i + 1] - first_[i]));
        share_.assign(most, 0.0);
        q_.assign(pairs_.size(), 0.0);
        prob_.assign(static_cast<std::size_t>(N), 0.0);
        freq_.assign(static_cast<std::size_t>(H), 0.0);
        counts_.assign(static_cast<std::size_t>(H), 0.0);
    }

    // After an iteration the previous frequencies are the new ones.
    void store_frequencies()
    {
        for (int h = 0; h < table_.haplotypes.count; h++)
            table_.haplotypes.data[h]->freq = table_.haplotypes.data[h]->prev_freq = freq_[h];
    }

    void store_probabilities()
    {
        for (int i = 0; i < ind_.phenotypes.count; i++) {
            TPhenotype* p = ind_.phenotypes.data[i];
            p->prob = prob_[i];
            for (int k = 0; k < p->genotypes.count; k++)
                p->genotypes.data[k]->prob = q_[first_[i] + k];
        }
    }

    // w = n f / (p (1 - f) + f) per homozygote; f re-estimated as sum w / N.
    double inbred_homozygotes(double& f)
    {
        double sum = 0;
        for (int i = 0; i < ind_.phenotypes.count; i++) {
            inbred_[i] = 0;
            if (!homozygous_[i] || first_[i] == first_[i + 1])
                continue;
            double freq = freq_[pairs_[first_[i]].a];
            double denominator = freq * (1 - f) + f;
            inbred_[i] = denominator > 0 ? count_[i] * f / denominator : 0;
            sum += inbred_[i];
        }
        if (estimate_f_ && individuals_ > 0) {
            if (model_.f_by_likelihood_root)
                store_frequencies();
            f = model_.f_by_likelihood_root ? likelihood_root(f) : sum / individuals_;
        }
        return sum;
    }

    // Each haplotype's number of individuals homozygous for it.
    void count_homozygotes()
    {
        table_.reset_homo_count();
        for (int i = 0; i < ind_.phenotypes.count; i++) {
            TPhenotype const* p = ind_.phenotypes.data[i];
            if (p->homozygous && p->genotypes.count > 0)
                p->genotypes.data[0]->hapl1->homo_count += static_cast<int>(p->count);
        }
    }

    // The root F of sum_H c_H / ((1 - p_H) F + p_H) = N by the secant
    // method from F and F +- 0.5, kept above -p_min / (1 - p_min), where the
    // denominator of the rarest haplotype of the start would vanish.
    double likelihood_root(double F) const
    {
        const double N = individuals_;
        const double lowest = smallest_ < 1 ? -smallest_ / (1 - smallest_) : -1.0;
        auto bounded = [&](double x) { return x < lowest ? lowest + 0.001 : x; };
        auto g = [&](double x) { return table_.sum_homoz_inbreeding(x) - N; };
        double x0 = F, g0 = g(x0);
        if (std::fabs(g0) < kRootTolerance)
            return x0;
        double x1 = bounded(g0 >= 0 ? F + 0.5 : F - 0.5);
        for (int step = 0; step < kRootSteps; step++) {
            double g1 = g(x1);
            if (std::fabs(g1) < kRootTolerance || g1 == g0)
                return x1;
            double x2 = bounded(x1 - g1 * (x1 - x0) / (g1 - g0));
            x0 = x1;
            g0 = g1;
            x1 = x2;
        }
        return x1;
    }

    // The alleles of the table's haplotypes, once, and each haplotype's
    // alleles as positions in that list.
    void index_alleles()
    {
        std::unordered_map<TAllele*, int> position;
        for (int i = 0; i < table_.haplotypes.count; i++) {
            TPopHaplotype const* h = table_.haplotypes.data[i];
            first_allele_.push_back(static_cast<int>(allele_of_.size()));
            for (int j = 0; j < h->alleles.count; j++) {
                TAllele* a = h->alleles.data[j];
                auto found = position.emplace(a, static_cast<int>(allele_list_.size()));
                if (found.second)
                    allele_list_.push_back(a);
                allele_of_.push_back(found.first->second);
            }
        }
        first_allele_.push_back(static_cast<int>(allele_of_.size()));
        allele_count_.assign(allele_list_.size(), 0.0);
        prev_allele_.assign(allele_list_.size(), 0.0);
    }

    // The probability q of each genotype of individual i and their sum P.
    void expectation(int i, double f)
    {
        double P = 0;
        for (int k = first_[i]; k < first_[i + 1]; k++) {
            HaploPair const g = pairs_[k];
            double a = freq_[g.a];
            double q;
            if (g.a == g.b)
                q = inbreeding_ ? (1 - f) * a * a + f * a : a * a;
            else
                q = inbreeding_ ? 2 * (1 - f) * a * freq_[g.b] : 2 * a * freq_[g.b];
            q_[k] = q;
            P += q;
            if (homozygous_[i])
                break;
        }
        prob_[i] = P;
    }

    // The expected gene counts of individual i; an individual without
    // probability adds nothing.
    void count_genes(int i)
    {
        const double n = count_[i];
        const int first = first_[i], genotypes = first_[i + 1] - first;
        if (genotypes == 0)
            return;
        if (homozygous_[i]) {
            counts_[pairs_[first].a] += 2 * n - (inbreeding_ ? inbred_[i] : 0);
        } else if (genotypes == 1) {
            counts_[pairs_[first].a] += n;
            counts_[pairs_[first].b] += n;
        } else if (prob_[i] > 0) {
            divide_scaled(&q_[first], n, prob_[i], share_.data(), genotypes);
            for (int k = 0; k < genotypes; k++) {
                counts_[pairs_[first + k].a] += share_[k];
                counts_[pairs_[first + k].b] += share_[k];
            }
        }
    }

    // Frequencies from the counts; true when they moved by less than epsilon
    // in all (the sum of the absolute changes). A sum of terms >= 0 never
    // decreases, so the sum stops as soon as it reaches epsilon: only the
    // last iterations of a start sum over every haplotype. The counts become
    // the frequencies, and the old frequencies the next iteration's counts.
    bool normalise(double inbred_sum, double epsilon)
    {
        const double denominator = gene_copies_ - inbred_sum;
        if (denominator > 0)
            divide_scaled(counts_.data(), 1.0, denominator, counts_.data(), counts_.size());
        else
            std::fill(counts_.begin(), counts_.end(), 0.0);
        double change = 0;
        for (std::size_t h = 0; h < counts_.size() && change < epsilon; h++)
            change += std::fabs(counts_[h] - freq_[h]);
        freq_.swap(counts_);
        return change < epsilon;
    }

    // Linkage equilibrium: each allele's frequency from the expected gene
    // counts of the haplotypes carrying it (net of the inbred homozygotes),
    // then every haplotype's frequency the product of its alleles'. Returns
    // the summed absolute change of the allele frequencies.
    double equilibrium(double inbred_sum)
    {
        const double denominator = gene_copies_ - inbred_sum;
        std::fill(allele_count_.begin(), allele_count_.end(), 0.0);
        for (int i = 0; i < table_.haplotypes.count; i++)
            for (int k = first_allele_[i]; k < first_allele_[i + 1]; k++)
                allele_count_[allele_of_[k]] += counts_[i];
        double change = 0;
        for (std::size_t a = 0; a < allele_list_.size(); a++) {
            double p = denominator > 0 ? allele_count_[a] / denominator : 0;
            allele_list_[a]->exp_freq = p;
            change += std::fabs(p - prev_allele_[a]);
            prev_allele_[a] = p;
        }
        table_.comp_link_equil_hapl_freq();
        for (int i = 0; i < table_.haplotypes.count; i++)
            freq_[i] = table_.haplotypes.data[i]->freq;
        return change;
    }

    TPhenDB& ind_;
    TPopHaploDB& table_;
    EMModel model_;
    bool inbreeding_;
    bool estimate_f_;
    TAlleleDB* alleles_;
    std::vector<double> inbred_;  // w of each homozygous individual
    // The contiguous copies: per individual its count, homozygous flag,
    // probability and first genotype; per genotype its haplotype pair and
    // probability q; per haplotype its frequency and expected gene count.
    std::vector<double> count_, prob_;
    std::vector<char> homozygous_;
    std::vector<int> first_;
    std::vector<HaploPair> pairs_;
    std::vector<double> q_, freq_, counts_;
    std::vector<char> fixed_;  // per haplotype: starts at the plain weight
    std::vector<double> share_;  // an individual's expected genotype counts
    double gene_copies_ = 0;
    int individuals_ = 0;
    double smallest_ = 0;  // smallest starting haplotype frequency of the start
    // Linkage equilibrium: the distinct alleles, their expected gene counts
    // and previous frequencies, and the alleles of haplotype i at positions
    // first_allele_[i] .. first_allele_[i + 1] - 1 of allele_of_.
    std::vector<TAllele*> allele_list_;
    std::vector<double> allele_count_, prev_allele_;
    std::vector<int> first_allele_, allele_of_;
};

// The phases of the individuals are refused past this size: the number of
// genotypes of an individual doubles with each heterozygous locus, and a
// few dozen loci would exhaust the memory of any machine.
const double kPhaseMemoryLimit = 1024.0 * 1024 * 1024;

// Genotype counts are powers of two in an int: individuals beyond these
// limits get no genotypes.
const int kMaxHeteroLoci = 31;
const int kMaxRecessiveLoci = 30;

// The bytes one genotype of an individual of L loci takes: its record, its
// entry in the individual's list and in the kernel's arrays, and at most
// two new haplotypes of L alleles in the table (each with its entry in the
// table, its index and the kernel's arrays); every heap block also costs
// its allocator's header.
double genotype_bytes(int L)
{
    const double block = 16;
    const double haplotype = sizeof(TPopHaplotype) + block + L * sizeof(TAllele*) + block +
                             4 * sizeof(void*) + 2 * sizeof(double);
    return sizeof(TGenotype) + block + sizeof(TGenotype*) + 2 * sizeof(int) + sizeof(double) +
           2 * haplotype;
}

// The bytes the phases of all individuals will take once built, counted
// from their heterozygous loci before anything is built: 2^(h-1) genotypes
// for h heterozygous loci, 2^L with recessive alleles hidden in apparent
// homozygotes.
double phase_bytes(TPhenDB const& individuals, int recessive)
{
    double bytes = 0;
    for (int i = 0; i < individuals.phenotypes.count; i++) {
        TPhenotype const* p = individuals.phenotypes.data[i];
        const int L = p->num_loci();
        if (!p->pseudo_hapl[1] || p->pseudo_hapl[1]->alleles.count != L)
            continue;  // no phases without two whole gene copies
        int h = 0;
        for (int u = 0; u < L; u++)
            h += p->pseudo_hapl[0]->alleles.data[u] != p->pseudo_hapl[1]->alleles.data[u];
        const bool recessive_case = recessive != 0 && h < L;
        if ((!recessive_case && h > kMaxHeteroLoci) || (recessive_case && L > kMaxRecessiveLoci))
            continue;
        const double genotypes = recessive_case ? std::ldexp(1.0, L)
                                                : (h >= 2 ? std::ldexp(1.0, h - 1) : 1.0);
        bytes += genotypes * genotype_bytes(L);
    }
    return bytes;
}

// False, with a warning in the log naming the loci and the zipper, when the
// phases of the individuals would take more than the limit.
bool phases_fit_in_memory(TPhenDB const& individuals, int recessive, const char* caller)
{
    const double bytes = phase_bytes(individuals, recessive);
    if (bytes <= kPhaseMemoryLimit)
        return true;
    E.error(WARNING, caller, 0);
    if (E.log_open)
        *_ZOS_ << "\t\tHaplotype frequencies on " << individuals.num_loci()
               << " loci not estimated: the phases of the individuals would take about "
               << std::llround(bytes / (1024.0 * 1024)) << " MB (limit "
               << std::llround(kPhaseMemoryLimit / (1024.0 * 1024))
               << " MB); EMUseZipper=1 estimates them window by window" << std::endl;
    return false;
}

}  // namespace

double Population::calc_ML_hapl_freq_hill95_LD(TPhenDB& sample_individuals, TPopHaploDB& table,
                                               settings& s, int& num_maxima,
                                               int const& inbreeding, double& inbreeding_coeff,
                                               TPopHaploDB* given, int* given_mask,
                                               int const& compaction, int const& starts,
                                               int const& iterations, double const& epsilon)
{
    const EMModel model{kKernel, inbreeding != 0, false, false};
    return fit_haplotype_frequencies(model, sample_individuals, table, s, num_maxima,
                                     inbreeding_coeff, given, given_mask, compaction, starts,
                                     iterations, epsilon);
}

double Population::fit_haplotype_frequencies(EMModel const& model, TPhenDB& sample_individuals,
                                             TPopHaploDB& table, settings& s, int& num_maxima,
                                             double& inbreeding_coeff, TPopHaploDB* given,
                                             int* given_mask, int const& compaction,
                                             int const& starts, int const& iterations,
                                             double const& epsilon)
{
    if (s.stop_requested)
        return -1000.0;
    if (starts < 1 || iterations < 1) {
        E.error(ERROR, model.caller, 154);
        num_maxima = 0;
        return MIN_LN_LIKELIHOOD;
    }
    // A failed allocation with no log open is reported silently; the result
    // must still tell the callers that nothing was estimated.
    double result = MIN_LN_LIKELIHOOD;
    try {
        if (s.EMCheckPhenRedundancy)
            sample_individuals.check_pheno_redundancy();
        // With given haplotypes only the phases that agree with them are
        // kept, which cannot be counted beforehand.
        if (!given && !phases_fit_in_memory(sample_individuals, RecessiveAllelesEM, model.caller)) {
            num_maxima = 0;
            return MIN_LN_LIKELIHOOD;
        }
        for (int i = 0; i < sample_individuals.phenotypes.count; i++) {
            TPhenotype* p = sample_individuals.phenotypes.data[i];
            // The table is new: genotypes of an earlier call would point
            // into another table.
            p->kill_gen_list();
            p->num_genotypes = 0;
            if (given)
                p->build_compatible_genotypes(*given, given_mask, table, alleleDB,
                                              RecessiveAllelesEM, 0.0);
            else
                p->build_genotypes(table, alleleDB, RecessiveAllelesEM, false);
        }
        if (compaction)
            table.compact(alleleDB, profile.MissingData);

        const bool estimate_f = model.inbreeding && inbreeding_coeff == 0.0;
        const double given_f = model.inbreeding ? inbreeding_coeff : 0.0;
        const int H = table.haplotypes.count;
        std::vector<double> best_freq(H, 0.0);
        std::vector<double> maxima;
        maxima.reserve(static_cast<std::size_t>(starts) + 1);
        double best = MIN_LN_LIKELIHOOD;
        double best_f = given_f;
        EMIterations em(sample_individuals, table, model, estimate_f, alleleDB);
        for (int start = 0; start < starts; start++) {
            double f = given_f;
            em.start(f, given_f);
            em.run(iterations, epsilon, f);
            double lnL = given ? sample_individuals.calc_ln_likelihood()
                               : ln_likelihood_of_estimated(sample_individuals);
            // The first start is kept even when no individual has a
            // probability, so that the table always holds some start.
            if (lnL > best || start == 0) {
                best_freq = em.frequencies();
                best = lnL;
                best_f = f;
            }
            note_maximum(maxima, lnL);
            settings::global_work_done += 100.0;
            settings::print_message();
            if (s.stop_requested)
                return -1000.0;
        }
        num_maxima = static_cast<int>(maxima.size());
        for (int h = 0; h < H; h++)
            table.haplotypes.data[h]->freq = best_freq[h];
        if (estimate_f)
            inbreeding_coeff = best_f;
        sample_individuals.inbreeding_coeff = best_f;
        result = best;
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, model.caller, 0);
    }
    return result;
}

void Population::calc_sd_hapl_freq(TPhenDB& sample_individuals, TPopHaploDB& table,
                                   settings& s, int const&, int const& replicates,
                                   int const& iterations, double const& epsilon)
{
    for (int i = 0; i < table.haplotypes.count; i++)
        table.haplotypes.data[i]->sum_freq = table.haplotypes.data[i]->sd = 0;
    TPopHaploDB work(table);
    const int N = sample_individuals.nb_individuals();
    for (int r = 0; r < replicates && !s.stop_requested; r++) {
        TPhenDB drawn(N, table);
        double everything = 2.0;
        work.cleanDB(everything);
        drawn.convert_freq_to_real();
        int maxima = 0;
        double f = 0.0;
        calc_ML_hapl_freq_hill95_LD(drawn, work, s, maxima, 0, f, nullptr, nullptr, 0,
                                    s.NumInitCondBootstrapEM, iterations, epsilon);
        table.sums_hapl_frequencies(work, 1e-7);
    }
    table.calc_sd(replicates);
}
