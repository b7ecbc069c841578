// The sample object of the statistics: construction with every result at
// "not computed", copies, release of the owned work structures, and the
// process-wide Stirling-number table of the infinite-allele statistics.

#include "analyses/popgen/pop_genetics.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "analyses/haplotypes/genot_sample.h"
#include "app/settings.h"
#include "core/errors.h"

BnumMat PopGenetics::BMat;
int PopGenetics::_B_num_exist = 0;
TAlleleDB PopGenetics::globalAllelicDB(0);
MY_TArrayAsVector<bool> PopGenetics::globalSubstPolymSites(0, 100);

namespace {

// The standard table of get_B_num_mat and the size clean_bnum leaves.
constexpr int kStandardRows = 200;
constexpr int kStandardCols = 80;
constexpr int kShrunkSize = 5;

template <class T>
T* copy_of(T const* source, int n)
{
    if (!source || n <= 0)
        return nullptr;
    T* copy = new T[n];
    std::copy(source, source + n, copy);
    return copy;
}

template <class T>
void copy_values(MY_TArrayAsVector<T>& to, MY_TArrayAsVector<T> const& from)
{
    to.Reallocate(from.capacity);
    std::copy(from.data, from.data + from.count, to.data);
    to.count = from.count;
    to.delta = from.delta;
}

// Whether BMat has row n and column k under the growth rule of grow_B_num_mat.
bool table_covers(int n, int k)
{
    BnumMat const& table = PopGenetics::BMat;
    return table.rows && n < table.n && k < table.k;
}

}  // namespace

// The nine per-locus tables start with one slot and grow by 10.
PopGenetics::PopGenetics()
    : Population(), ArbitraryHaplotype(), LocusMissingFreq(nullptr), LocusUsable(nullptr),
      HaplDistMat(nullptr), SimTree(), GibbsSampler(nullptr), MismatchObsCounts(nullptr),
      MismatchExpCounts(nullptr), LocusGeneCopies(0, 10), LocusNumAlleles(0, 10),
      LocusObsHet(0, 10), LocusExpHet(0, 10), LocusAllelicRange(0, 10), LocusGWStat(0, 10),
      LocusMinAlleleSize(0, 10), LocusMaxAlleleSize(0, 10), LocusMeanAlleleSize(0, 10)
{
    initialize();
}

PopGenetics::PopGenetics(PopGenetics const& other) : PopGenetics()
{
    *this = other;
    FuFs = other.FuFs;
    FuFsPValue = other.FuFsPValue;
    NumMismatchClasses = other.NumMismatchClasses;
    MismatchObsMean = other.MismatchObsMean;
    MismatchObsVar = other.MismatchObsVar;
    MismatchTheta0 = other.MismatchTheta0;
    MismatchTau = other.MismatchTau;
    MismatchRaggedness = other.MismatchRaggedness;
    MismatchChi2 = other.MismatchChi2;
    MismatchChi2P = other.MismatchChi2P;
    MismatchChi2DF = other.MismatchChi2DF;
    ArbitraryHaplotype = other.ArbitraryHaplotype;
    copy_values(LocusGeneCopies, other.LocusGeneCopies);
    copy_values(LocusNumAlleles, other.LocusNumAlleles);
    copy_values(LocusObsHet, other.LocusObsHet);
    copy_values(LocusExpHet, other.LocusExpHet);
    copy_values(LocusAllelicRange, other.LocusAllelicRange);
    copy_values(LocusGWStat, other.LocusGWStat);
    copy_values(LocusMinAlleleSize, other.LocusMinAlleleSize);
    copy_values(LocusMaxAlleleSize, other.LocusMaxAlleleSize);
    copy_values(LocusMeanAlleleSize, other.LocusMeanAlleleSize);
    MeanExpHet = other.MeanExpHet;
    MeanExpHetSD = other.MeanExpHetSD;
    MeanAllelicRange = other.MeanAllelicRange;
    MeanAllelicRangeSD = other.MeanAllelicRangeSD;
    MeanGWStat = other.MeanGWStat;
    MeanGWStatSD = other.MeanGWStatSD;
    MeanModGWIndex = other.MeanModGWIndex;
    MeanModGWIndexSD = other.MeanModGWIndexSD;
    MeanNumAlleles = other.MeanNumAlleles;
    MeanNumAllelesSD = other.MeanNumAllelesSD;
    MeanGeneCopies = other.MeanGeneCopies;
    MeanGeneCopiesSD = other.MeanGeneCopiesSD;
    DemogExpansionFit = other.DemogExpansionFit;
    SpatialExpansionFit = other.SpatialExpansionFit;
    NumPrivateSubstSites = other.NumPrivateSubstSites;
}

