// Sums of squared deviations of the AMOVA (Excoffier, Smouse and Quattro
// 1992): pair sums of squared distances d(a, b) within and between samples.
//
// Each sum runs over unordered pairs of distinct gene copies; the AMOVA sum
// of squares of n gene copies is their pair sum divided by n. The sums work
// on the counts of the distinct haplotypes present (permCounts and
// presentHaplos), so that the thousands of recomputations of a permutation
// test cost the square of the number of distinct haplotypes, not of copies.

#include "amova/amova.h"
#include "amova/square_distances.h"
#include "model/dist_mat.h"
#include "model/population.h"

namespace {

// The present haplotypes index rows below numMatrixHaplos, the size the
// permutation vectors were made for: where the matrix holds that many rows,
// the inner loops read its cells without the checks of operator().
bool rows_cover(DistMat const& d, Population const& p)
{
    return !d.constant_mode && p.numMatrixHaplos <= d.n;
}

bool rows_cover(SquareDistances const* square, Population const& p)
{
    return square && p.numMatrixHaplos <= square->size();
}

// Rows of the triangular matrix as the inner loops read them: checked, or
// unchecked where the rows cover.
struct CheckedRow {
    DistMat const& d;
    int a;
    double operator[](int b) const { return d(a, b); }
};
struct UncheckedRow {
    DistMat const& d;
    int a;
    double operator[](int b) const { return d.cell(a, b); }
};

// The sum over the partners of haplotype a that follow it in the present
// list, sum_j count(b_j) d(a, b_j), in four partial sums so that the
// additions need not wait for each other.
template <class Row>
double partner_sum(Population const& p, int from, Row const& row)
{
    int const* present = p.presentHaplos;
    double const* count = p.permCounts;
    const int m = p.numPresentHaplos;
    double s0 = 0, s1 = 0, s2 = 0, s3 = 0;
    int j = from;
    for (; j + 3 < m; j += 4) {
        s0 += count[present[j]] * row[present[j]];
        s1 += count[present[j + 1]] * row[present[j + 1]];
        s2 += count[present[j + 2]] * row[present[j + 2]];
        s3 += count[present[j + 3]] * row[present[j + 3]];
    }
    for (; j < m; ++j)
        s0 += count[present[j]] * row[present[j]];
    return (s0 + s1) + (s2 + s3);
}

// Each present haplotype a of count c adds its c(c-1)/2 pairs of copies at
// d(a, a) and its pairs with the copies of the haplotypes after it. The
// order of the additions is the same whatever the row reader, so that the
// observed and the permuted sums of one split agree to the last bit.
template <class RowOf>
double within_sum(Population const& p, RowOf row_of)
{
    double sum = 0;
    for (int i = 0; i < p.numPresentHaplos; ++i) {
        int a = p.presentHaplos[i];
        double c = p.permCounts[a];
        auto const row = row_of(a);
        sum += c * (0.5 * (c - 1) * row[a] + partner_sum(p, i + 1, row));
    }
    return sum;
}

template <class Distance>
double between_sum(Population const& p, Population const& other, Distance distance)
{
    double sum = 0;
    for (int i = 0; i < p.numPresentHaplos; ++i) {
        int a = p.presentHaplos[i];
        double c = p.permCounts[a];
        for (int j = 0; j < other.numPresentHaplos; ++j) {
            int b = other.presentHaplos[j];
            sum += c * other.permCounts[b] * distance(a, b);
        }
    }
    return sum;
}

}  // namespace

double* Population::ComputeSSDWP(DistMat const& d, SquareDistances const* square)
{
    double sum = 0;
    if (rows_cover(square, *this))
        sum = within_sum(*this, [square](int a) { return square->row(a); });
    else if (rows_cover(d, *this))
        sum = within_sum(*this, [&d](int a) { return UncheckedRow{d, a}; });
    else
        sum = within_sum(*this, [&d](int a) { return CheckedRow{d, a}; });
    ssdWithinSum = sum;
    ssdWithin = SampleSize > 0 ? sum / SampleSize : 0.0;
    return &ssdWithinSum;
}

double* Population::SSDWP_div_freq(DistMat const& d, SquareDistances const* square)
{
    ComputeSSDWP(d, square);
    return &ssdWithin;
}

