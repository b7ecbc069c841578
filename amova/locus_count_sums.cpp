// Pair sums from allele counts (see locus_count_sums.h).

#include "amova/locus_count_sums.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "analyses/datatypes/popul_microsat.h"
#include "model/dist_mat.h"
#include "model/haplo_db.h"

namespace {

// The size of an allele as the microsatellite distances read it; NaN also
// for the missing-data allele.
double allele_size(TAllele const* a, char missing)
{
    if (a && a->name.length == 1 && a->name.str[0] == missing)
        return NAN;
    return microsat_allele_size(a);
}

// The definition of each matrix row, or an empty table when a row has none
// or two, or when the definitions differ in their number of loci.
std::vector<HaploDef const*> row_definitions(DistMat const& d, Haplo_DB const& list)
{
    std::vector<HaploDef const*> rows(d.n, nullptr);
    for (int i = 0; i < list.list.count; ++i) {
        HaploDef const* def = list.list.data[i];
        int r = def->matrix_index;
        if (r < 0 || r >= d.n)
            continue;
        if (rows[r])
            return {};
        rows[r] = def;
    }
    for (HaploDef const* def : rows)
        if (!def || def->haplovect.count != rows[0]->haplovect.count)
            return {};
    return rows;
}

// Sums stay exact below 2^53.
const double exact_limit = 9007199254740992.0;

}  // namespace

LocusCountSums::Method LocusCountSums::set_up(DistMat const& d, Haplo_DB const& list,
                                              char missing, double copies)
{
    method_ = NONE;
    if (d.constant_mode || d.n < 1)
        return NONE;
    // The matrix takes every locus, or, where some are missing, may have
    // left out the loci with missing data.
    std::vector<char> used;
    if (!read_alleles(d, list, missing, used))
        return NONE;
    const int L = static_cast<int>(used.size());
    std::vector<double> range(L, 0.0);
    std::vector<char> complete(L, 1);
    bool whole = true;
    for (std::size_t k = 0; k < code_.size(); ++k) {
        int l = static_cast<int>(k % L);
        if (code_[k] < 0) {
            complete[l] = 0;
            continue;
        }
        range[l] = std::max(range[l], size_[k]);
        whole = whole && size_[k] == std::floor(size_[k]);
    }
    double widest = *std::max_element(range.begin(), range.end());
    whole = whole && L * copies * copies * widest * widest < exact_limit;
    Method found = check_matrix(d, whole);
    if (found == NONE && complete != used && std::count(complete.begin(), complete.end(), 1)) {
        read_alleles(d, list, missing, complete);
        found = check_matrix(d, whole);
    }
    if (found == NONE || copies * copies * L >= exact_limit) {
        code_.clear();
        size_.clear();
        return NONE;
    }
    // The scratch of the sums.
    count_.assign(offset_.back(), 0);
    copies_.assign(L, 0);
    squares_.assign(L, 0);
    sum_.assign(L, 0.0);
    sumOfSquares_.assign(L, 0.0);
    method_ = found;
    return found;
}

// The codes and sizes of the loci flagged in `used` (all loci when it is
// empty, which it then becomes); false when the rows have no alleles to read.
bool LocusCountSums::read_alleles(DistMat const& d, Haplo_DB const& list, char missing,
                                  std::vector<char>& used)
{
    std::vector<HaploDef const*> rows = row_definitions(d, list);
    if (rows.empty() || rows[0]->haplovect.count < 1)
        return false;
    if (used.empty())
        used.assign(rows[0]->haplovect.count, 1);
    const int n = d.n, L = static_cast<int>(used.size());
    loci_ = L;
    code_.assign(static_cast<std::size_t>(n) * L, -1);
    size_.assign(static_cast<std::size_t>(n) * L, 0.0);
    offset_.assign(L + 1, 0);
    for (int l = 0; l < L; ++l) {
        std::map<double, int> codes;
        if (used[l])
            for (int r = 0; r < n; ++r) {
                double x = allele_size(rows[r]->haplovect.data[l], missing);
                if (!std::isnan(x))
                    codes.emplace(x, 0);
            }
        int next = 0;
        for (auto& entry : codes)
            entry.second = next++;
        offset_[l + 1] = offset_[l] + next;
        if (codes.empty())
            continue;
        const double smallest = codes.begin()->first;
        for (int r = 0; r < n; ++r) {
            double x = allele_size(rows[r]->haplovect.data[l], missing);
            if (std::isnan(x))
                continue;
            std::size_t k = static_cast<std::size_t>(r) * L + l;
            code_[k] = codes[x];
            size_[k] = x - smallest;
        }
    }
    return true;
}

