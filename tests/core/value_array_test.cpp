#include "core/value_array.h"

#include "core/my_string.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <random>
#include <string>
#include <vector>

// The out-of-memory test needs allocations that fail instead of stopping the
// sanitizer.
extern "C" const char* __asan_default_options()
{
    return "allocator_may_return_null=1";
}

namespace {

// A phase state of the Gibbs sampler: sorted by decreasing counter.
struct Phase {
    int phaseCount = 0;
    int id = 0;
};
bool value_sorts_before(const Phase& a, const Phase& b)
{
    return a.phaseCount > b.phaseCount;
}

TEST(ValueArray, DefaultHoldsElevenAndTheTwelfthAddGrowsToTwentyOne)
{
    MY_TArrayAsVector<double> a;
    EXPECT_EQ(a.capacity, 11);
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(a.delta, 10);
    for (int k = 0; k < 11; ++k)
        a.Add(k * 0.5);
    EXPECT_EQ(a.capacity, 11);
    a.Add(5.5);
    EXPECT_EQ(a.capacity, 21);
    EXPECT_EQ(a.count, 12);
    for (int k = 0; k < 12; ++k)
        EXPECT_EQ(a[k], k * 0.5);
}

template <class T>
void check_growth(long upper, long delta, int adds, int capacity, T (*make)(int))
{
    SCOPED_TRACE(::testing::Message() << "u=" << upper << " d=" << delta << " adds=" << adds);
    MY_TArrayAsVector<T> a(upper, delta);
    EXPECT_EQ(a.capacity, std::max<long>(upper + 1, 0));
    for (int k = 0; k < adds; ++k)
        a.Add(make(k));
    EXPECT_EQ(a.capacity, capacity);
    ASSERT_EQ(a.count, adds);
    for (int k = 0; k < adds; ++k)
        EXPECT_EQ(a[k], make(k));
}

TEST(ValueArray, GrowsByDeltaForNumbersAndClassElements)
{
    auto num = [](int k) { return long(k * 3); };
    auto text = [](int k) { return std::string(k + 1, char('a' + k)); };
    struct Case {
        long upper, delta;
        int adds, capacity;
    };
    const Case cases[] = {
        {5, 5, 6, 6},
        {5, 5, 7, 11},  // the seventh Add grows to 11
        {0, 0, 3, 3},   // delta 0 grows one element at a time
        {-1, 2, 3, 4},  // no elements at construction
    };
    for (const Case& c : cases) {
        check_growth<long>(c.upper, c.delta, c.adds, c.capacity, +num);
        check_growth<std::string>(c.upper, c.delta, c.adds, c.capacity, +text);
    }
}

TEST(ValueArray, TextsGrowThroughResizeKeepingTheirContents)
{
    MY_TArrayAsVector<my_string> a(5, 5);
    EXPECT_EQ(a.capacity, 6);
    const char* names[] = {"Locus 0", "Locus 1", "", "Locus 3", "x", "Locus 5", "Locus 6"};
    for (const char* n : names)
        a.Add(my_string(n));
    EXPECT_EQ(a.capacity, 11);
    ASSERT_EQ(a.count, 7);
    for (int i = 0; i < 7; ++i)
        EXPECT_STREQ(a[i].str, names[i]) << "element " << i;
    for (int i = 7; i < 11; ++i)
        EXPECT_STREQ(a[i].str, "");  // default-built, usable texts
}

TEST(ValueArray, ResizeKeepsEveryElementInUseOrNot)
{
    MY_TArrayAsVector<std::string> a(5, 5);
    a.Add("a");
    a[4] = "not in use";
    EXPECT_EQ(a.Resize(11), 11);
    EXPECT_EQ(a.capacity, 11);
    EXPECT_EQ(a.count, 1);
    EXPECT_EQ(a[0], "a");
    EXPECT_EQ(a[4], "not in use");
    EXPECT_EQ(a[10], "");
}

TEST(ValueArray, ResizeToFewerElementsStaysInside)
{
    MY_TArrayAsVector<std::string> a(5, 5);
    for (const char* t : {"a", "b", "c", "d"})
        a.Add(t);
    EXPECT_EQ(a.Resize(2), 2);
    EXPECT_EQ(a.capacity, 2);
    EXPECT_EQ(a.count, 2);
    EXPECT_EQ(a[1], "b");
    EXPECT_EQ(a.Resize(-1), 0);  // refused, nothing changes
    EXPECT_EQ(a.capacity, 2);
}

TEST(ValueArray, AddingOneOfItsOwnElementsWhileFull)
{
    MY_TArrayAsVector<std::string> texts(0, 1);
    texts.Add("first");
    texts.Add(texts[0]);
    EXPECT_EQ(texts[1], "first");

    MY_TArrayAsVector<double> numbers(0, 1);
    numbers.Add(2.5);
    numbers.Add(numbers[0]);
    EXPECT_EQ(numbers[1], 2.5);
}

TEST(ValueArray, ReallocateDiscardsTheContents)
{
    MY_TArrayAsVector<std::string> a;
    a.Add("x");
    a.Reallocate(4);
    EXPECT_EQ(a.capacity, 4);
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(a[0], "");
    a.Reallocate(0);
    EXPECT_EQ(a.capacity, 0);
    EXPECT_EQ(a.count, 0);
    a.Add("y");  // grows from nothing
    EXPECT_EQ(a[0], "y");
}

TEST(ValueArray, AccessBetweenCountAndCapacityLeavesTheCount)
{
    MY_TArrayAsVector<int> a;
    a[7] = 3;
    EXPECT_EQ(a[7], 3);
    EXPECT_EQ(a.count, 0);
}

#ifndef NDEBUG
TEST(ValueArrayDeathTest, DebugBuildsStopAtAccessOutsideTheElements)
{
    MY_TArrayAsVector<int> a(2, 1);
    EXPECT_DEATH(a[3] = 1, "");
    EXPECT_DEATH(a[-1] = 1, "");
}
#endif

struct Huge {
    char bytes[1 << 20];
};

TEST(ValueArrayDeathTest, ReallocateWithoutMemoryEndsWithAMessage)
{
    MY_TArrayAsVector<Huge> a(0, 1);
    EXPECT_EXIT(a.Reallocate(1 << 30), ::testing::ExitedWithCode(1), "not enough memory");
}

TEST(ValueArraySort, DoublesAscend)
{
    const std::vector<std::vector<double>> cases = {
        {}, {7.0}, {3, 1, 2}, {2, 1}, {2, 2, 1}, {5, 4, 3, 2, 1, 0}, {-1.5, 1e300, 0, -0.0, 3, 3},
    };
    for (const auto& values : cases) {
        MY_TArrayAsVector<double> a;
        for (double v : values)
            a.Add(v);
        a[a.count] = -99.0;  // not in use: must stay where it is
        a.quickSortArray();
        std::vector<double> expected = values;
        std::sort(expected.begin(), expected.end());
        for (int i = 0; i < a.count; ++i)
            EXPECT_EQ(a[i], expected[i]) << "slot " << i;
        EXPECT_EQ(a[a.count], -99.0);
    }
}

TEST(ValueArraySort, ManyRandomIntsAscend)
{
    std::mt19937 gen(17);
    MY_TArrayAsVector<int> a(0, 100);
    std::vector<int> expected;
    for (int k = 0; k < 1000; ++k) {
        int v = int(gen() % 50);
        a.Add(v);
        expected.push_back(v);
    }
    a.quickSortArray();
    std::sort(expected.begin(), expected.end());
    for (int i = 0; i < a.count; ++i)
        ASSERT_EQ(a[i], expected[i]) << "slot " << i;
}

TEST(ValueArraySort, PhasesByDecreasingCounterFirstOfEqualsInFront)
{
    struct Case {
        std::vector<int> counters;
        std::vector<int> sorted;
        int id_in_front;
    };
    const Case cases[] = {
        {{2, 5, 5, 1}, {5, 5, 2, 1}, 1},
        {{}, {}, -1},
        {{4}, {4}, 0},
        {{1, 9}, {9, 1}, 1},
        {{3, 1, 4, 1, 5, 9, 2, 6}, {9, 6, 5, 4, 3, 2, 1, 1}, 5},
    };
    for (const Case& c : cases) {
        MY_TArrayAsVector<Phase> a;
        a.Reallocate(static_cast<int>(c.counters.size()));
        for (size_t k = 0; k < c.counters.size(); ++k)
            a.Add(Phase{c.counters[k], int(k)});
        a.quickSortArray();
        ASSERT_EQ(a.count, static_cast<int>(c.sorted.size()));
        for (int i = 0; i < a.count; ++i)
            EXPECT_EQ(a[i].phaseCount, c.sorted[i]) << "slot " << i;
        if (c.id_in_front >= 0) {
            EXPECT_EQ(a[0].id, c.id_in_front);
        }
    }
}

} // namespace
