// Allele-frequency files of the samples of a level: the relative frequency
// of every allele of every locus in every sample, as a key from sample
// numbers to names ("PopNames.txt"), one table over all loci
// ("AllAlleleFreqs.txt", beside the project file) and one table per locus
// ("AllFreqLocus_<i>.txt"). The alleles are those of the pooled allele
// table, listed by name in byte order (so 100, 102, 98); the frequencies are
// those the per-locus tables left in the project's allele database.

#include <fstream>
#include <iomanip>
#include <string>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "model/allele_db.h"
#include "project/samples.h"
#include "summary/summary_exports.h"

namespace {

const char* const WHERE = "Samples::computeAndOutputAlleFreqPerPop()";

using namespace summary_exports;

void write_sample_key(Samples const& samples, std::string const& name)
{
    std::ofstream key;
    if (!open_output(key, name, std::ios::out | std::ios::trunc, WHERE))
        return;
    for (int p = 0; p < samples.Populations.count; ++p)
        key << "Pop_" << p + 1 << "\t" << samples.Populations.data[p]->name << "\n";
}

}  // namespace

void Samples::computeAndOutputAlleFreqPerPop(settings& s)
{
    const std::string folder = result_folder(s);
    write_sample_key(*this, folder + "PopNames.txt");

    // Appending lets the tables gather both levels and earlier runs of the project.
    const std::ios::openmode mode =
        std::ios::out | (s.append_results ? std::ios::app : std::ios::trunc);
    std::ofstream all;
    // A file that cannot be created is reported once; writes to its failed
    // stream are then lost and the other files are still written.
    open_output(all, std::string(s.project_dir.str) + "AllAlleleFreqs.txt", mode, WHERE);
    all << std::setprecision(5);

    TAlleleDB& pooled = PopGenetics::globalAllelicDB;
    const int K = Populations.count;
    std::string locus_name;
    for (int i = 0; i < pooled.loci.count; ++i) {
        locus_name = folder + "AllFreqLocus_" + std::to_string(i + 1) + ".txt";
        std::ofstream table;
        open_output(table, locus_name, mode, WHERE);
        table << std::fixed << std::right << std::showpoint << std::setprecision(5);
        table << std::setw(12) << "Allele";
        for (int p = 1; p <= K; ++p)
            table << std::setw(12) << ("Pop_" + std::to_string(p));
        table << "\n";

        TLocus& locus = *pooled.loci.data[i];
        sort_alleles_by_name(locus);
        for (int a = 0; a < locus.alleles.count; ++a) {
            const char* name = locus.alleles.data[a]->name.str;
            TAllele const* in_project = allele_named(s.allele_db, i, name);
            table << std::setw(12) << name;
            all << "Locus_" << i + 1 << "\t" << name << "\t";
            for (int p = 0; p < K; ++p) {
                const double f = frequency_in(in_project, p);
                table << std::setw(12) << f;
                all << f << "\t";
            }
            table << "\n";
            all << "\n";
        }
    }
}
