// Allele counts of a sample for the comparisons between samples: the gene
// copies counted into the allele database of all samples (missing data
// optionally an allele of its own), and the mean allele size per locus from
// which the pairwise comparisons take (delta mu)^2 (Goldstein et al. 1995).

#include <algorithm>
#include <utility>
#include <vector>

#include "analyses/popgen/locus_counts.h"
#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"

void PopGenetics::computeAlleFreqDipl(TPhenDB& sample_individuals, settings const& s)
{
    count_alleles(&sample_individuals, s.ComputeMissDataFreq);
}

void PopGenetics::computeAlleFreqHapl(settings const& s)
{
    count_alleles(nullptr, s.ComputeMissDataFreq);
}

void PopGenetics::count_alleles(TPhenDB const* sample_individuals, bool missing_counts)
{
    if (ProfileSettings::DataType != FREQUENCY)
        count_loci(sample_individuals, missing_counts, [](int, LocusAlleleCounts const&) {});
}

void PopGenetics::count_loci(TPhenDB const* sample_individuals, bool missing_counts,
                             LocusCountsUser const& use)
{
    const int L = num_loci_cached();
    LocusGeneCopies.Reallocate(L);
    LocusNumAlleles.Reallocate(L);
    GeneCopyCounter::make_loci(globalAllelicDB, L);
    GeneCopyCounter counter(globalAllelicDB, profile.MissingData, missing_counts);
    for (int l = 0; l < L; ++l) {
        LocusAlleleCounts counts = sample_individuals
                                       ? counter.count_individuals(l, *sample_individuals)
                                       : counter.count_haplotypes(l, haplotypes);
        counts.store_frequencies(sample_index);
        LocusNumAlleles.Add(counts.num_alleles());
        LocusGeneCopies.Add(counts.gene_copies);
        use(l, counts);
    }
}

// Individuals weigh their count as it is (not truncated); a sample without
// individuals is weighed by its haplotype records. The weights are summed by
// allele before the names are read as sizes. 0.0 marks a locus without data.
int PopGenetics::computeMeanAlleleSizes()
{
    const int L = num_loci_cached();
    LocusMeanAlleleSize.Reallocate(L);
    const bool by_records = individuals.nb_individuals() == 0;
    for (int l = 0; l < L; ++l) {
        std::vector<std::pair<TAllele const*, double>> weights;
        auto add = [&](TAllele const* a, double w) {
            if (!a || a->name.length == 0 || a->name.str[0] == profile.MissingData)
                return;
            auto at = std::find_if(weights.begin(), weights.end(),
                                   [a](auto const& entry) { return entry.first == a; });
            if (at == weights.end())
                weights.emplace_back(a, w);
            else
                at->second += w;
        };
        if (by_records) {
            for (int i = 0; i < haplotypes.count; ++i)
                if (haplotypes.data[i]->count != 0)
                    add(allele_of_record(*haplotypes.data[i], l), haplotypes.data[i]->count);
        } else {
            MY_TIArrayAsVector<TPhenotype> const& list = individuals.phenotypes;
            for (int i = 0; i < list.count; ++i)
                for (int copy = 0; copy < 2; ++copy)
                    add(allele_of_copy(*list.data[i], copy, l), list.data[i]->count);
        }
        double weight = 0.0, weighted_sizes = 0.0;
        for (auto const& [a, w] : weights) {
            weight += w;
            weighted_sizes += w * allele_size(*a);
        }
        LocusMeanAlleleSize.Add(weight != 0.0 ? weighted_sizes / weight : 0.0);
    }
    return L;
}
