// Project to Biosys file of individual genotypes (data type 1, alphanumeric
// alleles).
//
// The file holds the title, the header line (NOTU samples, NLOC loci, NALL
// alleles), a listing of the loci closed by "STEP DATA:", the data-type line,
// the format statement of the data lines, and per sample a heading line (its
// number in 4 columns and its name in 16), one line per copy of each
// individual and "NEXT"; "END;" closes the file. A data line holds the name
// in 7 columns, 3 blanks, then per locus a blank and the alleles of the two
// gene copies, each filled with blanks to the longest allele name. Only
// genotypic data can be written.
#include <algorithm>
#include <string>

#include "project/project.h"
#include "translator/imp_exp.h"

namespace {

// The text filled with blanks, or cut, to `width` characters.
std::string fitted(std::string text, std::size_t width)
{
    text.resize(width, ' ');
    return text;
}

class BiosysWriter {
public:
    BiosysWriter(Project& project, std::ostream& out)
        : project(project), out(out), loci(project.allele_db.loci.count),
          missing(1, project.profile.MissingData)
    {
    }

    void run()
    {
        MY_TIArrayAsVector<Population>& samples = project.samples->Populations;
        if (samples.count > 0)
            measure_alleles();
        // A file that opens with an empty line would not read back: the
        // header line would be taken for the title.
        std::string title = project.profile.Title.str;
        out << (title.empty() ? "untitled" : title) << '\n'
            << "NOTU=" << samples.count << ", NLOC=" << loci << ", NALL=" << nall << ", CRT;\n"
            << '(' << loci << "(1X,A7))\n";
        for (int l = 0; l < loci; ++l)
            out << (l <= 9 ? "LOCI0" : "LOCI") << l << ' ';
        out << "\n\nSTEP DATA:\nDATYP=1,ALPHA\n"
            << "(A7,3X," << loci << "(1X,A" << width << ",A" << width << "))\n";
        for (int s = 0; s < samples.count; ++s) {
            out << fitted(std::to_string(s), 4) << fitted(samples.data[s]->name.str, 16) << '\n';
            write_individuals(*samples.data[s]);
            out << "NEXT\n";
        }
        out << "END;\n";
    }

private:
    Project& project;
    std::ostream& out;
    int loci;
    std::string missing;  // what a gene copy without an allele is written as
    std::size_t width = 0;  // of an allele field: the longest allele name
    int nall = 0;           // alleles of the database

    // The recessive-allele slot that opens every locus is not counted.
    void measure_alleles()
    {
        for (int l = 0; l < loci; ++l) {
            MY_TIArrayAsVector<TAllele>& alleles = project.allele_db.loci.data[l]->alleles;
            for (int a = 1; a < alleles.count; ++a)
                width = std::max(width, static_cast<std::size_t>(alleles.data[a]->name.length));
            if (alleles.count >= 2)
                nall += alleles.count - 1;
        }
    }

    // An individual of count c is written trunc(c + 0.1) times.
    void write_individuals(Population& sample)
    {
        MY_TIArrayAsVector<TPhenotype>& individuals = sample.individuals.phenotypes;
        std::string record;
        for (int i = 0; i < individuals.count; ++i) {
            TPhenotype const& individual = *individuals.data[i];
            record = fitted(individual.name.str, 7) + "   ";
            for (int l = 0; l < loci; ++l)
                record += ' ' + fitted(name_of(individual.allele_at(0, l)), width)
                          + fitted(name_of(individual.allele_at(1, l)), width);
            int copies = static_cast<int>(individual.count + 0.1);
            for (int c = 0; c < copies; ++c)
                out << record << '\n';
        }
    }

    std::string name_of(TAllele const* allele) const
    {
        return allele != nullptr ? std::string(allele->name.str) : missing;
    }
};

} // namespace

int imp_exp::write_biosys()
{
    if (project->profile.GenotypicData == 0)
        return refuse("  It is not possible to translate Haplotypic data into the\n"
                      "  BIOSYS format.\n");
    BiosysWriter(*project, *os).run();
    return 1;
}
