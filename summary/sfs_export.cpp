// Site frequency spectra of the samples of a level ("*.obs" files in the
// result folder): per sample the spectrum of derived-allele counts and the
// folded spectrum of minor-allele counts, the same two joint spectra per
// pair of samples, the two multidimensional spectra over all samples (cells
// in row-major order, the last sample varying fastest), and the number of
// polymorphic sites; optionally repeated for bootstrap replicates
// over sites, each in a folder of its own under "bootSFS/".
//
// The joint spectra are counted, written and released one pair of samples
// at a time: many large samples never hold all pairs' tables at once.
//
// A site is a locus of the allele tables; its allele named "0" is the
// ancestral state, every other allele derived. A site whose pooled alleles
// include the missing-data allele is in no spectrum.

#include <algorithm>
#include <climits>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <new>
#include <string>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/file_helpers.h"
#include "model/allele_db.h"
#include "project/samples.h"
#include "summary/sfs_coord.h"
#include "summary/summary_exports.h"

namespace {

const char* const WHERE = "Samples::computeAndOutputSFS(settings& www)";
const int MEMORY_MESSAGE = 0;

using namespace summary_exports;

bool is_missing_name(my_string const& name, char missing)
{
    return name.length == 1 && name.str[0] == missing;
}

// The counts of every site in the samples, taken once per call: they do not
// depend on the pass, which only chooses the sites.
struct SiteTable {
    enum Flag : unsigned char { COUNTED = 1, ANCESTRAL_MINOR = 2, TIE = 4 };
    int K = 0;
    std::vector<int> derived;           // d_p of site s at s K + p
    std::vector<unsigned char> flags;  // per site

    int d(int site, int p) const { return derived[static_cast<std::size_t>(site) * K + p]; }
    bool has(int site, Flag f) const { return flags[static_cast<std::size_t>(site)] & f; }
    // The minor-allele cell of sample p of size n: the count of the allele
    // "0" when that is the minor allele, else the derived count.
    int minor(int site, int p, int n) const
    {
        return has(site, ANCESTRAL_MINOR) ? n - d(site, p) : d(site, p);
    }
};

// The spectra of one run of the exporter. Those of the samples and the
// multidimensional ones are allocated once and emptied before each pass, so
// that the passes allocate nothing per site; a pair's joint tables live
// while that pair is counted and written.
class SpectrumExport {
public:
    SpectrumExport(Samples& samples, settings& s);
    void run();

private:
    Samples& samples_;
    settings& s_;
    const int K_;
    const int L_;
    std::vector<int> n_;  // sample sizes in gene copies, truncated
    std::vector<double> size_;
    int T_ = 0;            // total of the sample sizes
    std::string folder_;   // the result folder, with its closing separator
    std::string base_;     // the project's file name without folder and extension
    const my_string ancestral_name_{"0"};
    SiteTable sites_;
    std::vector<int> idx_;
    int polymorphic_ = 0;

    std::vector<std::vector<int>> daf_;
    std::vector<std::vector<double>> maf_;
    std::vector<bool> pair_skipped_;  // pair (i, j), j < i, at i(i-1)/2 + j
    bool multi_ = false;
    std::vector<double> dsfs_, msfs_;
    TSFSCoord dcoord_, mcoord_;

    void classify();
    void classify_site(int s, TLocus& pooled);
    void make_spectra();
    bool make_multi();
    void empty_spectra();
    void count_sites();
    void count_site(int s);
    void write_pass(std::string const& prefix, bool observed);
    void write_sample(int p, std::string const& prefix);
    void write_pair(int i, int j, std::string const& prefix);
    bool make_pair(int i, int j, std::vector<int>& daf, std::vector<double>& maf);
    void write_multi(std::string const& prefix);
    void write_polymorphic_sites();
    bool open(std::ofstream& out, std::string const& name) const
    {
        return open_output(out, name, std::ios::out | std::ios::trunc, WHERE);
    }
};

SpectrumExport::SpectrumExport(Samples& samples, settings& s)
    : samples_(samples), s_(s), K_(samples.Populations.count),
      L_(PopGenetics::globalAllelicDB.loci.count)
{
    for (int p = 0; p < K_; ++p) {
        size_.push_back(samples.Populations.data[p]->SampleSize);
        n_.push_back(std::max(0, static_cast<int>(size_.back())));
        T_ = static_cast<int>(T_ + size_.back());
    }
    folder_ = result_folder(s);
    my_string base = settings::input_file;
    base.rm_path();
    base.remove_extension();
    base_ = base.str;
}

void SpectrumExport::run()
{
    try {
        idx_.resize(static_cast<std::size_t>(L_));
        sites_.K = K_;
        sites_.derived.resize(static_cast<std::size_t>(L_) * K_);
        sites_.flags.resize(static_cast<std::size_t>(L_));
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, WHERE, MEMORY_MESSAGE);
    }
    for (int k = 0; k < L_; ++k)
        idx_[k] = k;
    classify();
    make_spectra();
    multi_ = s_.ComputeMultiSFS && make_multi();