PopGenetics::~PopGenetics()
{
    release_owned_arrays();
    // The simulator's hit table belongs to the last genealogy built.
    if (SimTree.num_tips != 0)
        TNode::hits.count = 0;
    delete GibbsSampler;
    GibbsSampler = nullptr;
}

void PopGenetics::initialize()
{
    Population::initialize();
    contingency_table = nullptr;

    NumPolymSites = 0;
    TajimaD = 0.0;
    TajimaDPValue = -1.0;
    // Left unset, the Fu's Fs and mismatch values would reach the tables and
    // batch lines of samples whose driver never computes them.
    FuFs = 0.0;
    FuFsPValue = -1.0;
    SumSqHaplFreq = 0.0;
    ThetaK = ThetaKLow = ThetaKHigh = -1.0;
    ThetaS = ThetaSSD = -1.0;
    ThetaHom = ThetaHomSD = -1.0;
    ThetaPi = ThetaPiSD = -1.0;
    DoSlatkinExactTest = 1;
    Homozygosity = -1.0;
    GeneDiversity = -1.0;
    GeneDiversitySD = 0.0;
    SlatkinExactP = -1.0;
    EWObservedF = EWExpectedF = EWPValue = -1.0;
    ChakrabortyP = -1.0;
    EWObsConfigLogProb = 0.0;

    LocusMissingFreq = nullptr;
    AllowedMissingLevel = 0.0;
    LocusUsable = nullptr;
    NumLocusEntries = 0;
    NumUsableLoci = 0;
    NumLoci = 0;
    MaxPairDiff = 0;
    NumMismatchClasses = 0;
    HaplDistMat = nullptr;
    NumSimMutations = 0;
    MeanPairDiff = MeanPairDiffSD = 0.0;
    GibbsSampler = nullptr;

    MismatchObsMean = MismatchObsVar = MismatchTheta0 = MismatchTau = 0.0;
    MismatchRaggedness = MismatchChi2 = MismatchChi2P = 0.0;
    MismatchChi2DF = 0;
    MismatchObsCounts = nullptr;
    MismatchExpCounts = nullptr;

    MeanExpHet = MeanExpHetSD = 0.0;
    MeanAllelicRange = MeanAllelicRangeSD = 0.0;
    MeanGWStat = MeanGWStatSD = 0.0;
    MeanModGWIndex = MeanModGWIndexSD = 0.0;
    MeanNumAlleles = MeanNumAllelesSD = 0.0;
    MeanGeneCopies = MeanGeneCopiesSD = 0.0;
    ExpNumAlleles = 0.0;
    ChakrabortyExpNumAlleles = FuExpNumAlleles = -1.0;
    ChakrabortyPClasses = -1.0;
    DemogExpansionFit = ExpansionFit{};
    SpatialExpansionFit = ExpansionFit{};
    NumPrivateSubstSites = 0;
}

// The target keeps its own Fu's Fs values, reference haplotype, genealogy,
// Gibbs sampler, mismatch values, per-locus tables and expansion fits.
PopGenetics& PopGenetics::operator=(PopGenetics const& other)
{
    if (this == &other)
        return *this;
    Population::operator=(other);
    copy_results(other);
    release_owned_arrays();
    try {
        copy_owned_arrays(other);
    } catch (...) {
        release_owned_arrays();
        E.error(MEMORY, "PopGenetics::operator=(const PopGenetics& P)", 0);
    }
    return *this;
}

