// Cells of a multidimensional site frequency spectrum over K samples: a site
// with d_p derived (or minor) copies in sample p lands in the cell
// (d_0, ..., d_(K-1)) of an array of (n_0 + 1) x ... x (n_(K-1) + 1) cells,
// kept flat. TSFSCoord holds one cell's coordinates and the strides that
// turn them into the flat index; bootstrapLoci draws the sites of one
// bootstrap replicate.
#ifndef DROV_SUMMARY_SFS_COORD_H
#define DROV_SUMMARY_SFS_COORD_H

#include "core/value_array.h"

class Samples;

class TSFSCoord {
public:
    MY_TArrayAsVector<int> coord;  // d_p of the cell; written by the caller before each increment
    MY_TArrayAsVector<int> mult;   // stride of each sample's axis
    int ndim = 0;                  // number of samples

    // Strides from the samples' sizes n_p (SampleSize, truncated step by
    // step): init lets the first sample vary fastest, initRowMajor the last
    // (row-major order of the array of shape (n_0 + 1, ..., n_(K-1) + 1)).
    // Both leave the coordinates unset. Without samples ndim is 0 and every
    // index 0.
    void init(Samples* samples);
    void initRowMajor(Samples* samples);

    // Sum of coord[p] mult[p]; 0 when ndim <= 0.
    int index() const;
};

// Add 1 or 1/2 to the cell of `sfs` that the coordinates designate; the
// index is not checked.
void incMultiSFS(double* sfs, TSFSCoord& c);
void incOneHalfMultiSFS(double* sfs, TSFSCoord& c);

// idx[i] := (int)(u n) for i = 0 .. n-1, u a fresh draw of the one ran3
// stream each time (the stream is continued, never restarted): n site
// indices drawn with replacement. Nothing for n <= 0.
void bootstrapLoci(int* idx, int n);

#endif
