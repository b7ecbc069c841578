#ifndef DROV_CORE_CONTAINER_SUPPORT_H
#define DROV_CORE_CONTAINER_SUPPORT_H

// Code shared by the pointer arrays and the value arrays: allocation that
// reports failure instead of throwing, the out-of-memory exit, and the
// one-based heap sort both array kinds use.

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <new>
#include <utility>

namespace container_support {

// The containers cannot go on without their storage: say why and end the
// process with a failure status.
[[noreturn]] inline void out_of_memory()
{
    std::fputs("not enough memory\n", stderr);
    std::exit(1);
}

// n value-initialised elements (null pointers, zero numbers, default-built
// objects), or null when n is negative, does not fit an int count, or the
// memory is not there.
template <class T>
T* allocate(long long n)
{
    if (n < 0 || n > INT_MAX)
        return nullptr;
    try {
        return new (std::nothrow) T[static_cast<size_t>(n)]();
    } catch (const std::bad_alloc&) {  // thrown by an element's constructor
        return nullptr;
    }
}

// Heap sort of ra[1] .. ra[n] (a one-based view of the array). before(a, b)
// is true when a must come before b; the result runs from the element that
// sorts first to the one that sorts last. Not stable. Elements travel by
// (move) assignment.
template <class T, class Before>
void heapsort_one_based(int n, T* ra, Before before)
{
    if (n < 2)
        return;
    int l = n / 2 + 1;
    int ir = n;
    for (;;) {
        T t;
        if (l > 1) {
            --l;
            t = std::move(ra[l]);
        } else {
            t = std::move(ra[ir]);
            ra[ir] = std::move(ra[1]);
            if (--ir == 1) {
                ra[1] = std::move(t);
                return;
            }
        }
        int i = l;
        int j = l + l;
        while (j <= ir) {
            if (j < ir && before(ra[j], ra[j + 1]))
                ++j;
            if (!before(t, ra[j]))
                break;
            ra[i] = std::move(ra[j]);
            i = j;
            j += j;
        }
        ra[i] = std::move(t);
    }
}

} // namespace container_support

#endif
