// AMOVA of one population of diploid individuals (Excoffier, Smouse and
// Quattro 1992; Weir 1996): gene copies within individuals. With I
// individuals:
//   SSD(among individuals) = SSD(within pop) - SSD(within individuals),
//   Vb = MS(within individuals),  Va = (MS(among individuals) - Vb) / 2,
//   FIS = Va / (Va + Vb).
// Va and FIS are tested by re-pairing the gene copies of the population into
// individuals at random.

#include <algorithm>
#include <cmath>

#include "amova/amova.h"
#include "amova/amova_tests.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "model/dist_mat.h"
#include "model/population.h"

int Amova::AMOVA_1G_1P_I()
{
    const char* const reporter = "Amova::AMOVA_1G_1P_I()";
    settings& s = runSettings;
    const int P = static_cast<int>(popTable.size());
    const int I = static_cast<int>(numUnits);
    dfB = I;
    dfA = I - 1;
    if (P < 1 || dfA <= 0) {
        E.error(ERROR, reporter, 2);
        return 0;
    }
    Population& pop = *popTable[0];

    load_HaplotypeIndexVector();
    compute_SSDWI();
    const double W = *pop.SSDWP_div_freq(*distMat, &squareDist);
    ssdWP = W - ssdWI;
    ssdTotal = ssdWP + ssdWI;
    msA = ssdWP / dfA;
    msB = ssdWI / dfB;
    Vb = msB;
    Va = (msA - msB) * 0.5;
    totalVariance = Va + Vb;
    zeroTotalVariance = totalVariance == 0;
    if (zeroTotalVariance)
        totalVariance = 1e-18;
    const double within = Va + Vb;
    FIS = within == 0 || std::isnan(within) ? 0.0 : Va / within;
    compute_population_FIS();

    if (printFlag && s.results_stream) {
        std::ostream& out = *s.results_stream;
        print_section_head(out);
        print_row(out, " Among\n individuals", 7, dfA, ssdWP, Va, "Va", "\n");
        print_row(out, " Within\n individuals", 7, dfB, ssdWI, Vb, "Vb", "\n");
        print_total_rows(out);
        print_index_line(out, " Fixation Index     FIS : ", FIS);
        print_section_end(out);
        store_global_fstat();
        const int df[4] = {dfA, dfB, 0, 0};
        const double v[4] = {Va, Vb, 0, 0};
        const double index[4] = {FIS, 0, 0, 0};
        write_batch_fields(df, v, index);
        if (numPermutations <= 0 && s.PopSpecificFIS)
            print_pop_fis_table(out, 0);
    }
    record_design_results(static_cast<int>(2 * numUnits - 1), nullptr, popFIS.data());

    if (numPermutations <= 0)
        return 1;
    AmovaPermutationTests tests(*this, reporter, 3.0f);
    if (!tests.set_up(1, numUnits))
        return 0;
    std::fill(popFISPValue.begin(), popFISPValue.end(), 0.0);
    const AmovaPermutationTests::Test va = {
        0, Va, false, "Va and FIS : P(rand. value > obs. value)  = ", &results->p_fis};
    bool done = tests.run(va, [&]() {
        repair_individuals_within_populations();
        ssdWP = W - ssdWI;
        return (ssdWP / dfA - ssdWI / dfB) * 0.5;
    });
    if (!done)
        return 0;
    tests.end_batch_line(results->p_fis, 0, 0, 0);
    tests.histogram();
    finish_population_FIS_tests(tests.permutations());
    return 1;
}
