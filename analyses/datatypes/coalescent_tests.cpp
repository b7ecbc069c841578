// Tajima's D and Fu's Fs of DNA and RFLP samples, with P-values from samples simulated under the
// standard neutral coalescent (Tajima 1989, Genetics 123:585; Fu 1997, Genetics 147:915).

#include <algorithm>
#include <cmath>
#include <ctime>
#include <iomanip>
#include <limits>
#include <ostream>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/popgen/driver_frame.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "project/project_file_lines.h"

namespace {

// What one replicate gives: its theta, the second summed value (D, or the number of alleles) and
// the statistic compared with the observed one, not a number when it could not be computed.
struct ReplicateValues {
    double theta;
    double summed;
    double statistic;
};

// A replicate's statistic at most a reference value, ties counting. A replicate with the observed
// counts may land a rounding error away from the observed statistic or from 0 (the observed D is
// set to 0 below 1e-15, the replicates' is not; Fs of theta(pi) 1 in two gene copies is 0 only up
// to rounding), so values within a relative 1e-9 of the reference (1e-9 of 0) are ties. Rounding
// stays near 1e-15; distinct counts give statistics much further apart.
bool at_most(double statistic, double reference)
{
    return statistic <= reference + 1e-9 * std::max(1.0, std::fabs(reference));
}

// The accumulators of one test over its replicates. A replicate whose statistic could not be
// computed stays out of the P-values (counted in left_out, with the least summed value among
// them); its theta and summed value enter the means as every replicate's do.
struct ReplicateTally {
    int at_most_observed = 0;
    int at_most_zero = 0;
    int left_out = 0;
    double least_left_out = 0.0;
    double sum_theta = 0.0, sum_theta2 = 0.0, sum_value = 0.0, sum_value2 = 0.0;

