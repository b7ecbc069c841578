// What the Phylip and Mega writers share: both merge all samples into one
// list of sequences, one per copy of a haplotype and, for genotypic data, two
// per copy of an individual (its two gene copies as read), and both name each
// sequence by its haplotype id or individual name, the copy number and, for an
// individual, the digit of the gene copy.
//
// Labels are unique within a file, so that a reader never merges two taxa:
// the copies of one name are numbered on across samples (a haplotype present
// in two samples gives H10, H11, then H12 ...), and a label that still clashes
// (two long names cut to the same stem, or "h1" copy 10 against "h11" copy 0)
// gets the suffix "_1", "_2", ... until it is new.
#ifndef DROV_TRANSLATOR_SEQUENCE_EXPORT_H
#define DROV_TRANSLATOR_SEQUENCE_EXPORT_H

#include <cstddef>
#include <ostream>
#include <string>
#include <unordered_map>
#include <unordered_set>

#include "core/my_string.h"
#include "project/project.h"

class SequenceLabels {
public:
    // Names longer than stem_length are cut to it before the copy number,
    // and labels longer than label_length are cut to it (0: no limit).
    SequenceLabels(std::size_t stem_length, std::size_t label_length)
        : stem_length(stem_length), label_length(label_length)
    {
    }

    // The number of the next copy of `name`: 0, 1, ... across the file.
    int next_copy(my_string const& name);
    // The label of copy k of `name`, new in this file; gene is "0" or "1" for
    // the gene copies of an individual, "" for a haplotype. Valid until the
    // next call.
    std::string const& make(my_string const& name, int k, const char* gene);

private:
    std::size_t stem_length, label_length;
    std::unordered_map<std::string, int> copies;  // copies labelled so far, per name
    std::unordered_set<std::string> used;
    std::string label;
};

// The number of copies an individual stands for: its count, which may be
// fractional, taken to the integer below count + 0.1.
int individual_copies(TPhenotype const& individual);

// The notes on a project that had several samples, or genotypic data, whose
// sequences a Phylip or Mega file lists as one sample of haplotypes, each
// told through imp_exp::tell; format is "PHYLIP" or "MEGA".
void tell_merge_notes(Project& project, const char* format);

// Calls visit(label, data) for every sequence of the project, samples in
// project order: for each haplotype entry its count of copies, for each
// individual its copies of two gene copies.
template <class Visit>
void for_each_sequence(Project& project, SequenceLabels& labels, Visit visit)
{
    bool genotypic = project.profile.GenotypicData != 0;
    MY_TIArrayAsVector<Population>& samples = project.samples->Populations;
    for (int s = 0; s < samples.count; ++s) {
        Population& sample = *samples.data[s];
        if (genotypic) {
            MY_TIArrayAsVector<TPhenotype>& individuals = sample.individuals.phenotypes;
            for (int i = 0; i < individuals.count; ++i) {
                TPhenotype const& individual = *individuals.data[i];
                for (int c = individual_copies(individual); c > 0; --c) {
                    int k = labels.next_copy(individual.name);
                    visit(labels.make(individual.name, k, "0"), individual.gene_copy[0]);
                    visit(labels.make(individual.name, k, "1"), individual.gene_copy[1]);
                }
            }
            continue;
        }
        MY_TIArrayAsVector<PHaploDef>& haplotypes = sample.haplotypes;
        for (int i = 0; i < haplotypes.count; ++i) {
            PHaploDef const& entry = *haplotypes.data[i];
            if (entry.haplotype == nullptr)
                continue;
            my_string const& id = entry.haplotype->id;
            for (int c = 0; c < entry.count; ++c)
                visit(labels.make(id, labels.next_copy(id), ""), entry.haplotype->content);
        }
    }
}

#endif
