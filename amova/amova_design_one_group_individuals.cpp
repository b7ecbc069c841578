// AMOVA of one group of populations with the individual level (Excoffier,
// Smouse and Quattro 1992; Weir 1996): gene copies within individuals,
// individuals within populations. With I individuals, P populations and N
// gene copies:
//   SSD(among pops) = SSD(total) - SSD(within pops),
//   SSD(among individuals) = SSD(within pops) - SSD(within individuals),
//   Vc = MS(within individuals),  Vb = (MS(among individuals) - Vc) / 2,
//   Va = (MS(among pops) - MS(among individuals)) / n,  n = (N - sum n_p^2 / N) / (P - 1),
//   FIS = Vb / (Vb + Vc),  FST = Va / total,  FIT = (Va + Vb) / total.
// Tests: Vb by exchanging gene copies among the individuals of each
// population, Va by exchanging whole individuals among populations, Vc by
// exchanging gene copies among all populations (which breaks individuals).
// The batch line ends after the second test, with its two P-values.

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

double Amova::population_FIS(Population const& p)
{
    double individuals = p.SampleSize * 0.5;
    double sc = p.ssdWithinIndiv / individuals;
    double sb = individuals > 1
                    ? ((p.ssdWithin - p.ssdWithinIndiv) / (individuals - 1) - sc) * 0.5
                    : 0.0;
    return sb + sc != 0 ? sb / (sb + sc) : not_available_FIS;
}

void Amova::repair_individuals_within_populations()
{
    PHAIWP();
    compute_SSDWI();
    if (runSettings.PopSpecificFIS)
        for (size_t i = 0; i < popTable.size(); ++i) {
            double fis = population_FIS(*popTable[i]);
            if (fis != not_available_FIS && fis >= popFIS[i])
                popFISPValue[i] += 1;
        }
}

void Amova::finish_population_FIS_tests(int permutations)
{
    if (!runSettings.PopSpecificFIS)
        return;
    for (double& p : popFISPValue)
        p /= permutations;
    if (printFlag && runSettings.results_stream)
        print_pop_fis_table(*runSettings.results_stream, permutations);
}