    void add(ReplicateValues const& r, double observed)
    {
        if (std::isnan(r.statistic)) {
            least_left_out = left_out == 0 ? r.summed : std::min(least_left_out, r.summed);
            ++left_out;
        } else {
            at_most_observed += at_most(r.statistic, observed);
            at_most_zero += at_most(r.statistic, 0.0);
        }
        sum_theta += r.theta;
        sum_theta2 += r.theta * r.theta;
        sum_value += r.summed;
        sum_value2 += r.summed * r.summed;
    }
};

// The standard deviation of N values from their sum and sum of squares; 0 for one value or a
// variance that rounding left not positive (reported from `where` when given).
double replicate_sd(double sum, double sum2, int N, const char* where)
{
    if (N < 2)
        return 0.0;
    const double var = (sum2 - sum * sum / N) / (N - 1);
    if (var > 0.0)
        return std::sqrt(var);
    if (where)
        E.error(WARNING, where, 180);
    return 0.0;
}

// The model of the replicate's sites and the weights of its transitions and transversions,
// per data type: DNA samples take the settings' weights, RFLP sites count every change once.
template <class Sample> struct ReplicateType;

template <> struct ReplicateType<PopulDNA> {
    static constexpr Mut_Type model = NUCLEOTIDE;
    static double transition_weight(settings const& s) { return s.TransitionWeight; }
    static double transversion_weight(settings const& s) { return s.TranversionWeight; }
};

template <> struct ReplicateType<PopulRFLP> {
    static constexpr Mut_Type model = TWO_STATE;
    static double transition_weight(settings const&) { return 1.0; }
    static double transversion_weight(settings const&) { return 1.0; }
};

// `N` replicates of the observed sample's size under `theta`, each measured by `measure` from
// its S, mean number of pairwise differences and haplotypes, read off the simulated tips;
// SimTree must hold (int)n tips. The statistics of a replicate are computed on one sample
// object of the observed size, which keeps the observed sample's own values. False when a
// stop request ends the driver; `stop_each` also tests it before every replicate.
template <class Sample, class Measure>
bool run_replicates(Sample& observed, DriverCall& call, double theta, bool stop_each,
                    double observed_statistic, int N, ReplicateTally& tally, Measure measure)
{
    settings& s = call.s;
    const double ts_weight = ReplicateType<Sample>::transition_weight(s);
    const double tv_weight = ReplicateType<Sample>::transversion_weight(s);
    Sample replicate;
    replicate.SampleSize = observed.SampleSize;
    bool stopped = false;
    for (int r = 1; r <= N && !stopped; ++r) {
        if (stop_each && s.stop_requested) {
            stopped = true;
            break;
        }
        const SimulatedStatistics st = observed.simulate_sample_statistics(
            theta, observed.NumUsableLoci, ReplicateType<Sample>::model, 0.0, 1.0, 1.0, 0.33,
            ts_weight, tv_weight);
        tally.add(measure(replicate, st), observed_statistic);
        if (r % 50 == 0) {
            settings::global_work_done += 1.0;
            settings::print_message();
            stopped = s.stop_requested != 0;
        }
    }
    TNode::hits.count = 0;
    return !stopped;
}

std::ostream& fixed(std::ostream& out, int decimals)
{
    return out << std::fixed << std::showpoint << std::right << std::setprecision(decimals);
}

std::ostream* batch_line(int selected, std::ofstream* stream, PopGenetics const& p)
{
    if (!selected || !stream)
        return nullptr;
    write_batch_prefix(*stream, p.name);
    return stream;
}

const char* const no_matrix = ": no distance matrix between the haplotypes\n";

// A statistic that could not be computed still ends its sample's batch line.
void empty_batch_line(int selected, std::ofstream* stream, PopGenetics const& p)
{
    if (std::ostream* batch = batch_line(selected, stream, p))
        *batch << "\n";
}

// The line of D: its value, or why it is not defined.
void tajima_d_line(std::ostream& out, PopGenetics const& p, int n, double S)
{
    out << "Tajima's D                            : ";
    if (PopGenetics::tajima_d_defined(n, S))
        out << std::setw(8) << p.TajimaD;
    else
        out << "not defined with fewer than 4 gene copies or no segregating site";
}

// The batch line and the replicates of Tajima's test, after the observed D; `where` names the
// driver in the warnings of the standard deviations (none for DNA samples). A D that is not
// defined is not tested: every replicate would tie with it.
template <class Sample>
bool tajima_test(Sample& p, DriverCall& call, int S, bool defined, const char* where)
{
    std::ostream& out = call.results;
    const int n = static_cast<int>(p.SampleSize);
    std::ostream* batch = batch_line(_TAJIMA_, ofs_tajima, p);
    if (defined && !p.SimTree.allocate_tree(n)) {
        if (batch)
            *batch << "\n";
        return true;
    }
    const double thetaS = p.theta_S(n, S);
    if (batch)
        fixed(*batch, 6) << n << "\t" << S << "\t" << thetaS << "\t" << p.MeanPairDiff << "\t"
                         << p.TajimaD << "\t" << p.TajimaDPValue;
    if (!defined) {
        p.TajimaDPValue = -1.0;
        out << "\nTajima's test cannot be computed\n\n";
        if (batch)
            *batch << "\t" << -1.0 << "\t" << -1.0 << "\t" << 0 << "\n";
        return true;
    }
    const int N = call.s.NumSimulFuTest;
    ReplicateTally t;
    const bool go_on = run_replicates(p, call, 0.5 * thetaS, true, p.TajimaD, N, t,
                                      [n](Sample& r, SimulatedStatistics const& st) {
                                          const int S_r = st.segregating_sites;
                                          const double theta = r.theta_S(n, S_r);
                                          const double D = r.fast_tajimaD(n, st.mean_pair_diff,
                                                                          S_r);
                                          return ReplicateValues{theta, D, D};
                                      });
    if (!go_on) {
        // A stopped test ends its sample's line after the observed values, as the batch files
        // are appended to by the next run.
        if (batch)
            *batch << "\n";
        return false;
    }
    if (N >= 1) {
        p.TajimaDPValue = static_cast<double>(t.at_most_observed) / N;
        if (batch)
            *batch << "\t" << p.TajimaDPValue << "\t" << static_cast<double>(t.at_most_zero) / N
                   << "\t" << N;
        fixed(out, 5) << "\nNo. of simulations                    : " << std::setw(8) << N
                      << "\nObs. Theta(S)                         : " << std::setw(8) << thetaS
                      << "\nMean Theta(S)                         : " << std::setw(8)
                      << t.sum_theta / N
                      << "\nS.D. Theta(S)                         : " << std::setw(8)
                      << replicate_sd(t.sum_theta, t.sum_theta2, N, where)
                      << "\nMean D                                : " << std::setw(8)
                      << t.sum_value / N
                      << "\nS.D. D                                : " << std::setw(8)
                      << replicate_sd(t.sum_value, t.sum_value2, N, where)
                      << "\n\nP(D simul &lt; D obs)                    : " << std::setw(8)
                      << p.TajimaDPValue << "\n\n";
    }
    if (batch)
        *batch << "\n";
    return true;
}

// The fu_fs.sum line of a sample whose Fs was not computed: Fs 0 and P -1
// with no simulation, as tajima.sum writes a D that is not defined; a
// theta(pi) that was not computed either is -1.
void fu_fs_not_computed_line(PopGenetics const& p, double theta)
{
    if (std::ostream* batch = batch_line(_FU_FS_, ofs_fu_fs, p))
        fixed(*batch, 6) << static_cast<int>(p.SampleSize) << "\t" << p.num_haplotypes << "\t"
                         << theta << "\t" << 0.0 << "\t" << -1.0 << "\t" << -1.0 << "\t" << 0
                         << "\n";
}

// The haplotypes of the sample before those at distance 0 were merged; a
// sample that never went through the merge (a pooled group) merged none.
int original_haplotypes(PopGenetics const& p)
{
    return p.nbInitialHaplotypes > 0 ? p.nbInitialHaplotypes : p.num_haplotypes;
}

// Why Fs of k alleles under theta was not computed: no diversity, a
// probability that rounds to 0 or 1 (Fs infinite), or, with Fs left alone,
// the table of Ewens' probabilities: the sample's size, the n + 10 rows and
// k + 10 columns it needs, or Stirling numbers beyond the range of a double.
// FuFs 0 and P -1 mark the test as not computed.
void fu_fs_refusal(std::ostream& out, PopGenetics& p, double theta, int k, double Fs)
{
    const int n = static_cast<int>(p.SampleSize);
    out << "Fu's Fs test cannot be computed";
    if (theta <= 0.0)
        out << " when Theta(Pi) is 0";
    else if (!std::isnan(Fs))
        out << ": P(k or more alleles) rounds to " << (Fs > 0.0 ? 1 : 0);
    else
        PopGenetics::explain_table_refusal(out, n, k);
    out << "\n" << std::endl;
    p.FuFs = 0.0;
    p.FuFsPValue = -1.0;
    p.FuExpNumAlleles = -1.0;
    fu_fs_not_computed_line(p, theta);
}

// The replicates of Fu's test: their theta(pi) and k over all N, the P-values over those whose
// Fs was computed, and how many were left out and why. The table of Ewens' probabilities refuses
// a replicate's k from some number of alleles on (n is that of the sample, which it holds), so
// the reason is told for the fewest alleles left out. With none entered, P is not computed:
// N.A. in the results, -1 in the batch line, whose last field is the number that entered.
template <class Sample>
void fu_fs_summary(std::ostream& out, std::ostream* batch, Sample& p, ReplicateTally const& t,
                   int N, const char* where)
{
    const int entered = N - t.left_out;
    p.FuFsPValue = entered > 0 ? static_cast<double>(t.at_most_observed) / entered : -1.0;
    fixed(out, 5) << "\nNo. of simulations           :" << std::setw(12) << N
                  << "\nMean Theta(Pi)               :" << std::setw(12) << t.sum_theta / N
                  << "\nS.D. Theta(Pi)               :" << std::setw(12)
                  << replicate_sd(t.sum_theta, t.sum_theta2, N, where)
                  << "\nMean k                       :" << std::setw(12) << t.sum_value / N
                  << "\nS.D. k                       :" << std::setw(12)
                  << replicate_sd(t.sum_value, t.sum_value2, N, where)
                  << "\n\nProb(sim_Fs &lt;=obs_Fs)        :" << std::setw(12);
    if (entered > 0)
        out << p.FuFsPValue;
    else
        out << "N.A.";
    if (t.left_out > 0) {
        const int n = static_cast<int>(p.SampleSize);
        const int k = static_cast<int>(t.least_left_out);
        out << "\nReplicates left out          :" << std::setw(12) << t.left_out << " of " << N
            << "\n(Fs of k = " << k << " alleles or more in " << n
            << " gene copies cannot be computed";
        PopGenetics::explain_table_refusal(out, n, k);
        out << ")";
    }
    out << "\n\n";
    if (batch) {
        const double p_zero =
            entered > 0 ? static_cast<double>(t.at_most_zero) / entered : -1.0;
        *batch << "\t" << p.FuFsPValue << "\t" << p_zero << "\t" << entered;
    }
}

// Fu's Fs of the observed sample with k alleles, its replicates and their summary. False when a
// stop request ends the driver.
template <class Sample>
bool fu_fs_test(Sample& p, DriverCall& call, double theta, int k, bool pooled, const char* where)
{
    std::ostream& out = call.results;
    const int n = static_cast<int>(p.SampleSize);
    // Fu_Fs leaves the result alone when it refuses the sample's size, and
    // gives +-FLT_MAX when theta(pi) is 0 or a probability rounds to 0 or 1.
    double Fs = std::numeric_limits<double>::quiet_NaN();
    if (!p.Fu_Fs(theta, k, Fs, true)) {
        fu_fs_refusal(out, p, theta, k, Fs);
        return true;
    }
    p.FuFs = Fs;
    fixed(out, 5);
    if (!pooled)
        out << "Original No. of alleles(k)   :" << std::setw(12) << p.num_haplotypes << "\n";
    else
        out << "Original No. of alleles      :" << std::setw(12) << original_haplotypes(p)
            << "\n"
            << "Actual No. of # alleles  (k) :" << std::setw(12) << k << "\n";
    p.FuExpNumAlleles = p.k_est(theta, n);
    out << "Theta(Pi)                    :" << std::setw(12) << theta << "\n"
        << "Exp. No. of alleles          :" << std::setw(12) << p.FuExpNumAlleles << "\n"
        << "Fs                           :" << std::setw(12) << p.FuFs << "\n";
    std::ostream* batch = batch_line(_FU_FS_, ofs_fu_fs, p);
    if (batch)
        fixed(*batch, 6) << n << "\t" << p.num_haplotypes << "\t" << theta << "\t" << p.FuFs;
    const int N = call.s.NumSimulFuTest;
    ReplicateTally t;
    if (p.SimTree.allocate_tree(n)
        && !run_replicates(p, call, 0.5 * theta, false, p.FuFs, N, t,
                           [](Sample& r, SimulatedStatistics const& st) {
                               const double theta_r = r.theta_pi(st.mean_pair_diff);
                               const int k_r = st.haplotypes;
                               // Fu_Fs leaves Fs alone when the table refuses k_r.
                               double Fs_r = std::numeric_limits<double>::quiet_NaN();
                               r.Fu_Fs(theta_r, k_r, Fs_r, false);
                               return ReplicateValues{theta_r, static_cast<double>(k_r), Fs_r};
                           })) {
        if (batch)
            *batch << "\n";  // stopped: the line ends after the observed values
        return false;
    }
    if (N == 0)
        p.FuFsPValue = -1.0;
    else
        fu_fs_summary(out, batch, p, t, N, where);
    if (batch)
        *batch << "\n";
    return true;
}

// The observed part of Fu's test that both data types share: the refusals of one gene copy and
// of one allele, the table of Ewens' probabilities, theta(pi) and k.
template <class Sample>
bool fu_fs_section_of(Sample& p, DriverCall& call, const char* where)
{
    call.title_box();
    call.cite({"Fu_Y_1997"});
    if (!call.report_progress("Testing neutrality: Fu's Fs test ..."))
        return false;
    std::ostream& out = call.results;
    if (p.SampleSize <= 1.0) {
        out << "Fu's Fs test cannot be computed if only one gene in sample\n" << std::endl;
        fu_fs_not_computed_line(p, -1.0);
        return true;
    }
    std::clock_t start = std::clock();
    *_ZOS_ << "\t\tComputing BMat ..." << "\n";
    if (!p.get_B_num_mat()) {
        *_ZOS_ << "\t\tFile not found... skipping task !\n";
        fu_fs_not_computed_line(p, -1.0);
        return true;
    }
    *_ZOS_ << "\t\tdone ! (" << milliseconds_since(start) << " ms)\n";
    start = std::clock();
    *_ZOS_ << "\tPerforming Fu's Fs neutrality test ..." << "\n";
    if (!call.checked)
        p.check_data();
    if (!call.polymorphism_evaluated)
        p.evaluate_polymorphism(call.s);
    p.take_distance_settings(call.s, 0, 0.0);
    if (!p.compute_distance_matrix(nullptr, &call.s, 0)) {
        out << "Fu's Fs test cannot be computed" << no_matrix << std::endl;
        fu_fs_not_computed_line(p, -1.0);
        call.done_since(start);
        return true;
    }
    p.compute_molecular_diversity(call.s);
    const double theta = p.theta_pi(p.MeanPairDiff);
    const bool pooled = call.s.InferHaplotypeDefinitionFromDistanceMatrix && call.fill_classes();
    const int k = pooled ? alleles_in_classes(*call.classes) : p.alleles_in_sample();
    if (k < 2) {
        fixed(out, 5) << "\nSample size                  :" << std::setw(12) << p.SampleSize
                      << "\nObs. k                       :" << std::setw(12) << k << "\n"
                      << "Fu's Fs test cannot be computed if only one allele in sample\n"
                      << std::endl;
        fu_fs_not_computed_line(p, theta);
        return true;
    }
    if (!fu_fs_test(p, call, theta, k, pooled, where))
        return false;
    call.done_since(start);
    return true;
}

// The observed distance matrix and molecular diversity of Tajima's test; false, after the
// "cannot be computed" line and an ended batch line, when the matrix fails.
template <class Sample>
bool tajima_observed_diversity(Sample& p, DriverCall& call, std::clock_t& start)
{
    if (!call.polymorphism_evaluated)
        start = std::clock();
    call.evaluate_polymorphism_once();
    if (!p.compute_distance_matrix(nullptr, &call.s, 0)) {
        call.results << "Tajima's D cannot be computed" << no_matrix << std::endl;
        empty_batch_line(_TAJIMA_, ofs_tajima, p);
        call.done_since(start);
        return false;
    }
    p.compute_molecular_diversity(call.s);
    return true;
}

}  // namespace