double Population::ComputeSSDAP(Population const* other, DistMat const& d) const
{
    if (rows_cover(d, *this) && rows_cover(d, *other))
        return between_sum(*this, *other, [&d](int a, int b) { return d.cell(a, b); });
    return between_sum(*this, *other, [&d](int a, int b) { return d(a, b); });
}

void Amova::compute_SSDP()
{
    size_t P = popTable.size();
    for (size_t i = 0; i < P; ++i) {
        Population* p = popTable[i];
        int ip = p->sample_index;
        popPairSSD(ip, ip) = *p->ComputeSSDWP(*distMat, &squareDist);
        for (size_t j = i + 1; j < P; ++j)
            popPairSSD(ip, popTable[j]->sample_index) = p->ComputeSSDAP(popTable[j], *distMat);
    }
}

void Amova::compute_total_SSD()
{
    double sum = 0;
    for (int i = 0; i < popPairSSD.n; ++i)
        for (int j = i; j < popPairSSD.n; ++j)
            sum += popPairSSD(i, j);
    totalPairSSD = sum;
}

// Individuals are consecutive pairs of the index vector; each population's
// within-individual sum is half the sum of its pairs' squared distances.
void Amova::compute_SSDWI()
{
    ssdWI = 0;
    size_t pos = 0;
    for (Population* p : popTable) {
        double sum = 0;
        size_t copies = p->SampleSize > 0 ? static_cast<size_t>(p->SampleSize) : 0;
        for (size_t m = 0; m + 1 < copies; m += 2)
            sum += (*distMat)(haploIndexVector[pos + m], haploIndexVector[pos + m + 1]);
        pos += copies;
        p->ssdWithinIndiv = sum * 0.5;
        ssdWI += p->ssdWithinIndiv;
    }
}

double Amova::within_populations_SSD() const
{
    double W = 0;
    for (Population const* p : popTable)
        W += p->ssdWithin;
    return W;
}

double Amova::within_groups_SSD() const
{
    double SSD_G = 0;
    for (size_t g = 0; g < groupSizes.size(); ++g)
        SSD_G += groupPairSSD(g, g) / groupSizes[g];
    return SSD_G;
}

void Amova::compute_SSDWP()
{
    ssdWP = within_populations_SSD();
}

void Amova::compute_SSDAP()
{
    ssdAP = within_groups_SSD() - within_populations_SSD();
}

// The pair sums are over gene copies, so the total SSD divides by their
// number also in the designs that count individuals.
void Amova::compute_SSDAG()
{
    ssdAG = totalPairSSD / totalGeneCopies - within_groups_SSD();
}

void Amova::compute_SSDG_SSDAG()
{
    const size_t G = groupPops.size();
    for (size_t g = 0; g < G; ++g) {
        std::vector<Population*> const& members = groupPops[g];
        double S = 0, size = 0;
        for (size_t k = 0; k < members.size(); ++k) {
            int ip = members[k]->sample_index;
            for (size_t l = k; l < members.size(); ++l)
                S += popPairSSD(ip, members[l]->sample_index);
            size += members[k]->SampleSize;
        }
        groupPairSSD(g, g) = S;
        groupSizes[g] = size;
        groupSSD[g] = S / size;
        for (size_t h = g + 1; h < G; ++h) {
            double cross = 0;
            for (Population const* p : members)
                for (Population const* r : groupPops[h])
                    cross += popPairSSD(p->sample_index, r->sample_index);
            groupPairSSD(g, h) = cross;
        }
    }
    compute_SSDAG();
}

void Amova::partition_sizes(double& Q, double& T) const
{
    Q = 0;
    T = 0;
    for (size_t g = 0; g < groupPops.size(); ++g) {
        double A = 0;
        for (Population const* p : groupPops[g])
            A += p->SampleSize * p->SampleSize;
        Q += A / groupSizes[g];
        T += groupSizes[g] * groupSizes[g];
    }
}

double Amova::permuted_within_sum()
{
    distribute_HaplotypeIndexVector();
    for (Population* p : popTable)
        p->ComputeSSDWP(*distMat, &squareDist);
    return within_populations_SSD();
}