int Amova::AMOVA_1G_P_I()
{
    const char* const reporter = "Amova::AMOVA_1G_P_I()";
    settings& s = runSettings;
    if (s.stop_requested)
        return 0;
    const int P = static_cast<int>(popTable.size());
    const double N = totalGeneCopies;
    const int I = static_cast<int>(numUnits);
    dfA = P - 1;
    dfB = I - P;
    dfC = I;
    if (dfA <= 0 || dfB <= 0 || dfC <= 0) {
        E.error(ERROR, reporter, 2);
        return 0;
    }

    load_HaplotypeIndexVector();
    compute_SSDWI();
    compute_SSDP();
    compute_total_SSD();
    compute_SSDG_SSDAG();  // the one group holds every gene copy: ssdAG is 0
    compute_SSDWP();
    compute_SSDAP();
    ssdWP -= ssdWI;  // with individuals: among individuals within populations
    double R = 0;
    for (Population const* p : popTable)
        R += p->SampleSize * p->SampleSize;
    ssdTotal = ssdAP + ssdWP + ssdWI;
    msA = ssdAP / dfA;
    msB = ssdWP / dfB;
    msC = ssdWI / dfC;
    const double n = (N - R / N) / dfA;
    nCoef1 = n;
    Vc = msC;
    Vb = (msB - msC) * 0.5;
    Va = (msA - msB) / n;
    totalVariance = Va + Vb + Vc;
    zeroTotalVariance = totalVariance == 0 || std::isnan(totalVariance);
    if (zeroTotalVariance) {
        totalVariance = 1e-18;
        FST = FIT = 0;
    } else {
        FST = Va / totalVariance;
        FIT = (Va + Vb) / totalVariance;
    }
    const double within = Vb + Vc;
    FIS = within == 0 || std::isnan(within) ? 0.0 : Vb / within;
    compute_population_FIS();

    if (printFlag && s.results_stream) {
        std::ostream& out = *s.results_stream;
        print_section_head(out);
        print_row(out, " Among\n populations", 7, dfA, ssdAP, Va, "Va", "\n\n");
        print_row(out, " Among\n individuals\n within\n populations", 7, dfB, ssdWP, Vb, "Vb",
                  "\n\n");
        print_row(out, " Within\n individuals", 7, dfC, ssdWI, Vc, "Vc", "\n");
        print_total_rows(out);
        out << " Fixation Indices\n";
        print_index_line(out, "      FIS : ", FIS);
        print_index_line(out, "      FST : ", FST);
        print_index_line(out, "      FIT : ", FIT);
        print_section_end(out);
        store_global_fstat();
        const int df[4] = {dfA, dfB, dfC, 0};
        const double v[4] = {Va, Vb, Vc, 0};
        const double index[4] = {FIT, FST, FIS, 0};
        write_batch_fields(df, v, index);
        if (numPermutations <= 0 && s.PopSpecificFIS)
            print_pop_fis_table(out, 0);
    }
    record_design_results(static_cast<int>(2 * numUnits - 1), nullptr, popFIS.data());

    if (numPermutations <= 0)
        return 1;
    AmovaPermutationTests tests(*this, reporter, 1.0f);
    if (!tests.set_up(0x7, numUnits, "AMOVA_1G_P_I()"))
        return 0;

    // Test 1: gene copies re-paired into individuals within each population;
    // each population's FIS is counted against its observed value too. The
    // within-population sum does not change with the pairing.
    load_HaplotypeIndexVector();
    const double observedSSDWI = ssdWI;
    const double withinSum = permuted_within_sum();
    std::fill(popFISPValue.begin(), popFISPValue.end(), 0.0);
    const AmovaPermutationTests::Test vb = {
        1, Vb, false, "Vb and FIS : P(rand. value > obs. value)  = ", &results->p_fis};
    bool done = tests.run(vb, [&]() {
        repair_individuals_within_populations();
        return (withinSum - ssdWI) / (2 * dfB) - ssdWI / (2 * dfC);
    });
    if (!done)
        return 0;

    // Test 2: whole individuals among populations. The pair sum over all
    // gene copies of the one group does not change when individuals move, so
    // the observed total SSD stands for it and no cross sum is recomputed.
    load_HaplotypeIndexVector();
    const double totalSSD = totalPairSSD / N;
    const AmovaPermutationTests::Test va = {
        0, Va, false, "Va and FST : P(rand. value > obs. value)  = ", &results->p_fst, true};
    done = tests.run(va, [&]() {
        PIAPWG();
        const double Wp = permuted_within_sum();
        return (totalSSD - Wp) / (dfA * n) - (Wp - observedSSDWI) / (dfB * n);
    });
    if (!done)
        return 0;
    tests.end_batch_line(results->p_fst, results->p_fis, 0, 0);

    // Test 3: gene copies among all populations; only the pairing into
    // individuals matters, so the populations' counts are not rebuilt.
    load_HaplotypeIndexVector();
    const AmovaPermutationTests::Test vc = {
        2, Vc, true, "Vc and FIT : P(rand. value &lt; obs. value)  = ", &results->p_fit};
    const size_t copies = N > 0 ? static_cast<size_t>(N) : 0;
    done = tests.run(vc, [&]() {
        PHAPWG();
        double Xc = 0;
        for (size_t k = 0; k + 1 < copies; k += 2)
            Xc += (*distMat)(haploIndexVector[k], haploIndexVector[k + 1]);
        return 0.5 * Xc / dfC;
    });
    if (!done)
        return 0;
    tests.histogram();

    finish_population_FIS_tests(tests.permutations());
    return 1;
}
