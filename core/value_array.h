#ifndef DROV_CORE_VALUE_ARRAY_H
#define DROV_CORE_VALUE_ARRAY_H

// Growable array of values: numbers, my_string texts, raw pointers and the
// small records of the Gibbs phase sampler. The array owns its elements.
// Element access is a bare indexed access for the inner loops of the
// statistics; it is checked against the capacity only by assertions in
// debug builds, and never changes the count.

#include <algorithm>
#include <cassert>
#include <climits>
#include <type_traits>
#include <utility>

#include "core/container_support.h"

// quickSortArray order: true when a sorts strictly before b (numbers ascend); element types overload it.
template <class T>
bool value_sorts_before(const T& a, const T& b)
{
    return a < b;
}

template <class T>
class MY_TArrayAsVector {
public:
    T* data;       // the elements; 0 .. count-1 are in use
    int capacity;  // number of elements allocated in data
    int count;     // number of elements in use
    int delta;     // elements added when Add finds the array full

    // 11 elements, growth step 10; the process ends when they cannot be had.
    MY_TArrayAsVector() : data(nullptr), capacity(0), count(0), delta(10)
    {
        data = container_support::allocate<T>(11);
        if (!data)
            container_support::out_of_memory();
        capacity = 11;
    }

    // u + 1 elements, growth step d. When they cannot be allocated the array
    // starts with none and grows on the first Add.
    MY_TArrayAsVector(long const& u, long const& d)
        : data(nullptr), capacity(0), count(0),
          delta(static_cast<int>(d))
    {
        long long n = std::max(static_cast<long long>(u) + 1, 0LL);
        data = container_support::allocate<T>(n);
        if (data)
            capacity = static_cast<int>(n);
    }

    // A copy would share the element array.
    MY_TArrayAsVector(const MY_TArrayAsVector&) = delete;
    MY_TArrayAsVector& operator=(const MY_TArrayAsVector&) = delete;

    ~MY_TArrayAsVector() { delete[] data; }

    T& operator[](long i)
    {
        assert(i >= 0 && i < capacity);
        return data[i];
    }

    const T& operator[](long i) const
    {
        assert(i >= 0 && i < capacity);
        return data[i];
    }

    // Appends a copy of v. A full array first grows by delta elements (by one
    // when delta is 0 or negative); the process ends when it cannot grow.
    void Add(T const& v)
    {
        if (count < capacity) {
            data[count++] = v;
            return;
        }
        T keep(v);  // v may be one of the elements about to move
        long long n = static_cast<long long>(count) + std::max(delta, 1);
        if constexpr (std::is_trivially_copyable_v<T>) {
            T* fresh = container_support::allocate<T>(n);
            if (!fresh)
                container_support::out_of_memory();
            std::copy(data, data + count, fresh);
            delete[] data;
            data = fresh;
            capacity = static_cast<int>(n);
        } else {
            if (n > INT_MAX || Resize(static_cast<long>(n)) == 0)
                container_support::out_of_memory();
        }
        data[count++] = std::move(keep);
    }

    // Moves the elements (in use or not) into n fresh ones and returns n;
    // count stays unless n is smaller. Returns 0 and changes nothing when the
    // elements cannot be allocated.
    long Resize(long const& n)
    {
        T* fresh = container_support::allocate<T>(n);
        if (!fresh)
            return 0;
        int keep = static_cast<int>(std::min<long>(capacity, n));
        std::move(data, data + keep, fresh);
        delete[] data;
        data = fresh;
        capacity = static_cast<int>(n);
        count = std::min(count, capacity);
        return n;
    }

    // Discards every element and makes n default ones with count 0; the
    // process ends when they cannot be had.
    void Reallocate(int const& n)
    {
        int size = std::max(n, 0);
        T* fresh = container_support::allocate<T>(size);
        if (!fresh)
            container_support::out_of_memory();
        delete[] data;
        data = fresh;
        capacity = size;
        count = 0;
    }

    // Sorts elements 0 .. count-1 by value_sorts_before. The first element
    // (the first of equals) goes to slot 0, then the one-based heap sort
    // orders slots 1 .. count-1. Not stable.
    void quickSortArray()
    {
        if (count < 2)
            return;
        int first = 0;
        for (int i = 1; i < count; ++i)
            if (value_sorts_before(data[i], data[first]))
                first = i;
        if (first != 0) {
            T t(std::move(data[0]));
            data[0] = std::move(data[first]);
            data[first] = std::move(t);
        }
        heapsort(count - 1, data);
    }

    // Heap sort of ra[1] .. ra[n] (a one-based view) by value_sorts_before.
    static void heapsort(int n, T* ra)
    {
        container_support::heapsort_one_based(n, ra, [](const T& a, const T& b) {
            return value_sorts_before(a, b);
        });
    }
};

#endif
