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

#include <cmath>
#include <new>
#include <vector>

#include "app/settings.h"
#include "core/errors.h"
#include "core/random.h"
#include "model/population.h"

namespace {

const char* const kKernel = "Population::calc_ML_hapl_freq_hill95_LD()";

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
    EMIterations(TPhenDB& individuals, TPopHaploDB& table, bool inbreeding, bool estimate_f)
        : ind_(individuals), table_(table), inbreeding_(inbreeding), estimate_f_(estimate_f),
          inbred_(inbreeding ? individuals.phenotypes.count : 0, 0.0)
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
    }

    // Runs at most `iterations` iterations from the table's frequencies and f.
    void run(int iterations, double epsilon, double& f)
    {
        for (int it = 0; it < iterations; it++) {
            double inbred_sum = inbreeding_ ? inbred_homozygotes(f) : 0.0;
            expectation(f);
            maximisation();
            if (normalise(inbred_sum) < epsilon)
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
            f = sum / individuals_;
        return sum;
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

    TPhenDB& ind_;
    TPopHaploDB& table_;
    bool inbreeding_;
    bool estimate_f_;
    std::vector<double> inbred_;  // w of each homozygous individual
    double gene_copies_ = 0;
    int individuals_ = 0;
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
    if (s.stop_requested)
        return -1000.0;
    if (starts < 1 || iterations < 1) {
        E.error(ERROR, kKernel, 154);
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

        const bool estimate_f = inbreeding && inbreeding_coeff == 0.0;
        const double given_f = inbreeding ? inbreeding_coeff : 0.0;
        const int H = table.haplotypes.count;
        std::vector<double> best_freq(H, 0.0);
        std::vector<double> maxima;
        maxima.reserve(static_cast<std::size_t>(starts) + 1);
        double best = MIN_LN_LIKELIHOOD;
        double best_f = given_f;
        EMIterations em(sample_individuals, table, inbreeding != 0, estimate_f);
        long seed = 1;
        for (int start = 0; start < starts; start++) {
            table.assign_rand_init_freq(kStartWeight);
            double f = estimate_f ? ran3(&seed) / 3.0 : given_f;
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
        E.error(MEMORY, kKernel, 0);
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
