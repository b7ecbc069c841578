// The EM analysis of one genotypic sample of unknown gametic phase
// (Excoffier L, Slatkin M 1995, Mol Biol Evol 12): haplotype frequencies over
// all loci, in one pass (the conventional EM) or window by window along one
// or more locus orders (the zipper EM), bootstrap s.d., the expected
// genotypes of every individual, and optionally the estimates of every pair
// of loci and of every locus.
//
// The zipper estimates the first window of loci alone, then extends the
// estimate one window at a time, keeping only the phases whose part on the
// loci already estimated agrees with the haplotypes found there, so that
// many loci can be estimated without enumerating all phases in the EM.

#include <cstdio>
#include <iomanip>
#include <memory>
#include <numeric>
#include <string>
#include <utility>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/random.h"
#include "project/references.h"
#include "project/result_tree.h"

namespace {

// The settings every kernel call of one analysis shares.
struct EMRun {
    int starts;
    int iterations;
    double epsilon;
    int inbreeding;
    double f;  // 0.0 with inbreeding: estimated by the first kernel call
};

// The lines both result headers share. The gene copies are those of the
// individuals the estimate used; the individuals left out (without phases)
// are counted after them.
void print_run_lines(std::ostream& out, settings const& s, TPhenDB const& estimated, int maxima)
{
    int gene_copies = 0, left_out = 0;
    for (int i = 0; i < estimated.phenotypes.count; i++) {
        TPhenotype const* p = estimated.phenotypes.data[i];
        const int n = static_cast<int>(p->count);
        if (p->genotypes.count > 0)
            gene_copies += 2 * n;
        else
            left_out += n;
    }
    out << "No. of gene copies in sample                : " << gene_copies;
    if (left_out > 0)
        out << " (" << left_out << (left_out == 1 ? " individual" : " individuals")
            << " left out)";
    out << "\n"
        << "No. of random initial conditions for EM     : " << s.InitialConditionsEM << "\n"
        << "No. of different maximum likelihoods found  : " << maxima << "\n"
        << "Epsilon value for stopping iterations       : " << std::scientific << s.EpsilonValue
        << "\n";
}

void print_inbreeding(std::ostream& out, double f)
{
    out << "Inbreeding coefficient                      : " << std::fixed << std::showpoint
        << std::setprecision(10) << f << "\n";
}

void print_stars(std::ostream& out, const char* title, int replicates)
{
    out << " \n \n" << std::string(61, '*') << " \n\n" << title << " : \n\n"
        << "(" << replicates << " bootstrap replicates)\n";
}

// One individuals table and its haplotype table: the genotypes of the one
// point into the other, so they live and move together.
struct EstimatePair {
    TPhenDB individuals;
    TPopHaploDB table;
};

// The best locus order of the zipper.
struct ZipperBest {
    double lnL = MIN_LN_LIKELIHOOD;
    int maxima = 0;
    std::unique_ptr<EstimatePair> estimate;
    std::vector<int> order;
    std::vector<int> mask;
};

}  // namespace

