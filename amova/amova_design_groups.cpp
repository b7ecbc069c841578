// AMOVA of groups of populations (Excoffier, Smouse and Quattro 1992): gene
// copies nested in populations, populations in groups. With S_g the pair sum
// of squared distances over all gene copies of group g (n_g copies), D_pp
// that of population p (n_p copies) and N copies in all:
//   SSD(among groups) = SSD(total) - sum S_g / n_g,
//   SSD(among pops within groups) = sum S_g / n_g - sum D_pp / n_p,
//   SSD(within pops) = sum D_pp / n_p,
// and, with Q = sum_g (sum_{p in g} n_p^2) / n_g, R = sum n_p^2, T = sum n_g^2,
//   n = (N - Q) / (P - G),  n' = (Q - R / N) / (G - 1),  n'' = (N - T / N) / (G - 1),
//   Vc = MS(within),  Vb = (MS(among pops) - Vc) / n,
//   Va = (MS(among groups) - Vc - n' Vb) / n'',
//   FSC = Vb / (Vb + Vc),  FST = (Va + Vb) / total,  FCT = Va / total.
// Tests: Vc by permuting gene copies across all populations, Vb by permuting
// them within groups, Va by permuting whole populations among groups (the
// stored population pair sums are recombined for each partition).

#include <algorithm>
#include <cmath>

#include "amova/amova.h"
#include "amova/amova_tests.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "model/dist_mat.h"
#include "model/population.h"
#include "project/structure.h"

int Amova::AMOVA_G_P_H()
{
    return groups_design("Amova::AMOVA_G_P_H()", &Amova::PHAPAG, &Amova::PHAPWG, false);
}

int Amova::groups_design(const char* reporter, void (Amova::*schemeAcross)(),
                         void (Amova::*schemeWithin)(), bool fstFirst)
{
    settings& s = runSettings;
    const int P = static_cast<int>(popTable.size());
    const int G = structure->NbGroups;
    const double N = totalGeneCopies;
    dfA = G - 1;
    dfB = P - G;
    dfC = static_cast<int>(N) - P;
    if (dfA <= 0 || dfB <= 0 || dfC <= 0) {
        E.error(ERROR, reporter, 2);
        return 0;
    }

    compute_SSDP();
    compute_total_SSD();
    compute_SSDG_SSDAG();
    compute_SSDWP();
    compute_SSDAP();
    const double SSD_G = within_groups_SSD();
    double Q = 0, T = 0, R = 0;
    partition_sizes(Q, T);
    for (Population const* p : popTable)
        R += p->SampleSize * p->SampleSize;
    ssdTotal = ssdAG + ssdAP + ssdWP;
    msA = ssdAG / dfA;
    msB = ssdAP / dfB;
    msC = ssdWP / dfC;
    const double n = (N - Q) / dfB;
    nCoef1 = n;
    nCoef2 = (Q - R / N) / dfA;
    nCoef3 = (N - T / N) / dfA;
    Vc = msC;
    Vb = (msB - msC) / n;
    Va = (msA - msC - nCoef2 * Vb) / nCoef3;
    totalVariance = Va + Vb + Vc;

    zeroTotalVariance = totalVariance == 0 || std::isnan(totalVariance);
    if (zeroTotalVariance) {
        totalVariance = 1e-18;
        FST = FCT = 0;
    } else {
        FST = (Va + Vb) / totalVariance;
        FCT = Va / totalVariance;
    }
    const double within = Vb + Vc;
    FSC = within == 0 || std::isnan(within) ? 0.0 : Vb / within;

    if (printFlag && s.results_stream) {
        std::ostream& out = *s.results_stream;
        print_section_head(out);
        print_row(out, " Among\n groups", 12, dfA, ssdAG, Va, "Va", "\n\n");
        print_row(out, " Among\n populations\n within\n groups", 12, dfB, ssdAP, Vb, "Vb", "\n\n");
        print_row(out, " Within\n populations", 7, dfC, ssdWP, Vc, "Vc", "\n");
        print_total_rows(out);
        out << " Fixation Indices\n";
        if (fstFirst) {
            print_index_line(out, "      FST : ", FST);
            print_index_line(out, "      FSC : ", FSC);
        } else {
            print_index_line(out, "      FSC : ", FSC);
            print_index_line(out, "      FST : ", FST);
        }
        print_index_line(out, "      FCT : ", FCT);
        print_section_end(out);
        store_global_fstat();
        const int df[4] = {dfA, dfB, dfC, 0};
        const double v[4] = {Va, Vb, Vc, 0};
        const double index[4] = {FCT, FSC, FST, 0};
        write_batch_fields(df, v, index);
    }
    record_design_results(static_cast<int>(N - 1), nullptr, nullptr);

    if (numPermutations <= 0)
        return 1;
    AmovaPermutationTests tests(*this, reporter, 1.0f);
    if (!tests.set_up(0x7, N))
        return 0;
    auto within_sum = [this]() { return permuted_within_sum(); };
    const AmovaPermutationTests::Test vc = {
        2, Vc, true, "Vc and FST : P(rand. value &lt; obs. value)  = ", &results->p_fst};
    if (!tests.run(vc, [&]() {
            (this->*schemeAcross)();
            return within_sum() / dfC;
        }))
        return 0;

    load_HaplotypeIndexVector();
    const AmovaPermutationTests::Test vb = {
        1, Vb, false, "Vb and FSC : P(rand. value > obs. value)  = ", &results->p_fsc};
    if (!tests.run(vb, [&]() {
            (this->*schemeWithin)();
            double W = within_sum();
            return ((SSD_G - W) / dfB - W / dfC) / n;
        }))
        return 0;

    load_HaplotypeIndexVector();
    const AmovaPermutationTests::Test va = {
        0, Va, false, "Va and FCT : P(rand. value > obs. value)  = ", &results->p_fct};
    // Each partition drawn gets its group sums; they end as those of the
    // last one, as popTable does.
    auto among_groups = [&]() {
        PPAG();
        distribute_populations();
        compute_SSDG_SSDAG();
        double SSD_g = within_groups_SSD();
        double q = 0, t = 0;
        partition_sizes(q, t);
        double n1 = (N - q) / dfB;
        double n2 = (q - R / N) / dfA;
        double n3 = (N - t / N) / dfA;
        return ((ssdTotal - SSD_g) / dfA - msC - n2 * ((SSD_g - ssdWP) / dfB - msC) / n1) / n3;
    };
    if (!tests.run(va, among_groups, true))
        return 0;

    tests.end_batch_line(results->p_fct, results->p_fsc, results->p_fst, 0);
    tests.histogram();
    return 1;
}
