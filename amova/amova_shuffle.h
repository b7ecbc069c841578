// The uniform shuffle behind every permutation scheme of the AMOVA and of
// the pairwise comparisons: a partial Fisher-Yates pass on the ran3 stream.
#ifndef DROV_AMOVA_AMOVA_SHUFFLE_H
#define DROV_AMOVA_AMOVA_SHUFFLE_H

#include <algorithm>
#include <cmath>
#include <utility>

#include "core/random.h"

// The shuffle of the units s .. e-1: from the last down to f, each unit i
// takes a unit drawn uniformly among s .. i; exchange(i, j) swaps units i
// and j.
template <class Exchange>
void shuffle_block(int s, int f, int e, Exchange exchange)
{
    if (e <= f)
        return;
    long seed = 1;  // continues the project's stream: ran3 reseeds only for a negative seed
    for (int i = e - 1; i >= f; --i) {
        double u = ran3(&seed);
        int j = s + static_cast<int>(std::floor((i - s + 1) * u));
        exchange(i, std::min(j, i));
    }
}

// Exchanges of gene copies, and of individuals (consecutive pairs of copies).
struct CopyExchange {
    int* v;
    void operator()(int i, int j) const { std::swap(v[i], v[j]); }
};

struct IndividualExchange {
    int* v;
    void operator()(int i, int j) const
    {
        std::swap(v[2 * i], v[2 * j]);
        std::swap(v[2 * i + 1], v[2 * j + 1]);
    }
};

#endif