    for (int r = 0; r <= s_.NumBootSFS; ++r) {
        std::string prefix = folder_;
        if (r >= 1) {
            prefix += "bootSFS/";
            if (r == 1)
                MY_CreateDirectory(prefix.c_str());
            prefix += base_ + "_" + std::to_string(r - 1) + "/";
            MY_CreateDirectory(prefix.c_str());
            bootstrapLoci(idx_.data(), L_);
        }
        empty_spectra();
        count_sites();
        write_pass(prefix + base_, r == 0);
    }
}

void SpectrumExport::make_spectra()
{
    if (s_.ComputePopSFS) {
        daf_.resize(K_);
        maf_.resize(K_);
        for (int p = 0; p < K_; ++p) {
            daf_[p].resize(n_[p] + 1);
            maf_[p].resize(n_[p] + 1);
        }
    }
    if (s_.ComputeJointSFS) {
        pair_skipped_.assign(static_cast<std::size_t>(K_) * (K_ - 1) / 2, false);
        for (int s = 0; s < L_; ++s)
            if (PopGenetics::globalAllelicDB.loci.data[s]->is_polymorph(samples_.MissingData,
                                                                        samples_.RecessiveAllele))
                ++polymorphic_;
    }
}

// The minor allele is the rarest allele of the site over all samples (the
// first of equal counts), never the missing-data allele; a tie is a minor
// allele holding exactly half of all gene copies.
void SpectrumExport::classify()
{
    for (int s = 0; s < L_; ++s)
        classify_site(s, *PopGenetics::globalAllelicDB.loci.data[s]);
}

void SpectrumExport::classify_site(int s, TLocus& pooled)
{
    sort_alleles_by_name(pooled);
    TLocus* project_locus = locus_of(s_.allele_db, s);
    int minor = -1;
    double minor_count = 0.0;
    // Walks the project locus's own alleles after the recessive slot, so that
    // a pooled table listing more or fewer alleles reads no missing entry.
    const int m = project_locus ? project_locus->alleles.count : 0;
    for (int a = 1; a < m; ++a) {
        TAllele const* allele = project_locus->alleles.data[a];
        double c = 0.0;
        for (int p = 0; p < K_; ++p)
            c += std::floor(frequency_in(allele, p) * size_[p] + 0.5);
        if (c != 0.0 && !is_missing_name(allele->name, samples_.MissingData)
            && (minor < 0 || c < minor_count)) {
            minor = a;
            minor_count = c;
        }
    }

    int ancestral = -1;
    TAllele const* zero = nullptr;
    if (pooled.find_allele_by_name('0') && project_locus) {
        ancestral = project_locus->find_allele_pos_by_name(ancestral_name_);
        zero = ancestral >= 0 ? project_locus->alleles.data[ancestral] : nullptr;
    }
    for (int p = 0; p < K_; ++p) {
        int d = static_cast<int>(std::floor((1.0 - frequency_in(zero, p)) * n_[p] + 0.5));
        sites_.derived[static_cast<std::size_t>(s) * K_ + p] = std::min(std::max(d, 0), n_[p]);
    }

    unsigned char flags = 0;
    if (!pooled.find_allele_by_name(samples_.MissingData))
        flags |= SiteTable::COUNTED;
    if (ancestral >= 0 && ancestral == minor)
        flags |= SiteTable::ANCESTRAL_MINOR;
    if (minor >= 0 && minor_count == T_ - minor_count)
        flags |= SiteTable::TIE;
    sites_.flags[static_cast<std::size_t>(s)] = flags;
}

// The cells of the multidimensional spectra, counted in 64 bits: a count
// beyond the int range of the flat index, or arrays that cannot be had, skip
// both outputs in every pass with one warning naming the sample sizes.
bool SpectrumExport::make_multi()
{
    // Exact in double far beyond the int range, where the check stops.
    double cells = 1.0;
    for (int p = 0; p < K_; ++p)
        cells = std::trunc(cells * (size_[p] + 1.0));
    // The strides of the flat index; fractional sample sizes can make them
    // reach beyond the running product of the sizes.
    double stride = 1.0, largest_index = 0.0;
    for (int p = K_ - 1; p >= 0; --p) {
        largest_index += n_[p] * stride;
        if (p > 0)
            stride = std::trunc(stride * (size_[p] + 1.0));
    }
    cells = std::max(cells, largest_index + 1.0);
    bool fits = cells <= INT_MAX && stride <= INT_MAX;
    if (fits) {
        try {
            dsfs_.resize(static_cast<std::size_t>(cells));
            msfs_.resize(static_cast<std::size_t>(cells));
        } catch (std::bad_alloc const&) {
            std::vector<double>().swap(dsfs_);
            std::vector<double>().swap(msfs_);
            fits = false;
        }
    }
    if (!fits) {
        std::string sizes;
        for (int p = 0; p < K_; ++p)
            sizes += (p ? ", " : "") + std::to_string(n_[p]);
        E.error(WARNING, my_string(WHERE) + ": multiSFS too large for the sample sizes " +
                             sizes.c_str() + "; not written",
                MEMORY_MESSAGE);
        return false;
    }
    dcoord_.initRowMajor(&samples_);
    mcoord_.initRowMajor(&samples_);
    return true;
}

