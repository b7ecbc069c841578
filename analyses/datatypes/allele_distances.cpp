// Distances between RFLP haplotypes (number or proportion of differing
// sites), between microsatellite haplotypes (number of loci with alleles of
// different size, or the sum of squared size differences, Slatkin 1995) and
// between standard haplotypes (number of loci with different alleles).

#include <cmath>
#include <cstdlib>
#include <vector>

#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/datatypes/popul_standard.h"
#include "analyses/datatypes/sequence_distances.h"
#include "app/settings.h"

namespace {

// Class 1: a difference that counts (two different states, neither missing,
// a gap only when indels count); class 0 any other differing pair.
SitePairTable const& rflp_pair_table(char missing, bool indels_count)
{
    static SitePairTable table;
    static int built_for = -1;
    const int key = static_cast<unsigned char>(missing) * 2 + indels_count;
    if (built_for == key)
        return table;
    for (int i = 0; i < 256; ++i) {
        for (int j = 0; j < 256; ++j) {
            bool gap = i == '-' || j == '-';
            bool counts = i != j && i != static_cast<unsigned char>(missing)
                          && j != static_cast<unsigned char>(missing) && (!gap || indels_count);
            table.class_of[i][j] = counts ? 1 : 0;
        }
    }
    built_for = key;
    return table;
}

// The allele of a haplotype at a locus, null when the haplotype does not
// reach the locus or carries the missing-data allele there.
TAllele const* allele_at(HaploDef const& h, int locus, char missing)
{
    if (locus >= h.haplovect.count)
        return nullptr;
    TAllele const* a = h.haplovect.data[locus];
    if (!a || (a->name.length == 1 && a->name.str[0] == missing))
        return nullptr;
    return a;
}

// value_of(allele) at every usable locus of every haplotype, haplotype by
// haplotype (the allele null for missing data); the loci are those of the
// first haplotype, `loci` the number of usable ones.
template <class T, class Value>
std::vector<T> usable_locus_values(PopGenetics const& p, int& loci, Value value_of)
{
    const int L = p.haplotypes.data[0]->haplotype->haplovect.count;
    const char missing = p.profile.MissingData;
    auto usable = [&p](int l) { return !p.LocusUsable || p.LocusUsable[l]; };
    loci = 0;
    for (int l = 0; l < L; ++l)
        loci += usable(l);
    std::vector<T> values;
    values.reserve(static_cast<std::size_t>(p.haplotypes.count) * loci);
    for (int i = 0; i < p.haplotypes.count; ++i)
        for (int l = 0; l < L; ++l)
            if (usable(l))
                values.push_back(value_of(allele_at(*p.haplotypes.data[i]->haplotype, l, missing)));
    return values;
}

}  // namespace

// ---------------------------------------------------------------- RFLP

SitePairCounts PopulRFLP::count_site_classes(const char* s1, const char* s2) const
{
    return count_usable_sites(*this, s1, s2,
                              rflp_pair_table(profile.MissingData, DeletionWeight > 0));
}

int PopulRFLP::compute_distance_matrix(std::fstream*, settings* run_settings, int scaled)
{
    if (haplotypes.count == 0) {
        E.error(ERROR, "PopulRFLP::compute_distance_matrix()", 108);
        return 0;
    }
    DistanceFunction = DistanceMethod == 1 ? &PopulRFLP::p_diff : &PopulRFLP::diff_no_weight;
    return sequence_distance_matrix(*this, run_settings, nullptr,
                                    "PopulRFLP::compute_distance_matrix(ofstream)",
                                    rflp_pair_table(profile.MissingData, DeletionWeight > 0),
                                    scaled);
}

int PopulRFLP::p_diff(SitePairCounts const& c)
{
    PairDistance = PairDistanceVar = 0.0;
    if (NumUsableLoci == 0)
        return 0;
    PairSites = c.compared;
    PairDifferences = c.differing[1];
    if (PairSites > 0) {
        PairDistance = static_cast<double>(PairDifferences) / PairSites;
        PairDistanceVar = PairDistance * (1.0 - PairDistance) / PairSites;
    }
    return 1;
}

int PopulRFLP::diff_no_weight(SitePairCounts const& c)
{
    PairDistance = PairDistanceVar = 0.0;
    if (NumUsableLoci == 0)
        return 0;
    PairSites = c.compared;
    PairDifferences = c.differing[1];
    PairDistance = PairDifferences;
    if (PairSites > 0) {
        double p = static_cast<double>(PairDifferences) / PairSites;
        PairDistanceVar = PairSites * p * (1.0 - p);
    }
    return 1;
}

// ------------------------------------------------------- microsatellites

double microsat_allele_size(TAllele const* allele, bool* not_numeric)
{
    if (!allele)
        return NAN;
    char* end = nullptr;
    double size = std::strtod(allele->name.str, &end);
    if (end == allele->name.str || *end != '\0' || !std::isfinite(size)) {
        if (not_numeric)
            *not_numeric = true;
        return NAN;
    }
    return size == -99999.0 ? static_cast<double>(NAN) : size;
}

// A name that is no finite number is reported once per sample (ERROR 121)
// and taken as missing data.
int PopulMicrosat::compute_distance_matrix(std::fstream*, settings* run_settings, int)
{
    const char* where = "PopulMicrosat::compute_distance_matrix()";
    if (haplotypes.count == 0) {
        E.error(ERROR, where, 108);
        return 0;
    }
    const int n = haplotypes.count;
    int loci = 0;
    // Sizes of the usable loci; NaN for missing data.
    std::vector<double> sizes = usable_locus_values<double>(*this, loci, [&](TAllele const* a) {
        bool not_numeric = false;
        double size = microsat_allele_size(a, &not_numeric);
        if (not_numeric && !reported_non_numeric_allele_) {
            E.error(ERROR, where, 121);
            reported_non_numeric_allele_ = true;
        }
        return size;
    });
    const bool squared = DistanceMethod != 0;
    return fill_distance_matrix(run_settings, "\t\t", where, loci == 0 ? 0 : n, [&](int i) {
        double const* x = sizes.data() + static_cast<std::size_t>(i) * loci;
        for (int j = 0; j < i; ++j) {
            double const* y = sizes.data() + static_cast<std::size_t>(j) * loci;
            double D = 0.0;
            for (int l = 0; l < loci; ++l) {
                if (std::isnan(x[l]) || std::isnan(y[l]))
                    continue;
                D += squared ? (x[l] - y[l]) * (x[l] - y[l]) : (x[l] != y[l]);
            }
            (*HaplDistMat)(i, j) = D;
        }
        return true;
    });
}

// ----------------------------------------------------------- standard data

int PopulStandard::compute_distance_matrix(std::fstream*, settings* run_settings, int)
{
    const char* where = "PopulStandard::compute_distance_matrix()";
    if (haplotypes.count == 0) {
        E.error(ERROR, where, 108);
        return 0;
    }
    const int n = haplotypes.count;
    int loci = 0;
    std::vector<TAllele const*> alleles =
        usable_locus_values<TAllele const*>(*this, loci, [](TAllele const* a) { return a; });
    return fill_distance_matrix(run_settings, "\t\t", where, loci == 0 ? 0 : n, [&](int i) {
        TAllele const* const* x = alleles.data() + static_cast<std::size_t>(i) * loci;
        for (int j = 0; j < i; ++j) {
            TAllele const* const* y = alleles.data() + static_cast<std::size_t>(j) * loci;
            int D = 0;
            for (int l = 0; l < loci; ++l)
                D += x[l] && y[l] && x[l] != y[l];
            (*HaplDistMat)(i, j) = D;
        }
        return true;
    });
}
