// Simulated loci gathered into multi-locus samples, so that a data set of
// simulated loci can be written out and analysed as a project: every gene
// copy of every sample receives the allele of each locus in call order.

#include <cstdint>

#include "core/errors.h"
#include "model/phenotype.h"
#include "model/pop_haplo.h"
#include "project/samples.h"

namespace {

const int INDEX_MESSAGE = 107;

TAllele const* record_allele(PHaploDef const& record, int locus)
{
    HaploDef const* definition = record.haplotype;
    if (!definition || locus < 0 || locus >= definition->haplovect.count)
        return nullptr;
    return definition->haplovect.data[locus];
}

TAllele const* copy_allele(TPhenotype const& individual, int copy, int locus)
{
    TPopHaplotype const* haplotype = individual.pseudo_hapl[copy];
    if (!haplotype || locus < 0 || locus >= haplotype->alleles.count)
        return nullptr;
    return haplotype->alleles.data[locus];
}

// Summed in 64 bits: a sample may hold more gene copies than an int.
std::int64_t gene_copies(Population const& sample)
{
    std::int64_t total = 0;
    for (int r = 0; r < sample.haplotypes.count; ++r)
        total += sample.haplotypes.data[r]->count;
    return total;
}

// Every gene copy of the source carries an allele at the locus.
bool source_alleles_present(Population const& source, int locus, bool genotypic)
{
    if (genotypic) {
        for (int k = 0; k < source.individuals.phenotypes.count; ++k) {
            TPhenotype const& individual = *source.individuals.phenotypes.data[k];
            if (!copy_allele(individual, 0, locus) || !copy_allele(individual, 1, locus))
                return false;
        }
        return true;
    }
    for (int r = 0; r < source.haplotypes.count; ++r)
        if (!record_allele(*source.haplotypes.data[r], locus))
            return false;
    return true;
}

void append_allele(my_string& text, TAllele const& allele)
{
    text += allele.name;
    text += ProfileSettings::LocusSeparator;
}

}  // namespace

bool Samples::addLocus(Samples const& source, int locus, int numLoci, bool genotypic)
{
    const bool first_call = Populations.count == 0;
    if (first_call && this == &source)
        return false;
    // The source must be as large as at the first call, and hold the locus.
    bool usable = source.Populations.count >= (first_call ? 1 : Populations.count);
    for (int p = 0; usable && p < source.Populations.count; ++p) {
        Population const& from = *source.Populations.data[p];
        usable = source_alleles_present(from, locus, genotypic);
        if (usable && !first_call && p < Populations.count) {
            Population const& to = *Populations.data[p];
            usable = genotypic ? from.individuals.phenotypes.count == to.individuals.phenotypes.count
                               : gene_copies(from) == gene_copies(to);
        }
    }
    if (usable && first_call) {
        Population const& first = *source.Populations.data[0];
        usable = genotypic ? first.individuals.phenotypes.count > 0 : first.haplotypes.count > 0;
    }
    if (!usable) {
        E.error(WARNING, "Samples::addLocus()", INDEX_MESSAGE);
        return false;
    }
    if (first_call) {
        Population const& first = *source.Populations.data[0];
        TAllele const* sizing = genotypic ? copy_allele(*first.individuals.phenotypes.data[0], 0, locus)
                                          : record_allele(*first.haplotypes.data[0], locus);
        const int needed = (sizing->name.length + 1) * numLoci;
        static_cast<ProfileSettings&>(*this) = source;
        for (int p = 0; p < source.Populations.count; ++p) {
            Population* copy = new Population(*source.Populations.data[p]);
            Populations.Add(copy);
            if (!genotypic) {
                // Pseudo-individuals of gene copies 2i and 2i+1; an odd last
                // gene copy leaves the second text of the last one empty.
                TPhenotype individual(my_string("simPhen"), 1.0);
                int g = 0;
                for (int r = 0; r < copy->haplotypes.count; ++r) {
                    PHaploDef const& record = *source.Populations.data[p]->haplotypes.data[r];
                    for (int c = 0; c < record.count; ++c, ++g) {
                        my_string& slot = individual.gene_copy[g % 2];
                        slot.reserve(needed);
                        slot = record_allele(record, locus)->name;
                        slot += ProfileSettings::LocusSeparator;
                        if (g % 2 == 1)
                            copy->individuals.phenotypes.Add(new TPhenotype(individual));
                    }
                }
                if (g % 2 == 1) {
                    individual.gene_copy[1] = "";
                    copy->individuals.phenotypes.Add(new TPhenotype(individual));
                }
            }
            for (int k = 0; k < copy->individuals.phenotypes.count; ++k)
                for (my_string& text : copy->individuals.phenotypes.data[k]->gene_copy)
                    text.reserve(needed);
        }
        return true;
    }
    for (int p = 0; p < Populations.count; ++p) {
        Population const& from = *source.Populations.data[p];
        MY_TIArrayAsVector<TPhenotype>& individuals = Populations.data[p]->individuals.phenotypes;
        if (genotypic) {
            for (int k = 0; k < individuals.count; ++k)
                for (int copy = 0; copy < 2; ++copy)
                    append_allele(individuals.data[k]->gene_copy[copy],
                                  *copy_allele(*from.individuals.phenotypes.data[k], copy, locus));
            continue;
        }
        int g = 0;
        for (int r = 0; r < from.haplotypes.count; ++r)
            for (int c = 0; c < from.haplotypes.data[r]->count; ++c, ++g)
                append_allele(individuals.data[g / 2]->gene_copy[g % 2],
                              *record_allele(*from.haplotypes.data[r], locus));
    }
    return true;
}