void SpectrumExport::empty_spectra()
{
    for (auto& v : daf_)
        std::fill(v.begin(), v.end(), 0);
    for (auto& v : maf_)
        std::fill(v.begin(), v.end(), 0.0);
    std::fill(dsfs_.begin(), dsfs_.end(), 0.0);
    std::fill(msfs_.begin(), msfs_.end(), 0.0);
}

void SpectrumExport::count_sites()
{
    for (int k = 0; k < L_; ++k)
        if (sites_.has(idx_[k], SiteTable::COUNTED))
            count_site(idx_[k]);
}

// Under a tie the site is split between the minor-allele cell and its
// complement.
void SpectrumExport::count_site(int s)
{
    const bool tie = sites_.has(s, SiteTable::TIE);
    const int* d = &sites_.derived[static_cast<std::size_t>(s) * K_];
    auto minor_of = [&](int p) { return sites_.minor(s, p, n_[p]); };

    for (std::size_t p = 0; p < daf_.size(); ++p) {
        const int np = n_[p];
        daf_[p][d[p]] += 1;
        if (tie) {
            maf_[p][d[p]] += 0.5;
            maf_[p][np - d[p]] += 0.5;
        } else {
            maf_[p][minor_of(static_cast<int>(p))] += 1.0;
        }
    }
    if (multi_) {
        for (int p = 0; p < K_; ++p) {
            dcoord_.coord[p] = d[p];
            mcoord_.coord[p] = tie ? d[p] : minor_of(p);
        }
        incMultiSFS(dsfs_.data(), dcoord_);
        if (tie) {
            incOneHalfMultiSFS(msfs_.data(), mcoord_);
            for (int p = 0; p < K_; ++p)
                mcoord_.coord[p] = n_[p] - mcoord_.coord[p];
            incOneHalfMultiSFS(msfs_.data(), mcoord_);
        } else {
            incMultiSFS(msfs_.data(), mcoord_);
        }
    }
}

// The polymorphic-site count does not depend on the pass: written once, in
// the result folder.
void SpectrumExport::write_pass(std::string const& prefix, bool observed)
{
    for (std::size_t p = 0; p < daf_.size(); ++p)
        write_sample(static_cast<int>(p), prefix);
    if (s_.ComputeJointSFS) {
        if (observed)
            write_polymorphic_sites();
        for (int i = 1; i < K_; ++i)
            for (int j = 0; j < i; ++j)
                write_pair(i, j, prefix);
    }
    if (multi_)
        write_multi(prefix);
}

void write_cell(std::ostream& out, int count)
{
    out << count;
}

void write_cell(std::ostream& out, double count)
{
    out << spectrum_cell(count);
}

template <class T>
void write_row(std::ostream& out, T const* values, int count)
{
    for (int c = 0; c < count; ++c) {
        out << (c ? "\t" : "");
        write_cell(out, values[c]);
    }
    out << "\n";
}

template <class T>
void write_sample_spectrum(std::ostream& out, int p, std::vector<T> const& cells)
{
    out << "1 observation\n";
    for (std::size_t c = 0; c < cells.size(); ++c)
        out << (c ? "\t" : "") << "d" << p + 1 << "_" << c;
    out << "\n";
    write_row(out, cells.data(), static_cast<int>(cells.size()));
}

void SpectrumExport::write_sample(int p, std::string const& prefix)
{
    std::ofstream daf, maf;
    if (open(daf, prefix + "_DAFpop" + std::to_string(p) + ".obs"))
        write_sample_spectrum(daf, p, daf_[p]);
    if (open(maf, prefix + "_MAFpop" + std::to_string(p) + ".obs"))
        write_sample_spectrum(maf, p, maf_[p]);
}

