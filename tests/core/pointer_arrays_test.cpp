#include "core/pointer_arrays.h"

#include "core/my_string.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <new>
#include <string>
#include <typeinfo>
#include <vector>

namespace {

// A record that counts its live instances, so tests see exactly what an
// array deletes.
struct Tracked {
    static int alive;
    int value;
    explicit Tracked(int v = 0) : value(v) { ++alive; }
    Tracked(const Tracked& o) : value(o.value) { ++alive; }
    ~Tracked() { --alive; }
};
int Tracked::alive = 0;

class PointerArraysTest : public ::testing::Test {
protected:
    void SetUp() override { Tracked::alive = 0; }
    void TearDown() override { EXPECT_EQ(Tracked::alive, 0) << "records leaked or over-deleted"; }
};

template <class T>
void expect_empty_slots_from(const MY_TIArrayAsVector<T>& a, int from)
{
    for (int i = from; i < a.capacity; ++i)
        EXPECT_EQ(a.data[i], nullptr) << "slot " << i;
}

TEST_F(PointerArraysTest, GrowsByDeltaOrHalfTheCountWithEmptyNewSlots)
{
    struct Case {
        int upper, delta, adds, capacity;
    };
    const Case cases[] = {
        {0, 5, 1, 1},    // u = 0 holds one slot
        {0, 5, 2, 6},    // the second Add makes 6 slots
        {10, 10, 11, 11},
        {10, 10, 12, 21},
        {0, 0, 3, 3},    // delta 0 still takes one more element, one slot at a time
        {-1, 4, 1, 4},   // no slots at construction
        {10, 10, 32, 46},            // 11, 21, 31, then half the count (15) beats delta
        {0, 0, 100, 141},            // delta 0 too, once half the count reaches one
        {99, 100, 100000, 131262},   // a long list grows 17 times, not 999
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "u=" << c.upper << " d=" << c.delta << " adds=" << c.adds);
        MY_TIArrayAsVector<Tracked> a(c.upper, c.delta);
        EXPECT_EQ(a.count, 0);
        EXPECT_EQ(a.initial_capacity, std::max(c.upper + 1, 0));
        expect_empty_slots_from(a, 0);
        for (int k = 1; k <= c.adds; ++k)
            EXPECT_EQ(a.Add(new Tracked(k)), k);
        EXPECT_EQ(a.capacity, c.capacity);
        for (int k = 0; k < c.adds; ++k)
            EXPECT_EQ(a.data[k]->value, k + 1);
        expect_empty_slots_from(a, a.count);
    }
}

TEST_F(PointerArraysTest, DefaultConstructionGivesElevenSlotsStepTenOwning)
{
    MY_TIArrayAsVector<Tracked> a;
    EXPECT_EQ(a.capacity, 11);
    EXPECT_EQ(a.initial_capacity, 11);
    EXPECT_EQ(a.delta, 10);
    EXPECT_EQ(a.owns, 1);
    EXPECT_EQ(a.spare, nullptr);
}

TEST_F(PointerArraysTest, AccessRuleByIndexRange)
{
    struct Case {
        int index;
        int count_after;
        bool spare;
    };
    // 5 slots, 2 elements.
    const Case cases[] = {
        {0, 2, false}, {1, 2, false},                  // below the count: the element
        {2, 3, false}, {4, 5, false},                  // up to the capacity: count rises
        {5, 2, true},  {100, 2, true}, {-1, 2, true},  // outside the slots: spare
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::Message() << "index " << c.index);
        MY_TIArrayAsVector<Tracked> a(4, 10);
        a.Add(new Tracked(10));
        a.Add(new Tracked(11));
        Tracked*& slot = a[c.index];
        EXPECT_EQ(a.count, c.count_after);
        EXPECT_EQ(&slot == &a.spare, c.spare);
        if (c.index < 2 && c.index >= 0)
            EXPECT_EQ(slot->value, 10 + c.index);
        else
            EXPECT_EQ(slot, nullptr);  // an empty slot or the spare, never garbage
        EXPECT_EQ(a.capacity, 5);
    }
}