// The zipper EM over R locus orders of K windows of w loci.
static void zipper_EM(PopGenetics& sample, settings& s, EMRun& run, std::ostream& out)
{
    TPhenDB& all = sample.individuals;
    all.explode_base();
    *_ZOS_ << "\t\tComputing ML haplotype frequencies using the EM algorithm...\n";
    const int L = all.num_loci();
    int w = s.EMWinSize < 1 ? 1 : s.EMWinSize;
    if (w > L && L > 0) {
        *_ZOS_ << "\t\tWindow size of the zipper EM (" << w
               << ") larger than the number of loci: reduced to " << L << "\n";
        if (s.print_em_results)
            out << "\nWindow size of the zipper EM (" << w
                << ") larger than the number of loci: reduced to " << L << "\n";
        w = L;
    }
    const int K = L / w;
    const int R = s.EMNumZipRandOrders != 0 ? s.EMNumZipRandOrders : 1;

    ZipperBest best;
    long seed = 1;
    for (int r = 0; r < R; r++) {
        std::vector<int> next_mask(L, 0), current_mask(L, 0), order(L);
        std::iota(order.begin(), order.end(), 0);
        if (s.EMNumZipRandOrders != 0)
            for (int i = L - 1; i >= 1; i--)
                std::swap(order[i], order[static_cast<int>(i * ran3(&seed))]);

        auto current = std::make_unique<EstimatePair>();
        auto next = std::make_unique<EstimatePair>();
        int maxima = 0;
        for (int k = 0; k < w && k < L; k++)
            next_mask[order[k]] = current_mask[order[k]] = 1;
        current->individuals.build_sub_PhenDB(next_mask.data(), all);
        double lnL = sample.calc_ML_hapl_freq_hill95_LD(
            current->individuals, current->table, s, maxima, run.inbreeding, run.f, nullptr,
            nullptr, 0, run.starts, run.iterations, run.epsilon);
        for (int k = 2; k <= K; k++) {
            for (int u = (k - 1) * w; u < k * w; u++)
                next_mask[order[u]] = 1;
            next->individuals.build_sub_PhenDB(next_mask.data(), all);
            next->table.empty();
            lnL = sample.calc_ML_hapl_freq_hill95_LD(
                next->individuals, next->table, s, maxima, run.inbreeding, run.f,
                &current->table, current_mask.data(), 0, run.starts, run.iterations,
                run.epsilon);
            for (int u = (k - 1) * w; u < k * w; u++)
                current_mask[order[u]] = 1;
            // The step just made becomes the current one; the old current
            // pair is rebuilt as the next step.
            std::swap(current, next);
        }
        if (lnL > best.lnL) {
            best.lnL = lnL;
            best.maxima = maxima;
            best.estimate = std::move(current);
            best.order = order;
            best.mask = next_mask;
        }
    }

    if (!s.print_em_results || !best.estimate)
        return;
    out << "\n----------------------------------\n"
        << "Zipper version of the EM algorithm\n"
        << "----------------------------------\n";
    print_run_lines(out, s, best.estimate->individuals, best.maxima);
    out << "\nWindow size for zipper EM                   : " << w << "\n"
        << "Number or loci order                        : " << R << "\n"
        << "Loci within window                          : ";
    for (int locus : best.order)
        if (best.mask[locus])
            out << locus + 1 << " ";
    out << "\n"
        << "LogLhood  : " << std::fixed << std::setprecision(10) << best.lnL << "\n";
    if (s.EMEstimateInbreedingCoeff)
        print_inbreeding(out, best.estimate->individuals.inbreeding_coeff);
    *_ZOS_ << "\t\tdone." << std::endl;
    best.estimate->table.print(out, 1, s.FrequencyThreshold);
    out << "\n//------------------------------------------------------\n\n";
    best.estimate->individuals.printGenotypeFrequencies(out, s.FrequencyThreshold);
}

// The individuals the EM left out, each named in the results and the log
// (their phases cannot be listed: too many heterozygous loci); false when
// every individual was left out.
static bool note_refused_individuals(TPhenDB const& individuals, std::ostream& out)
{
    int refused = 0;
    for (int i = 0; i < individuals.phenotypes.count; i++) {
        TPhenotype const* p = individuals.phenotypes.data[i];
        if (p->genotypes.count > 0)
            continue;
        ++refused;
        const std::string note = "Individual " + std::string(p->name.str)
                                 + " has too many heterozygous loci to list its phases: "
                                   "left out of the estimation\n";
        out << result_text(note.c_str());
        *_ZOS_ << "\t\t" << note;
    }
    if (refused < individuals.phenotypes.count)
        return true;
    out << "\nThe estimation of haplotype frequencies was not possible: every individual was "
           "left out\n";
    return false;
}

