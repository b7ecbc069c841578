// AMOVA of one group of populations (Excoffier, Smouse and Quattro 1992):
// gene copies nested in populations. With n_i gene copies in population i,
// N in all, D_i and D_ij the pair sums of squared distances within i and
// between i and j:
//   SSD(total) = (sum D_i + sum D_ij) / N,   SSD(within) = sum D_i / n_i,
//   n = (N - sum n_i^2 / N) / (P - 1),
//   Vb = MS(within),   Va = (MS(among) - MS(within)) / n,   FST = Va / (Va + Vb).
// The population-specific FST compares the within sum of one population
// with the pooled one. Va is tested by permuting gene copies among the
// populations; SSD(total) does not change under the permutation, so each
// permutation needs the within sums only.

#include <algorithm>
#include <vector>

#include "amova/amova.h"
#include "amova/amova_tests.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "model/dist_mat.h"
#include "model/population.h"
#include "project/structure.h"

int Amova::AMOVA_1G_P_H()
{
    return one_group_design("Amova::AMOVA_1G_P_H()", &Amova::PHAPWG);
}

int Amova::one_group_design(const char* reporter, void (Amova::*scheme)())
{
    settings& s = runSettings;
    const int P = static_cast<int>(popTable.size());
    const double N = totalGeneCopies;
    dfA = P - structure->NbGroups;
    dfB = static_cast<int>(N) - P;
    if (dfA <= 0 || dfB <= 0) {
        E.error(ERROR, reporter, 2);
        return 0;
    }

    compute_SSDP();
    compute_total_SSD();
    compute_SSDG_SSDAG();  // the one group holds every gene copy: ssdAG is 0
    compute_SSDWP();
    compute_SSDAP();
    double Q = 0;
    for (Population const* p : popTable)
        Q += p->SampleSize * p->SampleSize;
    ssdTotal = ssdAP + ssdWP;
    msA = ssdAP / dfA;
    msB = ssdWP / dfB;
    const double n = (N - Q / N) / dfA;
    nCoef1 = n;
    Vb = msB;
    Va = (msA - msB) / n;
    totalVariance = Va + Vb;

    zeroTotalVariance = totalVariance == 0;
    if (zeroTotalVariance) {
        totalVariance = 1e-18;
        FST = 0;
        std::fill(popFST.begin(), popFST.end(), 0.0);
    } else {
        FST = Va / totalVariance;
        if (s.PopSpecificFST)
            for (int i = 0; i < P; ++i) {
                Population const* p = popTable[i];
                popFST[i] = (msA - N * p->ssdWithin / (dfB * p->SampleSize)) / n / totalVariance;
            }
    }

    if (printFlag && s.results_stream) {
        std::ostream& out = *s.results_stream;
        print_section_head(out);
        print_row(out, " Among\n populations", 7, dfA, ssdAP, Va, "Va", "\n\n");
        print_row(out, " Within\n populations", 7, dfB, ssdWP, Vb, "Vb", "\n");
        print_total_rows(out);
        print_index_line(out, " Fixation Index      FST : ", FST);
        print_section_end(out);
        store_global_fstat();
        const int df[4] = {dfA, dfB, 0, 0};
        const double v[4] = {Va, Vb, 0, 0};
        const double index[4] = {FST, 0, 0, 0};
        write_batch_fields(df, v, index);
        if (s.PopSpecificFST)
            print_pop_fst_table(out);
    }
    record_design_results(static_cast<int>(N - 1), popFST.data(), nullptr);

    if (numPermutations <= 0)
        return 1;
    AmovaPermutationTests tests(*this, reporter, 3.0f);
    if (!tests.set_up(1, N))
        return 0;
    const AmovaPermutationTests::Test va = {0, Va, false,
                                            "Va and FST : P(rand. value > obs. value)  = ",
                                            &results->p_fst};
    bool done = tests.run(va, [this, n, scheme]() {
        (this->*scheme)();
        const double W = permuted_within_sum();
        return (ssdTotal - W) / (dfA * n) - W / (dfB * n);
    });
    if (!done)
        return 0;
    tests.end_batch_line(results->p_fst, 0, 0, 0);
    tests.histogram();
    return 1;
}