TEST_F(PointerArraysTest, WritesOutsideTheSlotsNeverBecomeElements)
{
    MY_TIArrayAsVector<Tracked> a(1, 10);
    Tracked outside(7);
    a[2] = &outside;
    a[-3] = &outside;
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(a[9], nullptr);  // the spare is handed out empty again
    expect_empty_slots_from(a, 0);
    // The owning array must not delete what was written to the spare: the
    // fixture's live count and ASan check that on destruction.
}

TEST_F(PointerArraysTest, WritingThroughTheCountAppendsWithoutGrowing)
{
    MY_TIArrayAsVector<Tracked> a(2, 10);
    a[0] = new Tracked(1);
    a[a.count] = new Tracked(2);
    EXPECT_EQ(a.count, 2);
    EXPECT_EQ(a.capacity, 3);
}

TEST_F(PointerArraysTest, ConstAccessNeverChangesTheCount)
{
    MY_TIArrayAsVector<Tracked> a(3, 10);
    a.Add(new Tracked(4));
    const MY_TIArrayAsVector<Tracked>& view = a;
    EXPECT_EQ(view[0]->value, 4);
    EXPECT_EQ(view[2], nullptr);
    EXPECT_EQ(view[50], nullptr);
    EXPECT_EQ(view[-1], nullptr);
    EXPECT_EQ(a.count, 1);
}

TEST_F(PointerArraysTest, DetachRemovesOnlyExistingIndexes)
{
    struct Case {
        int index;
        int result;
        std::vector<int> left;
    };
    const Case cases[] = {
        {0, 1, {2, 3}},
        {1, 1, {1, 3}},
        {2, 1, {1, 2}},
        {3, 0, {1, 2, 3}},           // at the count
        {-1, 0, {1, 2, 3}},
        {2147483647, 0, {1, 2, 3}},  // what a failed search returns
    };
    for (int owns = 0; owns <= 1; ++owns) {
        for (const Case& c : cases) {
            SCOPED_TRACE(::testing::Message() << "owns " << owns << " index " << c.index);
            Tracked kept[3] = {Tracked(1), Tracked(2), Tracked(3)};
            int alive_before = Tracked::alive;
            {
                MY_TIArrayAsVector<Tracked> a(2, 10);
                a.owns = owns;
                for (int v = 1; v <= 3; ++v)
                    a.Add(owns ? new Tracked(v) : &kept[v - 1]);
                EXPECT_EQ(a.Detach(c.index), c.result);
                ASSERT_EQ(a.count, static_cast<int>(c.left.size()));
                for (int k = 0; k < a.count; ++k)
                    EXPECT_EQ(a.data[k]->value, c.left[k]);
                expect_empty_slots_from(a, a.count);
                if (owns) {
                    EXPECT_EQ(Tracked::alive, alive_before + a.count);
                }
            }
            EXPECT_EQ(Tracked::alive, alive_before);
        }
    }
}

TEST_F(PointerArraysTest, DetachingTheOnlyElementDeletesIt)
{
    MY_TIArrayAsVector<Tracked> a(0, 5);
    a.Add(new Tracked(1));
    EXPECT_EQ(a.Detach(0), 1);
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(Tracked::alive, 0);
    // The freed slot is empty: raising the count over it adopts nothing.
    EXPECT_EQ(a[0], nullptr);
}

TEST_F(PointerArraysTest, DestructionDeletesExactlyTheOwnedElements)
{
    Tracked borrowed(9);
    {
        MY_TIArrayAsVector<Tracked> owner(9, 1);
        MY_TIArrayAsVector<Tracked> viewer(1, 1);
        viewer.owns = 0;
        for (int v = 0; v < 5; ++v) {
            Tracked* t = new Tracked(v);
            owner.Add(t);
            viewer.Add(t);
        }
        viewer.Add(&borrowed);
        owner[owner.count] = nullptr;  // an empty element is skipped
        EXPECT_EQ(Tracked::alive, 6);
    }
    EXPECT_EQ(Tracked::alive, 1);
}