// The conventional EM on the sample's own tables; -1000 after a stop request.
static int conventional_EM(PopGenetics& sample, settings& s, EMRun& run, int compaction,
                           std::fstream& out)
{
    TPopHaploDB& table = sample.estimated_haplotypes;
    table.empty();
    int maxima = 0;
    double lnL = sample.calc_ML_hapl_freq_hill95_LD(sample.individuals, table, s, maxima,
                                                    run.inbreeding, run.f, nullptr, nullptr,
                                                    compaction, run.starts, run.iterations,
                                                    run.epsilon);
    // The kernel estimated nothing (too many phases for the memory, or no
    // start): its reason is in the log, and there is no table to print.
    if (maxima == 0 && lnL == MIN_LN_LIKELIHOOD) {
        out << "\nHaplotype frequencies not estimated: see the log file\n";
        return 1;
    }
    if (lnL != -1000.0 && !note_refused_individuals(sample.individuals, out))
        return 1;
    if (s.print_em_results) {
        out << "\n-------------------------------------\n"
            << "Conventional EM algorithm  (one pass)\n"
            << "-------------------------------------\n";
        print_run_lines(out, s, sample.individuals, maxima);
        out << "LogLHood  : " << std::fixed << std::showpoint << std::setprecision(10) << lnL
            << "\n\n";
        References(out, "Dempster_A_Laird_N_Rubin_D");
        out << "\n";
        if (s.EMEstimateInbreedingCoeff)
            print_inbreeding(out, sample.individuals.inbreeding_coeff);
        *_ZOS_ << "\t\tdone." << std::endl;
    }

    const int replicates = s.NumBootstrapReplicatesEM;
    if (replicates == 0) {
        out << "Standard deviations not computed " << "\n";
    } else {
        out << "No. of bootstraps for generating s.d.'s      : " << replicates << "\n";
        std::snprintf(settings::message, sizeof settings::message, "%s",
                      "Computing ML hapl. freq. standard deviations ...");
        settings::print_message();
        if (s.stop_requested)
            return -1000;
        *_ZOS_ << "\t\tComputing ML haplotype frequencies standard deviations ...\n";
        sample.calc_sd_hapl_freq(sample.individuals, table, s, run.starts, replicates,
                                 run.iterations, 1e-7);
        *_ZOS_ << "\t\tdone !" << std::endl;
    }
    table.print(out, 1, s.FrequencyThreshold);
    sample.individuals.printGenotypeFrequencies(out, s.FrequencyThreshold);

    if (s.ComputeAllSubHaplotypesEM) {
        std::snprintf(settings::message, sizeof settings::message, "%s",
                      "Computing bi-locus haplotype ML frequencies ...");
        settings::print_message();
        if (s.stop_requested)
            return -1000;
        print_stars(out, "Bi-locus ML haplotype frequencies", replicates);
        *_ZOS_ << "\t\tAnalyzing all pairs of loci...\n";
        sample.calc_all_pairs(out, sample.individuals, s, run.starts, replicates, run.iterations,
                              s.EpsilonValue);
        *_ZOS_ << "\t\tdone !" << std::endl;
    }
    return 1;
}

int PopGenetics::comp_gam_phase_EM(settings& s)
{
    std::fstream unopened;
    std::fstream& out = s.results_stream ? *s.results_stream : unopened;
    EMRun run{s.InitialConditionsEM, s.MaximumNumOfIterationsEM, s.EpsilonValue,
              s.EMEstimateInbreedingCoeff, s.EMInbreedingFixedVal};
    int compaction = s.CompactHaplotypeDataBaseEM;
    if (individuals.phenotypes.count == 0) {
        E.error(WARNING, "PopGenetics::comp_gam_phase_EM()", 152);
        return 1;
    }

    if (s.EMUseZipper == 1) {
        if (s.ComputeAllHaplotypesEM) {
            zipper_EM(*this, s, run, out);
            compaction = 0;
        }
        if (!s.ComputeAllAllelesEM)
            return 1;
    }
    if (s.ComputeAllHaplotypesEM && conventional_EM(*this, s, run, compaction, out) == -1000)
        return -1000;
    if (s.ComputeAllAllelesEM) {
        print_stars(out, "Allele frequencies", s.NumBootstrapReplicatesEM);
        *_ZOS_ << "\t\tAnalyzing all loci...\n";
        calc_all_sites(out, individuals, s, run.starts, s.NumBootstrapReplicatesEM,
                       run.iterations, s.EpsilonValue);
        *_ZOS_ << "\t\tdone !" << std::endl;
    }
    return 1;
}

void PopGenetics::select_loci_in_LD(double alpha, double fraction, int* selection)
{
    std::unique_ptr<int[]> owned(selection);
    settings* s = profile.RunSettings;
    if (!s)
        return;
    evaluate_polymorphism(*s);
    *_ZOS_ << "\t\tTesting linkage disequilibrium (phenotypic data)...\n";
    calc_all_pairwise_LDs(individuals, *s, selection, alpha, fraction, 2, 1000, 500,
                          s->EpsilonValue);
    *_ZOS_ << "\t\tdone !\n" << std::endl;
}
