#ifndef DROV_CORE_POINTER_ARRAYS_H
#define DROV_CORE_POINTER_ARRAYS_H

// Growable arrays of pointers: every list of objects in the program (alleles,
// loci, individuals, haplotypes, samples, genealogy nodes) is one of these.
// While `owns` is set the array owns its elements and deletes them when it is
// flushed, detaches one, is assigned to, or is destroyed.
//
// Slots that hold no element are always null, so raising the count through
// the access rule never adopts a stray pointer.

#include <algorithm>
#include <climits>
#include <cstring>
#include <new>

#include "core/container_support.h"

template <class T>
class MY_TIArrayAsVector {
public:
    T** data;              // the slots; 0 .. count-1 hold the elements
    int capacity;          // number of slots in data
    int count;             // number of elements
    int initial_capacity;  // slots given at construction
    int delta;             // slots added when Add finds the array full
    T* spare;              // handed out for indexes outside the slots
    int owns;              // 1: the elements belong to the array

    // upper + 1 slots (11 by default) and a growth step of delta (10). When
    // the slots cannot be allocated the array starts with none and grows on
    // the first Add.
    MY_TIArrayAsVector() : MY_TIArrayAsVector(10, 10) {}
    explicit MY_TIArrayAsVector(int upper, int delta = 10)
        : data(nullptr), capacity(0), count(0),
          initial_capacity(slots_for(upper)), delta(delta),
          spare(nullptr), owns(1)
    {
        data = container_support::allocate<T*>(initial_capacity);
        if (data)
            capacity = initial_capacity;
    }

    // A copy would share the slot array; owners copy through operator=.
    MY_TIArrayAsVector(const MY_TIArrayAsVector&) = delete;

    ~MY_TIArrayAsVector()
    {
        delete_owned();
        delete[] data;
    }

    // Appends p and returns the new count. A full array grows by delta slots,
    // or by half its count when that is more (see grow); by at least one
    // slot, so that an array sized for its largest content with delta 0
    // still accepts one more element.
    int Add(T* p)
    {
        if (count == capacity)
            grow();
        data[count] = p;
        return ++count;
    }

    // Below the count: the element. From the count up to the capacity: the
    // slot, and the count rises to i + 1 (writing through [count] appends).
    // Elsewhere (negative or beyond the slots): the spare slot, reset to null,
    // which never becomes an element.
    T*& operator[](int i)
    {
        if (i >= 0 && i < count)
            return data[i];
        if (i >= 0 && i < capacity) {
            count = i + 1;
            return data[i];
        }
        spare = nullptr;
        return spare;
    }

    // Read-only access: the slot's pointer (null beyond the elements), or
    // null outside the slots; the count never changes.
    T* operator[](int i) const
    {
        return (i >= 0 && i < capacity) ? data[i] : nullptr;
    }

    // Removes element i (deleting it when owned) and closes the gap. An index
    // outside 0 .. count-1, such as the 2147483647 of a failed search, is
    // refused with 0.
    int Detach(int const& i)
    {
        if (i < 0 || i >= count)
            return 0;
        if (owns)
            delete data[i];
        std::copy(data + i + 1, data + count, data + i);
        data[--count] = nullptr;
        return 1;
    }

    // Deletes the owned elements and empties the array; the slots stay.
    void Flush()
    {
        delete_owned();
        std::fill(data, data + count, nullptr);
        count = 0;
    }

    // Drops the slots without deleting any element and makes n + 1 empty
    // ones. Serves lists that do not own their elements or have handed them on.
    void Reallocate(int const& n)
    {
        int slots = slots_for(n);
        T** fresh = container_support::allocate<T*>(slots);
        if (!fresh)
            container_support::out_of_memory();
        delete[] data;
        data = fresh;
        capacity = slots;
        count = 0;
    }