bool PopulDNA::tajima_section(DriverCall& call)
{
    call.title_box();
    call.cite({"Tajima_F_1989", "Tajima_F_1996"});
    if (!call.report_progress("Testing neutrality: Computing Tajima's D ..."))
        return false;
    std::clock_t start = std::clock();
    *_ZOS_ << "\n\t\tComputing Tajima's D ...\n";
    take_distance_settings(call.s, 0, 0.0);
    DeletionWeight = 0.0;  // indels are not counted
    if (!tajima_observed_diversity(*this, call, start))
        return true;
    std::ostream& out = call.results;
    const int n = static_cast<int>(SampleSize);
    const int S = NumSubstitutionSites;
    tajimaD(n, MeanPairDiff, S);
    fixed(out, 5) << "Sample size                           : " << std::setw(8) << n << "\n"
                  << "No. of sites with substitutions (S)   : " << std::setw(8) << S << "\n"
                  << "Mean No. of pairwise differences (Pi) : " << std::setw(8) << MeanPairDiff
                  << "\nDistance method                       : "
                  << "Pairwise difference (no Gamma correction, indels not taken into account)\n"
                  << "\n";
    tajima_d_line(out, *this, n, S);
    out << "\n";
    if (!tajima_test(*this, call, S, tajima_d_defined(n, S), nullptr))
        return false;
    call.done_since(start);
    return true;
}