// Rows are the counts in sample i, columns those in sample j < i.
template <class T>
void write_joint_spectrum(std::ostream& out, int i, int j, int rows, int columns,
                          std::vector<T> const& cells)
{
    out << "1 observation\n";
    for (int c = 0; c < columns; ++c)
        out << "\td" << j + 1 << "_" << c;
    out << "\n";
    for (int r = 0; r < rows; ++r) {
        out << "d" << i + 1 << "_" << r;
        for (int c = 0; c < columns; ++c) {
            out << "\t";
            write_cell(out, cells[static_cast<std::size_t>(r) * columns + c]);
        }
        out << "\n";
    }
}

// The two tables of a pair, all 0; a table beyond the int range of its flat
// index, or that cannot be had, skips the pair in every pass with one
// warning naming the samples and their sizes.
bool SpectrumExport::make_pair(int i, int j, std::vector<int>& daf, std::vector<double>& maf)
{
    const std::size_t pair = static_cast<std::size_t>(i) * (i - 1) / 2 + j;
    if (pair_skipped_[pair])
        return false;
    const double cells = (n_[i] + 1.0) * (n_[j] + 1.0);
    bool fits = cells <= INT_MAX;
    if (fits) {
        try {
            daf.assign(static_cast<std::size_t>(cells), 0);
            maf.assign(static_cast<std::size_t>(cells), 0.0);
        } catch (std::bad_alloc const&) {
            fits = false;
        }
    }
    if (!fits) {
        pair_skipped_[pair] = true;
        std::string text = std::string(WHERE) + ": joint SFS of samples " + std::to_string(i)
                           + " and " + std::to_string(j) + " too large for the sample sizes "
                           + std::to_string(n_[i]) + ", " + std::to_string(n_[j])
                           + "; not written";
        E.error(WARNING, my_string(text.c_str()), MEMORY_MESSAGE);
    }
    return fits;
}

// Under a tie the site is split between its cell and the complementary one.
void SpectrumExport::write_pair(int i, int j, std::string const& prefix)
{
    std::vector<int> daf;
    std::vector<double> maf;
    if (!make_pair(i, j, daf, maf))
        return;
    const int columns = n_[j] + 1;
    for (int k = 0; k < L_; ++k) {
        const int s = idx_[k];
        if (!sites_.has(s, SiteTable::COUNTED))
            continue;
        const int di = sites_.d(s, i), dj = sites_.d(s, j);
        daf[static_cast<std::size_t>(di) * columns + dj] += 1;
        if (sites_.has(s, SiteTable::TIE)) {
            maf[static_cast<std::size_t>(di) * columns + dj] += 0.5;
            maf[static_cast<std::size_t>(n_[i] - di) * columns + n_[j] - dj] += 0.5;
        } else {
            const int mi = sites_.minor(s, i, n_[i]), mj = sites_.minor(s, j, n_[j]);
            maf[static_cast<std::size_t>(mi) * columns + mj] += 1.0;
        }
    }
    const std::string pops = std::to_string(i) + "_" + std::to_string(j) + ".obs";
    std::ofstream daf_out, maf_out;
    if (open(daf_out, prefix + "_jointDAFpop" + pops))
        write_joint_spectrum(daf_out, i, j, n_[i] + 1, columns, daf);
    if (open(maf_out, prefix + "_jointMAFpop" + pops))
        write_joint_spectrum(maf_out, i, j, n_[i] + 1, columns, maf);
}

void SpectrumExport::write_polymorphic_sites()
{
    std::ofstream out;
    if (open(out, folder_ + base_ + "_numPolymSites.obs"))
        out << " 1 observation  (tot num. simulated sites and num. polym. sites on next line)\n"
            << L_ << "\t" << polymorphic_ << "\n";
}

void write_multi_spectrum(std::ostream& out, std::vector<double> const& sizes,
                          std::vector<double> const& cells)
{
    out << "1 observation. No. of demes and sample sizes are on next line\n" << sizes.size();
    for (double size : sizes)
        out << "\t" << size;
    out << "\n";
    for (std::size_t c = 0; c < cells.size(); ++c)
        out << (c ? "\t" : "") << spectrum_cell(cells[c]);
    out << "\n";
}

void SpectrumExport::write_multi(std::string const& prefix)
{
    std::ofstream dsfs, msfs;
    if (open(dsfs, prefix + "_DSFS.obs"))
        write_multi_spectrum(dsfs, size_, dsfs_);
    if (open(msfs, prefix + "_MSFS.obs"))
        write_multi_spectrum(msfs, size_, msfs_);
}

void set_progress(const char* text)
{
    std::snprintf(settings::message, sizeof settings::message, "%s", text);
    settings::print_message();
}

}  // namespace

void Samples::computeAndOutputSFS(settings& run_settings)
{
    set_progress("Computing SFS...");
    if (run_settings.NumBootSFS >= 0)
        SpectrumExport(*this, run_settings).run();
    set_progress("Finished computing SFS...");
}