TEST_F(PointerArraysTest, FlushDeletesOnlyWhenOwning)
{
    Tracked kept[2] = {Tracked(1), Tracked(2)};
    MY_TIArrayAsVector<Tracked> viewer(4, 10);
    viewer.owns = 0;
    viewer.Add(&kept[0]);
    viewer.Add(&kept[1]);
    viewer.Flush();
    EXPECT_EQ(viewer.count, 0);
    EXPECT_EQ(Tracked::alive, 2);
    EXPECT_EQ(viewer[1], nullptr);  // no old element comes back through the access rule

    MY_TIArrayAsVector<Tracked> owner(1, 3);
    for (int v = 0; v < 4; ++v)
        owner.Add(new Tracked(v));
    owner.Flush();
    EXPECT_EQ(owner.count, 0);
    EXPECT_EQ(owner.capacity, 5);  // the plain array keeps its slots
    EXPECT_EQ(Tracked::alive, 2);
    expect_empty_slots_from(owner, 0);
}

TEST_F(PointerArraysTest, SortedFlushReturnsToTheInitialSlots)
{
    MY_TISArrayAsVector<Tracked> a(1, 3);
    for (int v = 0; v < 6; ++v)
        a.MY_TIArrayAsVector<Tracked>::Add(new Tracked(v));
    EXPECT_EQ(a.capacity, 8);
    a.Flush();
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(a.capacity, 2);
    expect_empty_slots_from(a, 0);
}

TEST_F(PointerArraysTest, ReallocateDeletesNothingAndGivesEmptySlots)
{
    Tracked kept(1);
    MY_TIArrayAsVector<Tracked> a(0, 5);
    a.owns = 0;
    a.Add(&kept);
    a.Add(&kept);
    a.Reallocate(7);
    EXPECT_EQ(a.capacity, 8);
    EXPECT_EQ(a.count, 0);
    EXPECT_EQ(Tracked::alive, 1);
    expect_empty_slots_from(a, 0);
    a.Reallocate(-1);
    EXPECT_EQ(a.capacity, 0);
    EXPECT_EQ(a.Add(&kept), 1);
}

// Stands in for the population samples: copies are made with the base
// class's copy constructor, so a copy is a plain base object.
struct Sample {
    static int alive;
    std::string name;
    explicit Sample(std::string n) : name(std::move(n)) { ++alive; }
    Sample(const Sample& o) : name(o.name) { ++alive; }
    virtual ~Sample() { --alive; }
};
int Sample::alive = 0;

struct DnaSample : Sample {
    std::vector<int> sites = std::vector<int>(8, 1);
    using Sample::Sample;
};

TEST(PointerArrayAssignment, OwningCopiesNonOwningShares)
{
    Sample::alive = 0;
    {
        MY_TIArrayAsVector<Sample> source(1, 4);
        for (const char* n : {"a", "b", "c"})
            source.Add(new DnaSample(n));

        MY_TIArrayAsVector<Sample> owner(0, 1);
        owner.Add(new Sample("old1"));
        owner.Add(new Sample("old2"));
        MY_TIArrayAsVector<Sample> viewer(20, 7);
        viewer.owns = 0;

        owner = source;
        viewer = source;
        EXPECT_EQ(Sample::alive, 6);  // old elements gone, three new copies

        for (MY_TIArrayAsVector<Sample>* dest : {&owner, &viewer}) {
            EXPECT_EQ(dest->count, 3);
            EXPECT_EQ(dest->capacity, source.capacity);
            EXPECT_EQ(dest->delta, source.delta);
            expect_empty_slots_from(*dest, 3);
        }
        EXPECT_EQ(owner.initial_capacity, 1);  // initial_capacity and owns stay
        EXPECT_EQ(owner.owns, 1);
        EXPECT_EQ(viewer.initial_capacity, 21);
        EXPECT_EQ(viewer.owns, 0);
        for (int i = 0; i < 3; ++i) {
            EXPECT_NE(owner.data[i], source.data[i]);
            EXPECT_EQ(owner.data[i]->name, source.data[i]->name);
            EXPECT_EQ(typeid(*owner.data[i]), typeid(Sample));
            EXPECT_EQ(viewer.data[i], source.data[i]);
        }
        owner.data[0]->name = "changed";
        EXPECT_EQ(source.data[0]->name, "a");
    }
    EXPECT_EQ(Sample::alive, 0);
}

