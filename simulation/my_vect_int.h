// The site states of one node of a simulated genealogy: a small owned array of
// ints with its size. Values are not initialised on construction; the
// mutation routines write every entry before it is read.
#ifndef DROV_SIMULATION_MY_VECT_INT_H
#define DROV_SIMULATION_MY_VECT_INT_H

class myVectInt {
public:
    int* values;  // owned, `size` entries; null when size is 0
    int size;

    // When the array cannot be allocated the vector stays empty after a
    // MEMORY report (which throws while a log is open).
    explicit myVectInt(const int& size = 0);
    ~myVectInt();
    myVectInt(const myVectInt&) = delete;

    // Copies the other vector's values, reallocating only when the sizes
    // differ (so a node reuses its array replicate after replicate).
    myVectInt& operator=(const myVectInt& other);

    // Makes room for n entries, keeping the array when its size is already n;
    // the values are then undefined. 1, or 0 (empty vector) after a report.
    int resize(int n);

    // Equal sizes and equal values (two empty vectors are equal).
    bool operator==(const myVectInt& other) const;

    int& operator[](int i) { return values[i]; }
    int operator[](int i) const { return values[i]; }

private:
    int allocate(int n, const char* where);
};

#endif