// The method whose distances are every cell of d (a zero diagonal
// included), the squared sizes only with whole sizes; NONE otherwise. The
// loci left out hold no alleles.
LocusCountSums::Method LocusCountSums::check_matrix(DistMat const& d, bool whole_sizes) const
{
    bool different = true, squared = whole_sizes;
    const int L = loci_;
    for (int a = 0; a < d.n && (different || squared); ++a) {
        if (d.cell(a, a) != 0.0)
            return NONE;
        int const* ca = code_.data() + static_cast<std::size_t>(a) * L;
        double const* xa = size_.data() + static_cast<std::size_t>(a) * L;
        for (int b = 0; b < a && (different || squared); ++b) {
            int const* cb = code_.data() + static_cast<std::size_t>(b) * L;
            double const* xb = size_.data() + static_cast<std::size_t>(b) * L;
            double alleles = 0, sizes = 0;
            for (int l = 0; l < L; ++l) {
                if (ca[l] < 0 || cb[l] < 0)
                    continue;
                alleles += ca[l] != cb[l];
                sizes += (xa[l] - xb[l]) * (xa[l] - xb[l]);
            }
            double cell = d.cell(a, b);
            different = different && cell == alleles;
            squared = squared && cell == sizes;
        }
    }
    return different ? DIFFERENT_ALLELES : squared ? SQUARED_SIZES : NONE;
}

double LocusCountSums::within_sum(int const* ids, int n) const
{
    return method_ == DIFFERENT_ALLELES ? different_alleles_sum(ids, n)
                                        : squared_sizes_sum(ids, n);
}

// Per locus (m^2 - sum_k c_k^2) / 2, the sum of squared counts kept up as
// each copy adds one to its allele's count c: (c + 1)^2 - c^2 = 2c + 1.
double LocusCountSums::different_alleles_sum(int const* ids, int n) const
{
    const int L = loci_;
    std::fill(copies_.begin(), copies_.end(), 0);
    std::fill(squares_.begin(), squares_.end(), 0);
    for (int i = 0; i < n; ++i) {
        int const* code = code_.data() + static_cast<std::size_t>(ids[i]) * L;
        for (int l = 0; l < L; ++l) {
            if (code[l] < 0)
                continue;
            long long& c = count_[offset_[l] + code[l]];
            squares_[l] += 2 * c + 1;
            ++c;
            ++copies_[l];
        }
    }
    for (int i = 0; i < n; ++i) {
        int const* code = code_.data() + static_cast<std::size_t>(ids[i]) * L;
        for (int l = 0; l < L; ++l)
            if (code[l] >= 0)
                count_[offset_[l] + code[l]] = 0;
    }
    long long twice = 0;
    for (int l = 0; l < L; ++l)
        twice += copies_[l] * copies_[l] - squares_[l];
    return static_cast<double>(twice / 2);
}

// Per locus m sum x^2 - (sum x)^2, all whole numbers below 2^53.
double LocusCountSums::squared_sizes_sum(int const* ids, int n) const
{
    const int L = loci_;
    std::fill(copies_.begin(), copies_.end(), 0);
    std::fill(sum_.begin(), sum_.end(), 0.0);
    std::fill(sumOfSquares_.begin(), sumOfSquares_.end(), 0.0);
    for (int i = 0; i < n; ++i) {
        std::size_t row = static_cast<std::size_t>(ids[i]) * L;
        for (int l = 0; l < L; ++l) {
            if (code_[row + l] < 0)
                continue;
            double x = size_[row + l];
            sum_[l] += x;
            sumOfSquares_[l] += x * x;
            ++copies_[l];
        }
    }
    double sum = 0;
    for (int l = 0; l < L; ++l)
        sum += static_cast<double>(copies_[l]) * sumOfSquares_[l] - sum_[l] * sum_[l];
    return sum;
}
