// Project to Phylip file.
//
// All samples are merged into one list of sequences (see sequence_export.h).
// A Phylip file must open with its header, and has no comments: the notes on
// merging and on genotypic data go to the console and the log. Haplotype
// frequencies without sequences are refused, and so are alleles of more than
// one character (microsatellites, longer STANDARD codes): a Phylip reader
// takes every character for a site. The header gives the number of
// sequences and the number of loci; each sequence line is its name in
// exactly 10 characters followed at once by the data text of the
// haplotype or gene copy as the project holds it. A name is the haplotype id
// or individual name, cut to 6 characters when longer, and the copy number
// (and the gene-copy digit), padded with blanks.
#include <algorithm>
#include <iomanip>

#include "translator/imp_exp.h"
#include "translator/sequence_export.h"

namespace {

const std::size_t STEM_LENGTH = 6;
const std::size_t NAME_WIDTH = 10;

long long count_sequences(Project& project)
{
    bool genotypic = project.profile.GenotypicData != 0;
    long long total = 0;
    MY_TIArrayAsVector<Population>& samples = project.samples->Populations;
    for (int s = 0; s < samples.count; ++s) {
        Population& sample = *samples.data[s];
        if (genotypic) {
            MY_TIArrayAsVector<TPhenotype>& individuals = sample.individuals.phenotypes;
            for (int i = 0; i < individuals.count; ++i)
                total += 2LL * std::max(0, individual_copies(*individuals.data[i]));
        } else {
            for (int i = 0; i < sample.haplotypes.count; ++i)
                if (sample.haplotypes.data[i]->haplotype != nullptr)
                    total += std::max(0, sample.haplotypes.data[i]->count);
        }
    }
    return total;
}

// True when every allele of the data text is one character: with a locus
// separator the alleles lie between separators, blanks and tabs (which a
// Phylip reader passes over); without one every character is an allele.
bool alleles_of_one_character(my_string const& data)
{
    if (ProfileSettings::LocusSeparator == 0)
        return true;
    int length = 0;
    for (const char* c = data.str; *c != '\0'; ++c) {
        bool between = *c == ' ' || *c == '\t' || *c == ProfileSettings::LocusSeparator;
        length = between ? 0 : length + 1;
        if (length > 1)
            return false;
    }
    return true;
}

// Every haplotype and gene copy that the file would list, checked once each.
bool one_character_per_allele(Project& project)
{
    bool genotypic = project.profile.GenotypicData != 0;
    MY_TIArrayAsVector<Population>& samples = project.samples->Populations;
    for (int s = 0; s < samples.count; ++s) {
        Population& sample = *samples.data[s];
        if (genotypic) {
            MY_TIArrayAsVector<TPhenotype>& individuals = sample.individuals.phenotypes;
            for (int i = 0; i < individuals.count; ++i)
                for (my_string const& copy : individuals.data[i]->gene_copy)
                    if (!alleles_of_one_character(copy))
                        return false;
            continue;
        }
        for (int i = 0; i < sample.haplotypes.count; ++i) {
            HaploDef const* haplotype = sample.haplotypes.data[i]->haplotype;
            if (haplotype != nullptr && !alleles_of_one_character(haplotype->content))
                return false;
        }
    }
    return true;
}

} // namespace

int imp_exp::write_phylip()
{
    if (ProfileSettings::DataType == FREQUENCY)
        return refuse_frequencies("PHYLIP");
    if (!one_character_per_allele(*project))
        return refuse_long_alleles("PHYLIP");
    tell_merge_notes(*project, "PHYLIP");
    std::ostream& out = *os;
    out << count_sequences(*project) << "     " << project->allele_db.loci.count << '\n';
    SequenceLabels labels(STEM_LENGTH, NAME_WIDTH);
    for_each_sequence(*project, labels, [&out](std::string const& label, my_string const& data) {
        out << std::left << std::setw(static_cast<int>(NAME_WIDTH)) << label << std::right << data << '\n';
    });
    return 1;
}