void PopGenetics::copy_results(PopGenetics const& other)
{
    NumPolymSites = other.NumPolymSites;
    TajimaD = other.TajimaD;
    TajimaDPValue = other.TajimaDPValue;
    SumSqHaplFreq = other.SumSqHaplFreq;
    ThetaK = other.ThetaK;
    ThetaKLow = other.ThetaKLow;
    ThetaKHigh = other.ThetaKHigh;
    ThetaS = other.ThetaS;
    ThetaSSD = other.ThetaSSD;
    ThetaHom = other.ThetaHom;
    ThetaHomSD = other.ThetaHomSD;
    ThetaPi = other.ThetaPi;
    ThetaPiSD = other.ThetaPiSD;
    DoSlatkinExactTest = other.DoSlatkinExactTest;
    Homozygosity = other.Homozygosity;
    GeneDiversity = other.GeneDiversity;
    GeneDiversitySD = other.GeneDiversitySD;
    SlatkinExactP = other.SlatkinExactP;
    EWObservedF = other.EWObservedF;
    EWExpectedF = other.EWExpectedF;
    EWPValue = other.EWPValue;
    ChakrabortyP = other.ChakrabortyP;
    EWObsConfigLogProb = other.EWObsConfigLogProb;
    AllowedMissingLevel = other.AllowedMissingLevel;
    NumUsableLoci = other.NumUsableLoci;
    NumLoci = other.NumLoci;
    MeanPairDiff = other.MeanPairDiff;
    MeanPairDiffSD = other.MeanPairDiffSD;
    ExpNumAlleles = other.ExpNumAlleles;
    ChakrabortyExpNumAlleles = other.ChakrabortyExpNumAlleles;
    FuExpNumAlleles = other.FuExpNumAlleles;
    ChakrabortyPClasses = other.ChakrabortyPClasses;
    MaxPairDiff = other.MaxPairDiff;
    NumSimMutations = other.NumSimMutations;
}

int PopGenetics::num_loci_of_first_haplotype() const
{
    if (haplotypes.count == 0 || !haplotypes.data[0]->haplotype)
        return 0;
    return haplotypes.data[0]->haplotype->haplovect.count;
}

// Each copy only where the source has one; the matrix gets storage of its own.
void PopGenetics::copy_owned_arrays(PopGenetics const& other)
{
    LocusMissingFreq = copy_of(other.LocusMissingFreq, other.NumLocusEntries);
    LocusUsable = copy_of(other.LocusUsable, other.NumLocusEntries);
    NumLocusEntries = other.NumLocusEntries;
    int classes = 2 * other.MaxPairDiff + 1;
    MismatchObsCounts = copy_of(other.MismatchObsCounts, classes);
    MismatchExpCounts = copy_of(other.MismatchExpCounts, classes);
    if (other.HaplDistMat) {
        int n = other.num_haplotypes;
        HaplDistMat = new RectMat(n, n);
        for (int i = 0; i < n && i < other.HaplDistMat->nrows; ++i)
            for (int j = 0; j < n && j < other.HaplDistMat->ncols; ++j)
                (*HaplDistMat)(i, j) = (*other.HaplDistMat)(i, j);
        HaplDistMat->constant_mode = other.HaplDistMat->constant_mode;
        HaplDistMat->diagonal_value = other.HaplDistMat->diagonal_value;
        HaplDistMat->off_diagonal_value = other.HaplDistMat->off_diagonal_value;
        HaplDistMat->mean = other.HaplDistMat->mean;
        HaplDistMat->SSX = other.HaplDistMat->SSX;
    }
}

void PopGenetics::release_owned_arrays()
{
    delete[] LocusMissingFreq;
    delete[] LocusUsable;
    delete HaplDistMat;
    delete[] MismatchObsCounts;
    delete[] MismatchExpCounts;
    LocusMissingFreq = nullptr;
    LocusUsable = nullptr;
    NumLocusEntries = 0;
    HaplDistMat = nullptr;
    MismatchObsCounts = nullptr;
    MismatchExpCounts = nullptr;
}