bool PopulRFLP::tajima_section(DriverCall& call)
{
    call.title_box();
    call.cite({"Tajima_F_1989", "Tajima_F_1996"});
    if (!call.report_progress("Testing neutrality: Computing Tajima's D ..."))
        return false;
    std::clock_t start = std::clock();
    *_ZOS_ << "\tComputing Tajima's D ...\n";
    take_distance_settings(call.s, 0, 0.0);
    if (!tajima_observed_diversity(*this, call, start))
        return true;
    std::ostream& out = call.results;
    const int n = static_cast<int>(SampleSize);
    const int S = NumSubstitutionSites;
    tajimaD(n, MeanPairDiff, NumPolymSites);
    fixed(out, 4) << "Sample size                           : " << std::setw(8) << SampleSize
                  << "\nNo. of segregating sites (S)          : " << std::setw(8) << S << "\n"
                  << "Mean No. of pairwise differences (Pi) : " << std::setw(8) << MeanPairDiff
                  << "\nDistance method                       : "
                  << "Pairwise difference (no Gamma correction)\n";
    tajima_d_line(out, *this, n, NumPolymSites);
    out << std::endl;
    if (!tajima_test(*this, call, S, tajima_d_defined(n, NumPolymSites),
                     "PopulRFLP::test_methods#Tajima's test()"))
        return false;
    call.done_since(start);
    return true;
}

bool PopulDNA::fu_fs_section(DriverCall& call)
{
    return fu_fs_section_of(*this, call, nullptr);
}

bool PopulRFLP::fu_fs_section(DriverCall& call)
{
    return fu_fs_section_of(*this, call, "PopulRFLP::test_methods#Fu's test()");
}
