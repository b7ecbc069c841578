// Flat cell indices of multidimensional site frequency spectra, and the site
// draws of their bootstrap replicates.

#include "summary/sfs_coord.h"

#include "core/random.h"
#include "project/samples.h"

namespace {

double size_of(Samples* samples, int p)
{
    return samples->Populations.data[p]->SampleSize;
}

void reset(TSFSCoord& c, Samples* samples)
{
    c.ndim = samples ? samples->Populations.count : 0;
    c.coord.Reallocate(c.ndim);
    c.mult.Reallocate(c.ndim);
}

}  // namespace

void TSFSCoord::init(Samples* samples)
{
    reset(*this, samples);
    if (ndim < 1)
        return;
    mult[0] = 1;
    for (int p = 0; p + 1 < ndim; ++p)
        mult[p + 1] = static_cast<int>(mult[p] * (size_of(samples, p) + 1.0));
}

void TSFSCoord::initRowMajor(Samples* samples)
{
    reset(*this, samples);
    if (ndim < 1)
        return;
    mult[ndim - 1] = 1;
    for (int p = ndim - 1; p >= 1; --p)
        mult[p - 1] = static_cast<int>(mult[p] * (size_of(samples, p) + 1.0));
}

int TSFSCoord::index() const
{
    int flat = 0;
    for (int p = 0; p < ndim; ++p)
        flat += coord[p] * mult[p];
    return flat;
}

void incMultiSFS(double* sfs, TSFSCoord& c)
{
    sfs[c.index()] += 1.0;
}

void incOneHalfMultiSFS(double* sfs, TSFSCoord& c)
{
    sfs[c.index()] += 0.5;
}

void bootstrapLoci(int* idx, int n)
{
    bootstrap_index(idx, n);
}