void PopGenetics::test_methods(settings&)
{
}

void PopGenetics::clean_bnum()
{
    BMat.re_allocate_matrix(kShrunkSize, kShrunkSize);
}

int PopGenetics::check_data()
{
    return 0;
}

int PopGenetics::compute_distance_matrix(std::fstream*, settings*, int)
{
    return 0;
}

void PopGenetics::take_distance_settings(settings const&, int, double)
{
}

void PopGenetics::take_pooling_distance_settings()
{
}

int PopGenetics::evaluate_polymorphism(settings const&)
{
    return 0;
}

int PopGenetics::build_arbitrary_haplotype()
{
    return 0;
}

// Once built, the table is not rebuilt here even when clean_bnum has shrunk
// it since: its consumers grow it to what they need.
int PopGenetics::get_B_num_mat()
{
    if (_B_num_exist)
        return 1;
    _B_num_exist = BMat.re_allocate_matrix(kStandardRows, kStandardCols);
    return _B_num_exist;
}

// The size is checked before n + 10, which overflows for n near INT_MAX. A
// refusal leaves the table empty, whatever the reason.
int PopGenetics::grow_B_num_mat(int n, int k)
{
    if (table_covers(n, k))
        return 1;
    const bool fits = n <= BnumMat::max_rows - 10 && k <= BnumMat::max_cols - 10;
    if (fits && BMat.re_allocate_matrix(n + 10, k + 10))
        return 1;
    BMat.re_allocate_matrix(0, 0);
    _B_num_exist = 0;
    return 0;
}

// Beyond about 1,500 gene copies B(n, j) overflows a double for some hundreds of alleles (j!
// alone does from j = 171). A size that the table takes or holds already is refused for that
// alone. The values are read from BMat when it has row n and column k, else from a table of their
// own built the same way, so that the reason does not depend on what BMat holds after the
// refusal (a refusal is told once, its cost does not matter).
bool PopGenetics::refused_for_overflow(int n, int k)
{
    if (n < 1 || k < 1 || n >= BnumMat::max_rows || k >= BnumMat::max_cols)
        return false;
    const bool covered = table_covers(n, k);
    if (!covered && (n + 10 > BnumMat::max_rows || k + 10 > BnumMat::max_cols))
        return false;
    BnumMat own;
    if (!covered && !own.re_allocate_matrix(n, k))
        return false;
    double const* row = covered ? BMat.rows[n - 1] : own.rows[n - 1];
    for (int j = 1; j <= std::min(n, k); ++j)
        if (!std::isfinite(row[j - 1]))
            return true;
    return false;
}

void PopGenetics::explain_table_refusal(std::ostream& out, int n, int k)
{
    if (refused_for_overflow(n, k))
        out << ": the Stirling numbers of " << n << " gene copies and up to " << k
            << " alleles exceed the range of a double";
    else if (n >= BnumMat::max_rows || k >= BnumMat::max_cols)
        out << " with " << BnumMat::max_rows << " gene copies or " << BnumMat::max_cols
            << " alleles or more";
    else
        out << ": the table of Ewens' probabilities would need " << n + 10 << " rows (n + 10) and "
            << k + 10 << " columns (k + 10), more than its " << BnumMat::max_rows << " rows and "
            << BnumMat::max_cols << " columns";
}

int PopGenetics::alleles_in_sample() const
{
    int k = 0;
    for (int i = 0; i < haplotypes.count; ++i)
        if (haplotypes.data[i]->count > 0)
            ++k;
    return k;
}

int alleles_in_classes(HaplotypeClasses const& classes)
{
    int k = 0;
    while (k < classes.count && classes.data[k]->Freq > 0.0)
        ++k;
    return k;
}

void write_batch_prefix(std::ostream& out, my_string const& sample_name)
{
    out << "\"" << settings::input_file << "\"\t\"" << sample_name << "\"\t";
}
