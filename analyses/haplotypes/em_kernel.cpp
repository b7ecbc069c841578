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

#include <algorithm>
#include <cmath>
#include <new>
#include <unordered_map>
#include <vector>

#include "app/settings.h"
#include "core/errors.h"
#include "core/random.h"
#include "model/population.h"

namespace {

const char* const kKernel = "Population::calc_ML_hapl_freq_hill95_LD()";

// The secant search of the root F: its tolerance and number of steps.
const double kRootTolerance = 1e-5;
const int kRootSteps = 100;

// Two log-likelihoods closer than this are one maximum.
const double kSameMaximum = 1e-6;

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

// The iterations of one start over fixed genotype lists. Nothing is
// allocated here: the scratch of the inbred homozygotes is sized once.
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
                h->prev_freq = h->freq;
                smallest_ = std::min(smallest_, h->freq);
            }
        } else {
            smallest_ = table_.assign_rand_init_freq(kStartWeight);
        }
        long seed = 1;
        f = estimate_f_ ? ran3(&seed) / 3.0 : given_f;
    }

    // Runs at most `iterations` iterations from the table's frequencies and f.
    void run(int iterations, double epsilon, double& f)
    {
        for (int it = 0; it < iterations; it++) {
            double inbred_sum = inbreeding_ ? inbred_homozygotes(f) : 0.0;
            expectation(f);
            maximisation();
            double change = model_.linkage_equilibrium ? equilibrium(inbred_sum)
                                                       : normalise(inbred_sum);
            if (change < epsilon)
                break;
        }
    }

private:
    // w = n f / (p (1 - f) + f) per homozygote; f re-estimated as sum w / N.
    double inbred_homozygotes(double& f)
    {
        double sum = 0;
        for (int i = 0; i < ind_.phenotypes.count; i++) {
            TPhenotype const* p = ind_.phenotypes.data[i];
            inbred_[i] = 0;
            if (!p->homozygous || p->genotypes.count == 0)
                continue;
            double freq = p->genotypes.data[0]->hapl1->freq;
            double denominator = freq * (1 - f) + f;
            inbred_[i] = denominator > 0 ? p->count * f / denominator : 0;
            sum += inbred_[i];
        }
        if (estimate_f_ && individuals_ > 0)
            f = model_.f_by_likelihood_root ? likelihood_root(f) : sum / individuals_;
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

    void expectation(double f)
    {
        for (int i = 0; i < ind_.phenotypes.count; i++) {
            TPhenotype* p = ind_.phenotypes.data[i];
            double P = 0;
            for (int k = 0; k < p->genotypes.count; k++) {
                TGenotype* g = p->genotypes.data[k];
                double a = g->hapl1->freq;
                double q;
                if (g->hapl1 == g->hapl2)
                    q = inbreeding_ ? (1 - f) * a * a + f * a : a * a;
                else
                    q = inbreeding_ ? 2 * (1 - f) * a * g->hapl2->freq : 2 * a * g->hapl2->freq;
                g->prob = q;
                P += q;
                if (p->homozygous)
                    break;
            }
            p->prob = P;
        }
    }

    // Expected gene counts; an individual without probability adds nothing.
    void maximisation()
    {
        table_.reset_freq();
        for (int i = 0; i < ind_.phenotypes.count; i++) {
            TPhenotype const* p = ind_.phenotypes.data[i];
            const double n = p->count;
            if (p->genotypes.count == 0)
                continue;
            if (p->homozygous) {
                p->genotypes.data[0]->hapl1->freq += 2 * n - (inbreeding_ ? inbred_[i] : 0);
            } else if (p->genotypes.count == 1) {
                p->genotypes.data[0]->hapl1->freq += n;
                p->genotypes.data[0]->hapl2->freq += n;
            } else if (p->prob > 0) {
                for (int k = 0; k < p->genotypes.count; k++) {
                    TGenotype const* g = p->genotypes.data[k];
                    double share = n * g->prob / p->prob;
                    g->hapl1->freq += share;
                    g->hapl2->freq += share;
                }
            }
        }
    }

    // Frequencies from the counts; returns the summed absolute change.
    double normalise(double inbred_sum)
    {
        double denominator = gene_copies_ - inbred_sum;
        double change = 0;
        for (int i = 0; i < table_.haplotypes.count; i++) {
            TPopHaplotype* h = table_.haplotypes.data[i];
            h->freq = denominator > 0 ? h->freq / denominator : 0;
            change += std::fabs(h->freq - h->prev_freq);
            h->prev_freq = h->freq;
        }
        return change;
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
                allele_count_[allele_of_[k]] += table_.haplotypes.data[i]->freq;
        double change = 0;
        for (std::size_t a = 0; a < allele_list_.size(); a++) {
            double p = denominator > 0 ? allele_count_[a] / denominator : 0;
            allele_list_[a]->exp_freq = p;
            change += std::fabs(p - prev_allele_[a]);
            prev_allele_[a] = p;
        }
        table_.comp_link_equil_hapl_freq();
        for (int i = 0; i < table_.haplotypes.count; i++)
            table_.haplotypes.data[i]->prev_freq = table_.haplotypes.data[i]->freq;
        return change;
    }

    TPhenDB& ind_;
    TPopHaploDB& table_;
    EMModel model_;
    bool inbreeding_;
    bool estimate_f_;
    TAlleleDB* alleles_;
    std::vector<double> inbred_;  // w of each homozygous individual
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

// The distinct log-likelihoods reached by the starts.
void note_maximum(std::vector<double>& maxima, double lnL)
{
    for (double m : maxima)
        if (std::fabs(m - lnL) < kSameMaximum)
            return;
    maxima.push_back(lnL);
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
                for (int h = 0; h < H; h++)
                    best_freq[h] = table.haplotypes.data[h]->freq;
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
