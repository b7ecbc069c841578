// AMOVA of groups of populations with the individual level (Excoffier,
// Smouse and Quattro 1992; Weir 1996): gene copies within individuals,
// individuals within populations, populations within groups. With the group
// sums of the groups design and SSD(within individuals):
//   SSD(among individuals) = SSD(within pops) - SSD(within individuals),
//   Vd = MS(within individuals),  Vc = (MS(among individuals) - Vd) / 2,
//   Vb = (MS(among pops) - MS(among individuals)) / n,
//   Va = (MS(among groups) - MS(among individuals) - n' Vb) / n'',
//   FIS = Vc / (Vc + Vd),  FSC = Vb / (Vb + Vc + Vd),  FCT = Va / total,
//   FIT = (Va + Vb + Vc) / total,
// n, n' and n'' as in the groups design. Tests: Vd by permuting gene copies
// across all populations, Vc by re-pairing the gene copies of each
// population into individuals, Vb by moving whole individuals among the
// populations of their group, Va by moving whole populations among groups.

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

int Amova::AMOVA_G_P_I()
{
    const char* const reporter = "Amova::AMOVA_G_P_I()";
    settings& s = runSettings;
    const int P = static_cast<int>(popTable.size());
    const int G = structure->NbGroups;
    const double N = totalGeneCopies;
    const int I = static_cast<int>(numUnits);
    dfD = I;
    dfC = I - P;
    dfB = P - G;
    dfA = G - 1;
    if (dfA <= 0 || dfB <= 0 || dfC <= 0 || dfD <= 0) {
        E.error(ERROR, reporter, 2);
        return 0;
    }

    compute_SSDP();
    compute_total_SSD();
    load_HaplotypeIndexVector();
    compute_SSDWI();
    compute_SSDG_SSDAG();
    compute_SSDWP();
    compute_SSDAP();
    const double SSD_G = within_groups_SSD();
    const double SSD_W = ssdWP;
    ssdWP -= ssdWI;  // with individuals: among individuals within populations
    double Q = 0, T = 0, R = 0;
    partition_sizes(Q, T);
    for (Population const* p : popTable)
        R += p->SampleSize * p->SampleSize;
    ssdTotal = ssdAG + ssdAP + ssdWP + ssdWI;
    msA = ssdAG / dfA;
    msB = ssdAP / dfB;
    msC = ssdWP / dfC;
    msD = ssdWI / dfD;
    const double n = (N - Q) / dfB;
    nCoef1 = n;
    nCoef2 = (Q - R / N) / dfA;
    nCoef3 = (N - T / N) / dfA;
    Vd = msD;
    Vc = (msC - msD) * 0.5;
    Vb = (msB - msC) / n;
    Va = ((msA - msC) - nCoef2 * Vb) / nCoef3;
    totalVariance = Va + Vb + Vc + Vd;
    zeroTotalVariance = totalVariance == 0;
    if (zeroTotalVariance) {
        totalVariance = 1e-18;
        FCT = FSC = FIT = 0;
    } else {
        FIT = (Va + Vb + Vc) / totalVariance;
        FCT = Va / totalVariance;
        const double below_groups = Vb + Vc + Vd;
        FSC = below_groups == 0 || std::isnan(below_groups) ? 0.0 : Vb / below_groups;
    }
    const double within = Vd + Vc;
    FIS = within == 0 || std::isnan(within) ? 0.0 : Vc / within;
    compute_population_FIS();

    if (printFlag && s.results_stream) {
        std::ostream& out = *s.results_stream;
        print_section_head(out);
        print_row(out, " Among\n groups", 12, dfA, ssdAG, Va, "Va", "\n\n");
        print_row(out, " Among\n populations\n within\n groups", 12, dfB, ssdAP, Vb, "Vb", "\n\n");
        print_row(out, " Among\n individuals\n within\n populations", 7, dfC, ssdWP, Vc, "Vc", "");
        print_row(out, "\n Within\n individuals", 7, dfD, ssdWI, Vd, "Vd", "\n");
        print_total_rows(out);
        out << " Fixation Indices\n";
        print_index_line(out, "      FIS : ", FIS);
        print_index_line(out, "      FSC : ", FSC);
        print_index_line(out, "      FCT : ", FCT);
        print_index_line(out, "      FIT : ", FIT);
        print_section_end(out);
        store_global_fstat();
        const int df[4] = {dfA, dfB, dfC, dfD};
        const double v[4] = {Va, Vb, Vc, Vd};
        const double index[4] = {FIT, FCT, FSC, FIS};
        write_batch_fields(df, v, index);
        if (numPermutations <= 0 && s.PopSpecificFIS)
            print_pop_fis_table(out, 0);
    }
    record_design_results(static_cast<int>(N - 1), nullptr, popFIS.data());

    if (numPermutations <= 0)
        return 1;
    AmovaPermutationTests tests(*this, reporter, 1.0f);
    if (!tests.set_up(0xF, numUnits))
        return 0;
    const double observedSSDWI = ssdWI;

    // Test 1: gene copies across all populations; only the pairing into
    // individuals matters, so the populations' counts are not rebuilt.
    const size_t copies = N > 0 ? static_cast<size_t>(N) : 0;
    const AmovaPermutationTests::Test vd = {
        3, Vd, true, "Vd and FIT : P(rand. value &lt; obs. value)  = ", &results->p_fit};
    bool done = tests.run(vd, [&]() {
        PHAPAG();
        double Xd = 0;
        for (size_t k = 0; k + 1 < copies; k += 2)
            Xd += (*distMat)(haploIndexVector[k], haploIndexVector[k + 1]);
        return 0.5 * Xd / dfD;
    });
    if (!done)
        return 0;

    // Test 2: gene copies re-paired within each population; each
    // population's FIS is counted against its observed value too. The
    // within-population sum does not change with the pairing.
    *_ZOS_ << "\t\tPermuting Haplotypes among Individuals Within Populations. ... \n";
    std::fill(popFISPValue.begin(), popFISPValue.end(), 0.0);
    load_HaplotypeIndexVector();
    const double withinSum = permuted_within_sum();
    const AmovaPermutationTests::Test vc = {
        2, Vc, false, "Vc and FIS : P(rand. value > obs. value)  = ", &results->p_fis};
    done = tests.run(vc, [&]() {
        repair_individuals_within_populations();
        return (withinSum - ssdWI) / (2 * dfC) - ssdWI / (2 * dfD);
    });
    if (!done)
        return 0;

    // Test 3: whole individuals among the populations of their group.
    load_HaplotypeIndexVector();
    const AmovaPermutationTests::Test vb = {
        1, Vb, false, "Vb and FSC : P(rand. value > obs. value)  = ", &results->p_fsc};
    done = tests.run(vb, [&]() {
        PIAPWG();
        const double Wp = permuted_within_sum();
        return (SSD_G - Wp) / (dfB * n) - (Wp - observedSSDWI) / (dfC * n);
    });
    if (!done)
        return 0;

    // Test 4: whole populations among groups.
    load_HaplotypeIndexVector();
    compute_SSDP();
    const AmovaPermutationTests::Test va = {
        0, Va, false, "Va and FCT : P(rand. value > obs. value)  = ", &results->p_fct};
    // Each partition drawn gets its group sums; they end as those of the
    // last one, as popTable does.
    done = tests.run(va, [&]() {
        PPAG();
        distribute_populations();
        compute_SSDG_SSDAG();
        double SSD_g = within_groups_SSD();
        double q = 0, t = 0;
        partition_sizes(q, t);
        double n1 = (N - q) / dfB;
        double n2 = (q - R / N) / dfA;
        double n3 = (N - t / N) / dfA;
        double SSD_a = ssdAG;
        double SSD_b = SSD_g - SSD_W;
        return ((SSD_a / dfA - msC) - n2 * (SSD_b / dfB - msC) / n1) / n3;
    }, true);
    if (!done)
        return 0;
    tests.end_batch_line(results->p_fct, results->p_fsc, results->p_fis, results->p_fit);
    tests.histogram();
    finish_population_FIS_tests(tests.permutations());
    return 1;
}
