#include "simulation/my_vect_int.h"

#include <algorithm>
#include <new>

#include "core/errors.h"

myVectInt::myVectInt(const int& size) : values(nullptr), size(0)
{
    allocate(size, "myIntVect::myIntVect(const int& size) {");
}

myVectInt::~myVectInt()
{
    delete[] values;
}

myVectInt& myVectInt::operator=(const myVectInt& other)
{
    if (this == &other)
        return *this;
    if (size != other.size && !allocate(other.size, "myVectInt& myVectInt::operator=()"))
        return *this;
    std::copy(other.values, other.values + other.size, values);
    return *this;
}

bool myVectInt::operator==(const myVectInt& other) const
{
    return size == other.size && std::equal(values, values + size, other.values);
}

int myVectInt::resize(int n)
{
    return size == n ? 1 : allocate(n, "myVectInt& myVectInt::operator=()");
}

// Replaces the array by one of n uninitialised values (none for n <= 0).
int myVectInt::allocate(int n, const char* where)
{
    delete[] values;
    values = nullptr;
    size = 0;
    if (n <= 0)
        return 1;
    values = new (std::nothrow) int[n];
    if (!values) {
        E.error(MEMORY, where, 0);
        return 0;
    }
    size = n;
    return 1;
}