    // Owning destination: its old elements are deleted and each source
    // element is copied with the element's copy constructor. Non-owning
    // destination: it takes the source's pointers. initial_capacity and owns
    // stay the destination's. When memory runs out the destination is left
    // empty, with no slots.
    MY_TIArrayAsVector& operator=(const MY_TIArrayAsVector& source)
    {
        if (this == &source)
            return *this;
        delete_owned();
        delete[] data;
        data = nullptr;
        capacity = 0;
        count = 0;
        delta = source.delta;
        spare = nullptr;

        T** fresh = container_support::allocate<T*>(source.capacity);
        if (!fresh)
            return *this;
        if (!owns) {
            std::copy(source.data, source.data + source.count, fresh);
        } else {
            int made = 0;
            auto discard = [&]() {
                for (int k = 0; k < made; ++k)
                    delete fresh[k];
                delete[] fresh;
            };
            try {
                for (; made < source.count; ++made)
                    if (source.data[made])
                        fresh[made] = new T(*source.data[made]);
            } catch (const std::bad_alloc&) {
                discard();
                return *this;
            } catch (...) {
                discard();
                throw;
            }
        }
        data = fresh;
        capacity = source.capacity;
        count = source.count;
        return *this;
    }

    // Heap sort of ra[1] .. ra[n] by ascending element name (byte order of
    // name.str). To sort a whole list, callers first move the element with
    // the smallest name to slot 0 and then sort slots 1 .. count-1 with
    // heapsort(count - 1, data). Needs elements with a my_string `name`.
    static void heapsort(int n, T** ra)
    {
        container_support::heapsort_one_based(n, ra, [](const T* a, const T* b) {
            return std::strcmp(a->name.str, b->name.str) < 0;
        });
    }

protected:
    // Slots for an upper index: upper + 1, kept within 0 .. INT_MAX.
    static int slots_for(int upper)
    {
        return upper < 0 ? 0 : (upper == INT_MAX ? INT_MAX : upper + 1);
    }

    void delete_owned()
    {
        if (owns)
            for (int i = 0; i < count; ++i)
                delete data[i];
    }

    // Growth by delta, or by half the count once that is larger: building a
    // long list with a small step then stays linear in its length instead of
    // copying all pointers once per step, while short lists grow exactly by
    // delta. Ends the process when the slots cannot be had.
    void grow()
    {
        long long slots = static_cast<long long>(count) + std::max(delta, 1);
        slots = std::max(slots, std::min<long long>(count + count / 2LL, INT_MAX));
        T** fresh = container_support::allocate<T*>(slots);
        if (!fresh)
            container_support::out_of_memory();
        std::copy(data, data + count, fresh);
        delete[] data;
        data = fresh;
        capacity = static_cast<int>(slots);
    }
};

// The same array kept sorted on insertion. The order is the element type's
// operator<: `*p < *q` means p sorts strictly before q. Equal elements keep
// their insertion order.
template <class T>
class MY_TISArrayAsVector : public MY_TIArrayAsVector<T> {
    using Base = MY_TIArrayAsVector<T>;

public:
    MY_TISArrayAsVector() : Base() {}
    explicit MY_TISArrayAsVector(int upper, int delta = 10)
        : Base(upper, delta) {}

    MY_TISArrayAsVector(const MY_TISArrayAsVector&) = delete;
    MY_TISArrayAsVector& operator=(const MY_TISArrayAsVector& source)
    {
        Base::operator=(source);
        return *this;
    }

    // Appends p, moves it forward past every element it sorts strictly
    // before, and returns its final index.
    int Add(T* p)
    {
        int k = Base::Add(p) - 1;
        int stop = k;
        while (stop > 0 && sorts_before(p, this->data[stop - 1]))
            --stop;
        std::copy_backward(this->data + stop, this->data + k, this->data + k + 1);
        this->data[stop] = p;
        return stop;
    }

    // Deletes the owned elements and returns to the initial number of slots
    // (no slots at all when they cannot be allocated).
    void Flush()
    {
        Base::Flush();
        delete[] this->data;
        this->data = container_support::allocate<T*>(this->initial_capacity);
        this->capacity = this->data ? this->initial_capacity : 0;
    }

private:
    // A null pointer (a slot written through the access rule) is never
    // passed, so insertion stops at it.
    static bool sorts_before(const T* p, const T* q)
    {
        return p && q && *p < *q;
    }
};

#endif
