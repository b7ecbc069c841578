// The export step of the summary report: the pooled allele table rebuilt
// with missing data counted as an allele when asked, then the
// allele-frequency files and the site frequency spectra of the level. Also
// what the two exporters share.

#include "summary/summary_exports.h"

#include <cstdio>
#include <cstring>
#include <utility>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "core/errors.h"
#include "model/allele_db.h"
#include "project/samples.h"
#include "summary/summary_report.h"

namespace {

const int INVALID_STREAM_MESSAGE = 9;

}  // namespace

namespace summary_exports {

void sort_alleles_by_name(TLocus& locus)
{
    MY_TIArrayAsVector<TAllele>& a = locus.alleles;
    if (a.count < 2)
        return;
    int smallest = 0;
    for (int i = 1; i < a.count; ++i)
        if (std::strcmp(a.data[i]->name.str, a.data[smallest]->name.str) < 0)
            smallest = i;
    std::swap(a.data[0], a.data[smallest]);
    MY_TIArrayAsVector<TAllele>::heapsort(a.count - 1, a.data);
}

TLocus* locus_of(TAlleleDB* db, int l)
{
    return db && l >= 0 && l < db->loci.count ? db->loci.data[l] : nullptr;
}

TAllele* allele_named(TAlleleDB* db, int l, const char* name)
{
    TLocus* locus = locus_of(db, l);
    return locus ? locus->find_allele_by_name(my_string(name)) : nullptr;
}

double frequency_in(TAllele const* allele, int sample)
{
    if (!allele || !allele->pop_freq || sample < 0 || sample >= allele->pop_freq_len)
        return 0.0;
    return allele->pop_freq[sample];
}

std::string spectrum_cell(double count)
{
    char text[32];
    const long long whole = static_cast<long long>(count);
    if (count == static_cast<double>(whole))
        std::snprintf(text, sizeof text, "%lld", whole);
    else
        std::snprintf(text, sizeof text, "%.1f", count);
    return text;
}

std::string result_folder(settings const& s)
{
    my_string folder = s.results_file;
    folder.extract_path();
    return folder.str;
}

bool open_output(std::ofstream& out, std::string const& name, std::ios::openmode mode,
                 const char* where)
{
    out.open(name, mode);
    if (out)
        return true;
    E.error(WARNING, my_string(where) + ": unable to create " + name.c_str(),
            INVALID_STREAM_MESSAGE);
    return false;
}

}  // namespace summary_exports

// With ComputeMissDataFreq the pooled table is counted afresh from the
// level's samples, a missing gene copy counting as an allele of its own.
void write_summary_exports(SummaryReport& r)
{
    settings& s = r.s;
    Samples& samples = r.samples;
    if (s.ComputeMissDataFreq) {
        PopGenetics::globalAllelicDB.destroy();
        for (int i = 0; i < r.n; ++i) {
            PopGenetics& p = r.sample(i);
            if (s.genotypic_data)
                p.computeAlleFreqDipl(p.individuals, s);
            else
                p.computeAlleFreqHapl(s);
        }
    }
    if (s.ComputeAllAlleleFreqs)
        samples.computeAndOutputAlleFreqPerPop(s);
    if (s.ComputePopSFS || s.ComputeJointSFS || s.ComputeMultiSFS)
        samples.computeAndOutputSFS(s);
}