TEST(PointerArrayAssignment, SelfAssignmentKeepsTheElements)
{
    Sample::alive = 0;
    {
        MY_TIArrayAsVector<Sample> a(1, 1);
        a.Add(new Sample("x"));
        a.Add(new Sample("y"));
        Sample* first = a.data[0];
        MY_TIArrayAsVector<Sample>& same = a;
        a = same;
        EXPECT_EQ(a.count, 2);
        EXPECT_EQ(a.data[0], first);
        EXPECT_EQ(a.data[1]->name, "y");
    }
    EXPECT_EQ(Sample::alive, 0);
}

// Runs out of memory on a chosen copy.
struct FailingCopy {
    static int alive;
    static int copies_left;
    FailingCopy() { ++alive; }
    FailingCopy(const FailingCopy&)
    {
        if (copies_left-- == 0)
            throw std::bad_alloc();
        ++alive;
    }
    ~FailingCopy() { --alive; }
};
int FailingCopy::alive = 0;
int FailingCopy::copies_left = 0;

TEST(PointerArrayAssignment, FailedCopyLeavesAnEmptyArrayWithoutSlots)
{
    FailingCopy::alive = 0;
    {
        MY_TIArrayAsVector<FailingCopy> source(3, 10);
        for (int k = 0; k < 3; ++k)
            source.Add(new FailingCopy);
        MY_TIArrayAsVector<FailingCopy> dest(3, 10);
        dest.Add(new FailingCopy);
        FailingCopy::copies_left = 2;  // the third copy fails
        dest = source;
        EXPECT_EQ(dest.count, 0);
        EXPECT_EQ(dest.capacity, 0);
        EXPECT_EQ(dest.data, nullptr);
        EXPECT_EQ(FailingCopy::alive, 3);  // the two copies made were released
        EXPECT_EQ(dest[0], nullptr);      // and nothing reads through null slots
        EXPECT_EQ(dest.Add(new FailingCopy), 1);
    }
    EXPECT_EQ(FailingCopy::alive, 0);
}

// Haplotype classes ordered by decreasing frequency.
struct HaplClass {
    double freq;
    bool operator<(const HaplClass& o) const { return freq > o.freq; }
};

TEST(SortedPointerArray, EqualFrequenciesKeepInsertionOrder)
{
    MY_TISArrayAsVector<HaplClass> a(0, 1);
    const double freqs[] = {0.2, 0.5, 0.2, 0.7};
    const int expected_index[] = {0, 0, 2, 0};
    HaplClass* made[4];
    for (int k = 0; k < 4; ++k) {
        made[k] = new HaplClass{freqs[k]};
        EXPECT_EQ(a.Add(made[k]), expected_index[k]) << "insertion " << k;
    }
    ASSERT_EQ(a.count, 4);
    EXPECT_EQ(a.data[0], made[3]);
    EXPECT_EQ(a.data[1], made[1]);
    EXPECT_EQ(a.data[2], made[0]);  // the first 0.2
    EXPECT_EQ(a.data[3], made[2]);  // the second 0.2
}

