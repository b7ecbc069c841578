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
#include "model/phenotype.h"
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
    SetUpVectorOfExistingHaplotypes(ids);
}

// One pass over the slice: a haplotype joins the list when its count leaves 0.
void Population::SetUpVectorOfExistingHaplotypes(int const* ids)
{
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
}

void Amova::PPAG()
{
    int first = structure->NbGroups > 0 ? structure->Groups[0].count : 0;
    shuffle_block(0, first, static_cast<int>(popTable.size()),
                  [this](int i, int j) { std::swap(popTable[i], popTable[j]); });
}

void Amova::permute_genes(int top, int start, int stop)
{
    shuffle_block(start, stop, top + 1, CopyExchange{haploIndexVector.data()});
}

void Amova::permute_indiv(int top, int start, int stop)
{
    shuffle_block(start, stop, top + 1, IndividualExchange{haploIndexVector.data()});
}

void Amova::permute_phenotypes(int top, int start, int stop)
{
    shuffle_block(start, stop, top + 1,
                  [this](int i, int j) { std::swap(phenIndexVector[i], phenIndexVector[j]); });
}

void Amova::PHAPAG()
{
    if (popTable.empty())
        return;
    permute_genes(static_cast<int>(totalGeneCopies) - 1, 0,
                  static_cast<int>(popTable[0]->SampleSize));
}

void Amova::PHAPWG()
{
    int s = 0;
    for (size_t g = 0; g < groupPops.size(); ++g) {
        int e = s + static_cast<int>(groupSizes[g]);
        if (!groupPops[g].empty())
            permute_genes(e - 1, s, static_cast<int>(s + groupPops[g][0]->SampleSize));
        s = e;
    }
}

void Amova::PHAIWP()
{
    int s = 0;
    for (Population* p : popTable) {
        int e = s + static_cast<int>(p->SampleSize);
        permute_genes(e - 1, s, s + 2);
        s = e;
    }
}

void Amova::permute_individuals_within_groups(void (Amova::*permute)(int, int, int))
{
    int s = 0;
    for (size_t g = 0; g < groupPops.size(); ++g) {
        int e = s + static_cast<int>(groupSizes[g] * 0.5);
        if (!groupPops[g].empty())
            (this->*permute)(e - 1, s, static_cast<int>(s + groupPops[g][0]->SampleSize * 0.5));
        s = e;
    }
}

void Amova::permute_individuals_across_groups(void (Amova::*permute)(int, int, int))
{
    if (popTable.empty())
        return;
    (this->*permute)(static_cast<int>(totalGeneCopies * 0.5 - 1), 0,
                     static_cast<int>(popTable[0]->SampleSize * 0.5));
}

void Amova::PIAPWG()
{
    permute_individuals_within_groups(&Amova::permute_indiv);
}

void Amova::PIAPAG()
{
    permute_individuals_across_groups(&Amova::permute_indiv);
}

void Amova::PPAPWG()
{
    permute_individuals_within_groups(&Amova::permute_phenotypes);
}

void Amova::PPAPAG()
{
    permute_individuals_across_groups(&Amova::permute_phenotypes);
}

void Amova::Load_Phen_Vector()
{
    phenIndexVector.clear();
    for (Population* p : popTable) {
        MY_TIArrayAsVector<TPhenotype>& individuals = p->individuals.phenotypes;
        double total = 0;
        for (int k = 0; k < individuals.count; ++k) {
            TPhenotype* t = individuals.data[k];
            for (int m = 0; m < t->count; ++m)
                phenIndexVector.push_back(t);
            total += static_cast<int>(t->count);
        }
        if (std::fabs(2 * total - p->SampleSize) > 0.5)
            *_ZOS_ << "     Amova::Load_Phen_Vector() Population size incompatibility during the load"
                   << "\n            : " << 2 * total << "  ;;;  " << p->SampleSize << "\n";
    }
}
