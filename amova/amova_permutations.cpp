// Permutation schemes of the AMOVA tests (Excoffier, Smouse and Quattro
// 1992): gene copies, individuals or populations exchanged at the level that
// a variance component's null hypothesis leaves exchangeable.
//
// Every scheme shuffles blocks of one vector with the Fisher-Yates shuffle
// (Durstenfeld 1964) drawn from the one ran3 stream: in a block from s to e
// (excluded) whose first sub-block ends at f, each position i from e-1 down
// to f is exchanged with a position drawn uniformly in s .. i, one draw per
// visited position. Starting at f rather than s + 1 keeps the draw count of
// the first sub-block's positions, which only move as partners; the
// permutation of the block is still uniform.

#include <algorithm>
#include <cmath>
#include <new>
#include <utility>

#include "amova/amova.h"
#include "amova/amova_shuffle.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/random.h"
#include "model/haplo_db.h"
#include "model/population.h"
#include "project/structure.h"

void Population::CreatePermutationVectors(int const& n)
{
    DeletePermutationVectors();
    int size = std::max(n, 0);
    try {
        permCounts = new double[size]();
        presentHaplos = new int[size]();
        numMatrixHaplos = size;
    } catch (std::bad_alloc const&) {
        DeletePermutationVectors();
        E.error(MEMORY, "Population::CreatePermutationVectors()", 0);
    }
}

// Only the counts set by the previous slice are cleared, so that the recount
// costs the sample's gene copies, not the size of the distance matrix.
void Population::SetUpVectorsAfterPermutation(int* ids)
{
    for (int k = 0; k < numPresentHaplos; ++k)
        permCounts[presentHaplos[k]] = 0;
    numPresentHaplos = 0;
    for (int i = 0; i < SampleSize; ++i) {
        int id = ids[i];
        if (id < 0 || id >= numMatrixHaplos) {
            settings const* s = profile.RunSettings;
            Haplo_DB const* list = s ? s->current_haplotype_list : nullptr;
            *_ZOS_ << "\nAbnormal behaviour for pop:" << name << "\nnb_gene_copies=" << SampleSize
                   << "\nHDB.Nb_haplo=" << (list ? list->list.count : 0) << "\ni=" << i
                   << " H_vect:" << id << "\n";
            E.error(MEMORY, "Population::SetUpVectorsAfterPermutation", 1);
            continue;
        }
        if (permCounts[id] == 0)
            presentHaplos[numPresentHaplos++] = id;
        permCounts[id] += 1;
    }
    std::sort(presentHaplos, presentHaplos + numPresentHaplos);
}

void Amova::PPAG()
{
    int first = structure->NbGroups > 0 ? structure->Groups[0].count : 0;
    shuffle_block(0, first, static_cast<int>(popTable.size()),
                  [this](int i, int j) { std::swap(popTable[i], popTable[j]); });
}

void Amova::PHAPAG()
{
    if (popTable.empty())
        return;
    shuffle_block(0, static_cast<int>(popTable[0]->SampleSize),
                  static_cast<int>(totalGeneCopies), CopyExchange{haploIndexVector.data()});
}

void Amova::PHAPWG()
{
    int s = 0;
    for (size_t g = 0; g < groupPops.size(); ++g) {
        int e = s + static_cast<int>(groupSizes[g]);
        if (!groupPops[g].empty())
            shuffle_block(s, static_cast<int>(s + groupPops[g][0]->SampleSize), e,
                          CopyExchange{haploIndexVector.data()});
        s = e;
    }
}

void Amova::PHAIWP()
{
    int s = 0;
    for (Population* p : popTable) {
        int e = s + static_cast<int>(p->SampleSize);
        shuffle_block(s, s + 2, e, CopyExchange{haploIndexVector.data()});
        s = e;
    }
}

void Amova::PIAPWG()
{
    int s = 0;
    for (size_t g = 0; g < groupPops.size(); ++g) {
        int e = s + static_cast<int>(groupSizes[g] * 0.5);
        if (!groupPops[g].empty())
            shuffle_block(s, static_cast<int>(s + groupPops[g][0]->SampleSize * 0.5), e,
                          IndividualExchange{haploIndexVector.data()});
        s = e;
    }
}

void Amova::PIAPAG()
{
    if (popTable.empty())
        return;
    shuffle_block(0, static_cast<int>(popTable[0]->SampleSize * 0.5),
                  static_cast<int>(totalGeneCopies * 0.5 - 1) + 1,
                  IndividualExchange{haploIndexVector.data()});
}