TEST(SortedPointerArray, StaysSortedAndStableOverGrowth)
{
    // Delta 0 like the owner that sizes the list for its largest content.
    MY_TISArrayAsVector<HaplClass> a(2, 0);
    std::vector<HaplClass*> made;
    for (int k = 0; k < 40; ++k) {
        made.push_back(new HaplClass{double((k * 7) % 5)});
        a.Add(made.back());
    }
    std::vector<HaplClass*> expected = made;
    std::stable_sort(expected.begin(), expected.end(),
                     [](const HaplClass* p, const HaplClass* q) { return *p < *q; });
    ASSERT_EQ(a.count, 40);
    for (int k = 0; k < 40; ++k)
        EXPECT_EQ(a.data[k], expected[k]) << "slot " << k;
}

// Haplotypes of two loci, compared allele name by allele name.
struct TwoLocus {
    const char* allele[2];
    bool operator<(const TwoLocus& o) const
    {
        for (int l = 0; l < 2; ++l) {
            int c = std::strcmp(allele[l], o.allele[l]);
            if (c != 0)
                return c < 0;
        }
        return false;
    }
};

TEST(SortedPointerArray, TwoLocusRecordsSortLocusByLocus)
{
    struct Case {
        std::vector<std::pair<const char*, const char*>> in;
        std::vector<int> order;  // insertion numbers, in final order
    };
    const Case cases[] = {
        {{{"B", "A"}, {"A", "C"}, {"A", "B"}}, {2, 1, 0}},
        {{{"A", "B"}, {"A", "B"}, {"A", "A"}, {"A", "B"}}, {2, 0, 1, 3}},
        {{{"10", "2"}, {"9", "1"}, {"10", "10"}}, {2, 0, 1}},  // byte order of names
    };
    for (const Case& c : cases) {
        MY_TISArrayAsVector<TwoLocus> a;
        std::vector<TwoLocus*> made;
        for (auto& names : c.in) {
            made.push_back(new TwoLocus{{names.first, names.second}});
            a.Add(made.back());
        }
        ASSERT_EQ(a.count, static_cast<int>(c.order.size()));
        for (size_t k = 0; k < c.order.size(); ++k)
            EXPECT_EQ(a.data[k], made[c.order[k]]) << "slot " << k;
    }
}

TEST(SortedPointerArray, AssignmentGivesASortedArray)
{
    MY_TISArrayAsVector<HaplClass> a;
    for (double f : {0.1, 0.3, 0.2})
        a.Add(new HaplClass{f});
    MY_TISArrayAsVector<HaplClass> b;
    b = a;
    ASSERT_EQ(b.count, 3);
    EXPECT_EQ(b.data[0]->freq, 0.3);
    EXPECT_NE(b.data[0], a.data[0]);
}

// An element with a my_string name, as the alleles have.
struct Named {
    my_string name;
};

TEST(PointerArrayHeapsort, SortsAListByNameAfterPlacingTheSmallestFirst)
{
    const std::vector<std::vector<const char*>> cases = {
        {},
        {"x"},
        {"b", "a"},
        {"c", "a", "b"},
        {"null", "A", "C", "G", "T", "A"},
        {"12", "9", "100", "", "B", "a", "Z", "12", "07", "3"},
    };
    for (const auto& names : cases) {
        MY_TIArrayAsVector<Named> a;
        for (const char* n : names)
            a.Add(new Named{my_string(n)});
        // Smallest name (first of equals) to slot 0, then sort slots 1 .. count-1.
        if (a.count > 0) {
            int m = 0;
            for (int i = 1; i < a.count; ++i)
                if (std::strcmp(a.data[i]->name.str, a.data[m]->name.str) < 0)
                    m = i;
            std::swap(a.data[0], a.data[m]);
            MY_TIArrayAsVector<Named>::heapsort(a.count - 1, a.data);
        }
        std::vector<std::string> expected(names.begin(), names.end());
        std::sort(expected.begin(), expected.end());
        ASSERT_EQ(a.count, static_cast<int>(expected.size()));
        for (int i = 0; i < a.count; ++i)
            EXPECT_EQ(a.data[i]->name.str, expected[i]) << "slot " << i;
    }
}

} // namespace
