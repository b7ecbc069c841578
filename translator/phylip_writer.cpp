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
#include <iomanip>

#include "translator/imp_exp.h"
#include "translator/sequence_export.h"

namespace {

const std::size_t STEM_LENGTH = 6;
const std::size_t NAME_WIDTH = 10;

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

// The sequences the file would list: how many, and whether every allele of
// them is one character. Walked as the writer walks them, with labels of its own.
struct SequenceCensus {
    long long count = 0;
    bool one_character = true;
};

SequenceCensus take_census(Project& project)
{
    SequenceCensus census;
    SequenceLabels labels(STEM_LENGTH, NAME_WIDTH);
    for_each_sequence(project, labels, [&census](std::string const&, my_string const& data) {
        ++census.count;
        census.one_character = census.one_character && alleles_of_one_character(data);
    });
    return census;
}

} // namespace

int imp_exp::write_phylip()
{
    if (ProfileSettings::DataType == FREQUENCY)
        return refuse_frequencies("PHYLIP");
    const SequenceCensus census = take_census(*project);
    if (!census.one_character)
        return refuse_long_alleles("PHYLIP");
    tell_merge_notes(*project, "PHYLIP");
    std::ostream& out = *os;
    out << census.count << "     " << project->allele_db.loci.count << '\n';
    SequenceLabels labels(STEM_LENGTH, NAME_WIDTH);
    for_each_sequence(*project, labels, [&out](std::string const& label, my_string const& data) {
        out << std::left << std::setw(static_cast<int>(NAME_WIDTH)) << label << std::right << data << '\n';
    });
    return 1;
}
