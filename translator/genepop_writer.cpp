// Project to GenePop file.
//
// The file holds the title line, one line "Locus_<k>" per locus of the
// allele database, and per sample "POP" and its records: an individual's
// name, ", " and per locus the codes of its two gene copies; or a
// haplotype's id, " , " and per locus its code followed by a missing second
// copy. A record is written once per copy of its individual or haplotype.
//
// The code of an allele is its position in its locus of the allele database
// (position 0 is the recessive-allele slot), plus one for haplotypic data, so
// that real alleles start at 01 or 02; an allele named by the missing-data
// character is 0. Codes take two digits, or three for the whole file when any
// code written exceeds 99, so that every code splits the same way on reading.
// Haplotype frequencies without alleles have no codes to write and are refused.
#include <cstdio>
#include <string>
#include <vector>

#include "project/project.h"
#include "translator/imp_exp.h"

namespace {

class GenePopWriter {
public:
    GenePopWriter(Project& project, std::ostream& out)
        : project(project), out(out), loci(project.allele_db.loci.count),
          genotypic(project.profile.GenotypicData != 0),
          missing(project.profile.MissingData)
    {
    }

    void run()
    {
        out << "Title line:\"" << project.profile.Title << "\"\n";
        MY_TIArrayAsVector<Population>& samples = project.samples->Populations;
        if (samples.count == 0)
            return;
        for (int k = 1; k <= loci; ++k)
            out << "Locus_" << k << '\n';

        for (int i = 0; i < samples.count; ++i)
            for_each_record(*samples.data[i], [this](my_string const&, const char*, int) {
                for (int code : codes)
                    if (code > 99)
                        digits = 3;
            });
        for (int i = 0; i < samples.count; ++i) {
            out << "POP\n";
            for_each_record(*samples.data[i], [this](my_string const& label,
                                                     const char* separator, int copies) {
                write_record(label, separator, copies);
            });
        }
    }

private:
    Project& project;
    std::ostream& out;
    int loci;
    bool genotypic;
    char missing;
    int digits = 2;
    std::vector<int> codes;  // two per locus: gene copy 1 and gene copy 2
    std::string record;

    // Calls visit(label, separator, copies) for every record to write, with
    // its codes in `codes`.
    template <class Visit>
    void for_each_record(Population& sample, Visit visit)
    {
        if (genotypic) {
            MY_TIArrayAsVector<TPhenotype>& individuals = sample.individuals.phenotypes;
            for (int i = 0; i < individuals.count; ++i) {
                TPhenotype const& individual = *individuals.data[i];
                int copies = static_cast<int>(individual.count + 0.1);
                if (copies < 1)
                    continue;
                codes.assign(2 * loci, 0);
                for (int k = 0; k < loci; ++k) {
                    codes[2 * k] = code_of(individual.allele_at(0, k), k);
                    codes[2 * k + 1] = code_of(individual.allele_at(1, k), k);
                }
                visit(individual.name, ", ", copies);
            }
            return;
        }
        MY_TIArrayAsVector<PHaploDef>& haplotypes = sample.haplotypes;
        for (int i = 0; i < haplotypes.count; ++i) {
            PHaploDef const& entry = *haplotypes.data[i];
            if (entry.count <= 0 || entry.haplotype == nullptr)
                continue;
            MY_TIArrayAsVector<TAllele>& alleles = entry.haplotype->haplovect;
            codes.assign(2 * loci, 0);
            for (int k = 0; k < loci && k < alleles.count; ++k)
                codes[2 * k] = code_of(alleles.data[k], k);
            visit(entry.haplotype->id, " , ", entry.count);
        }
    }

    // The alleles of the data point into the project's database, where a
    // name occurs once per locus: the allele's own position is the position
    // of its name.
    int code_of(TAllele* allele, int locus)
    {
        if (allele == nullptr || allele->name.str[0] == missing)
            return 0;
        int position = project.allele_db.loci.data[locus]->get_allele_index(allele);
        if (position < 0)
            return 0;
        return genotypic ? position : position + 1;
    }

    void write_record(my_string const& label, const char* separator, int copies)
    {
        record = label.str;
        record += separator;
        char text[32];
        for (int k = 0; k < loci; ++k) {
            std::snprintf(text, sizeof text, "%0*d%0*d ", digits, codes[2 * k], digits,
                          codes[2 * k + 1]);
            record += text;
        }
        record += '\n';
        for (int c = 0; c < copies; ++c)
            out << record;
    }
};

} // namespace

int imp_exp::write_gen_pop()
{
    if (ProfileSettings::DataType == FREQUENCY)
        return refuse_frequencies("GenePop");
    GenePopWriter(*project, *os).run();
    return 1;
}
