// Labels, copy counts and notes shared by the Phylip and Mega writers.
#include "translator/sequence_export.h"

#include "translator/imp_exp.h"

int SequenceLabels::next_copy(my_string const& name)
{
    return copies[name.str]++;
}

std::string const& SequenceLabels::make(my_string const& name, int k, const char* gene)
{
    std::string stem = name.str;
    if (stem_length > 0 && stem.size() > stem_length)
        stem.resize(stem_length);
    std::string tail = std::to_string(k) + gene;
    label = stem + tail;
    if (label_length > 0 && label.size() > label_length)
        label.resize(label_length);
    // A clash keeps the copy number and the suffix whole and shortens the
    // stem to make room; with no stem left, the end of the label is kept.
    for (int j = 1; used.count(label) != 0; ++j) {
        std::string suffix = tail + "_" + std::to_string(j);
        std::size_t room = label_length == 0 ? stem.size()
                           : label_length > suffix.size() ? label_length - suffix.size() : 0;
        label = stem.substr(0, room) + suffix;
        if (label_length > 0 && label.size() > label_length)
            label.erase(0, label.size() - label_length);
    }
    used.insert(label);
    return label;
}

int individual_copies(TPhenotype const& individual)
{
    return static_cast<int>(individual.count + 0.1);
}

void tell_merge_notes(Project& project, const char* format)
{
    std::string name = format;
    if (project.samples->Populations.count > 1)
        imp_exp::tell("  As it is not possible to convert files containing more than one "
                      "population\n  into " + name
                      + " format, original population samples have been merged into \n"
                        "  a single population.\n");
    if (project.profile.GenotypicData != 0)
        imp_exp::tell("  The original data was of genotypic type and " + name + " accepts only\n"
                      "  haplotypic data. We have therefore made two dummy haplotypes with each\n"
                      "  genotype.\n");
}
