// Exact test of linkage disequilibrium between every pair of polymorphic loci
// of haplotypic data (Slatkin 1994), with the coefficient tables of each pair.
//
// A pair whose chain was stopped or could not run gets no P-value: its cell
// of the P-value matrix stays negative, which the table of significant pairs
// and the histogram of linked loci read as "not tested".

#include <new>
#include <string>

#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/trimat.h"
#include "summary/sumstat.h"

namespace {

const char* const WHERE = "PopGenetics::calc_all_gam_des()";
constexpr double kNotTested = -1.0;

void empty_linkage_lists(TSumStat& c)
{
    for (TSumStat::List* list : {&c.meanAllDprime, &c.meanAllR2, &c.allAdjDprime, &c.allAdjR2,
                                 &c.meanAdjDprime, &c.meanAdjR2, &c.flankDprime, &c.flankR2})
        list->count = 0;
}

// The mean of the entries of `list` from `from` on; 0.0 when there are none.
double mean_from(TSumStat::List const& list, int from)
{
    if (list.count <= from)
        return 0.0;
    double sum = 0.0;
    for (int k = from; k < list.count; ++k)
        sum += list[k];
    return sum / (list.count - from);
}

}  // namespace

std::vector<int> PopGenetics::polymorphic_loci() const
{
    std::vector<int> loci;
    const int L = num_loci_of_first_haplotype();
    for (int l = 0; l < L; ++l)
        if (is_locus_polymorphic(l))
            loci.push_back(l);
    return loci;
}

void PopGenetics::write_ld_batch_prefix(std::ostream& out, int first, int second) const
{
    out << '"' << settings::input_file << "\"\t\"" << name << "\"\t" << first << '\t' << second
        << '\t';
}

void PopGenetics::calc_all_gam_des(std::fstream& out, int steps, settings& s)
{
    if (haplotypes.count == 0) {
        E.error(ERROR, WHERE, 108);
        return;
    }
    std::vector<int> loci;
    try {
        loci = polymorphic_loci();
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, WHERE, 0);
        return;
    }
    const int m = static_cast<int>(loci.size());
    TriMat p_values(m);
    if (m < 2) {
        E.error(WARNING, WHERE, 167);
        return;
    }
    // A negative chain length would size the chain's sub-samples from its
    // square root: refused here as well as by the run checks.
    if (steps < 0) {
        E.error(WARNING, WHERE, 55);
        if (E.log_open)
            *_ZOS_ << "\t\tMarkovChainStepsLD=" << steps << " is negative: no exact test"
                   << std::endl;
        steps = 0;
    }
    if (s.MakeExactTestLD && steps != 0) {
        ld_exact_test_all_pairs(out, steps, s, loci, p_values);
        if (s.PrintFlagHistogramLD != 3)
            s.PrintFlagHistogramLD = 2;
        s.print_diseq_table(p_values, m, loci.data());
        print_ld_histo(m, loci.data(), p_values, s, out);
    }
    ld_coefficients_all_pairs(out, s, loci);
}

void PopGenetics::ld_exact_test_all_pairs(std::fstream& out, int steps, settings& s,
                                          std::vector<int> const& loci, TriMat& p_values)
{
    out << "Test of linkage disequilibrium for all pairs of loci:\n" << std::string(53, '-')
        << "\n\n\n"
        << "Exact test using a Markov chain :"
        << "\nChain length     :" << steps
        << "\nDememorization   :" << s.MarkovChainDememorisationStepsLD
        << "\nNote: The test is only performed for polymorphic pairs of loci"
        << "\n\n";
    empty_linkage_lists(SumStat);

    const int m = static_cast<int>(loci.size());
    for (int i = 1; i < m; ++i)
        for (int j = 0; j < i; ++j)
            p_values(i, j) = kNotTested;
    const double precision = s.PrecisionOnPValueLD;
    const bool batch = _LINKAGE_DISEQUILIBRIUM_ && ofs_link_dis_pro;
    for (int i = 1; i < m && !s.stop_requested; ++i) {
        for (int j = 0; j < i && !s.stop_requested; ++j) {
            int dims[3] = {2, loci[j], loci[i]};
            int done = 0;
            s.ld_pvalue = kNotTested;
            ld_pair_chain(dims, steps, s, done);
            out << "Pair (" << loci[j] << ", " << loci[i] << ")";
            if (s.ld_pvalue < 0.0) {
                out << " not tested\n";
            } else {
                p_values(i, j) = s.ld_pvalue;
                out << " Exact P=" << s.ld_pvalue << "  +-  " << s.PrecisionOnPValueLD << " ("
                    << done << " Steps done)\n";
                if (batch) {
                    write_ld_batch_prefix(*ofs_link_dis_pro, loci[j], loci[i]);
                    *ofs_link_dis_pro << done << '\t' << s.ld_pvalue << '\t'
                                      << s.PrecisionOnPValueLD << "\n";
                }
            }
            s.PrecisionOnPValueLD = precision;
        }
    }
}

// The collector's means: over the pairs of this sample that gave a value,
// and for the adjacent loci over this sample's entries of their lists.
void PopGenetics::ld_coefficients_all_pairs(std::fstream& out, settings& s,
                                            std::vector<int> const& loci)
{
    TSumStat& c = SumStat;
    const int adjacent_dprime_from = c.allAdjDprime.count;
    const int adjacent_r2_from = c.allAdjR2.count;
    LinkageSums sums;
    const int m = static_cast<int>(loci.size());
    for (int i = 1; i < m && !s.stop_requested; ++i) {
        for (int j = 0; j < i && !s.stop_requested; ++j) {
            int dims[3] = {2, loci[j], loci[i]};
            out << "\n--------------------\n"
                << "Loci " << loci[j] << " and " << loci[i] << "\n"
                << "--------------------\n";
            calc_d_sd_values(dims, s, sums, loci.front(), loci.back());
        }
    }
    if (c.MEAN_ADJ_DPRIME)
        c.meanAdjDprime.Add(mean_from(c.allAdjDprime, adjacent_dprime_from));
    if (c.MEAN_ADJ_R2)
        c.meanAdjR2.Add(mean_from(c.allAdjR2, adjacent_r2_from));
    if (c.MEAN_ALL_DPRIME && sums.dprime_pairs > 0)
        c.meanAllDprime.Add(sums.dprime / sums.dprime_pairs);
    if (c.MEAN_ALL_R2 && sums.r2_pairs > 0)
        c.meanAllR2.Add(sums.r2 / sums.r2_pairs);
}
