// The objects an Amova reads, held together by the data sets of the AMOVA
// and pairwise benchmarks.
#ifndef DROV_BENCH_AMOVA_INPUTS_H
#define DROV_BENCH_AMOVA_INPUTS_H

#include <algorithm>
#include <string>
#include <vector>

#include "amova/amova_results.h"
#include "app/settings.h"
#include "comparisons/mantel.h"
#include "model/allele_db.h"
#include "model/dist_mat.h"
#include "model/haplo_db.h"
#include "project/samples.h"
#include "project/structure.h"

struct AmovaInputs {
    settings s;
    Samples samples;
    Structure structure;
    DistMat distances;
    Haplo_DB haplotypes;
    TAlleleDB alleles;
    Mantel mantel;
    amova_results record;

    // h haplotypes "h0" .. "h<h-1>", each the row of its number in a distance
    // matrix of zeros that the caller fills.
    void make_haplotypes(int h)
    {
        distances.initializeMatrixAndArrays(h);
        for (int i = 0; i < h; ++i) {
            HaploDef* def = new HaploDef(my_string(("h" + std::to_string(i)).c_str()));
            def->matrix_index = i;
            haplotypes.list.Add(def);
        }
    }

    // Sample p of the samples' list goes to group groups[p].
    void group(std::vector<int> const& groups)
    {
        int count = 0;
        for (int g : groups)
            count = std::max(count, g + 1);
        structure.NbGroups = count;
        structure.GroupSizes = new int[count]();
        structure.Groups = new MY_TIArrayAsVector<Population>[count];
        for (std::size_t p = 0; p < groups.size(); ++p) {
            int g = groups[p];
            structure.Groups[g].owns = 0;
            structure.Groups[g].Add(samples.Populations.data[p]);
            structure.GroupSizes[g] += 1;
            structure.NbMembers += 1;
        }
    }
};

#endif
