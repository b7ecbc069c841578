// Simulated loci of the selection scan under a finite or a hierarchical
// island model (Beaumont & Nichols 1996; Excoffier et al. 2009), and the mean
// heterozygosity within samples that places each locus on the
// heterozygosity axis of the scan.

#include <ostream>

#include "analyses/popgen/pop_genetics.h"
#include "core/errors.h"
#include "project/project.h"

namespace {

const char* const UNABLE = "\tProject::simulateSample(): Unable to simulate samples\n";
const char* const RATES_HINT = "\tpotentially due to migration rates not within interval ]0..1[\n";

void write_log(const char* text)
{
    if (_ZOS_)
        *_ZOS_ << text;
}

int position_of(Samples const& samples, Population const* sample)
{
    for (int i = 0; i < samples.Populations.count; ++i)
        if (samples.Populations.data[i] == sample)
            return i;
    return -1;
}

// Points member m of group g of `target` at the simulated sample made for
// member m of group g of `model`. The samples are made one per source
// sample, in the source order or (`by_walk`) group after group, member
// after member: a position identifies each sample even when names repeat.
void repoint_members(Structure& target, Structure const& model, Samples const& source,
                     Samples& simulated, bool by_walk)
{
    int walked = 0;
    for (int g = 0; g < model.NbGroups && model.Groups; ++g) {
        for (int m = 0; m < model.Groups[g].count; ++m, ++walked) {
            const int k = by_walk ? walked : position_of(source, model.Groups[g].data[m]);
            const bool target_has = g < target.NbGroups && target.Groups && m < target.Groups[g].count;
            if (k >= 0 && k < simulated.Populations.count && target_has)
                target.Groups[g].data[m] = simulated.Populations.data[k];
        }
    }
}

}  // namespace

int Project::simulateSample(const double& theta, const int& numSites, const Mut_Type& mutationType,
                            const double& gammaA, const double& gammaB, const double& gammaP,
                            const double& transitionProb, const int& bounded, const double& fst,
                            Samples* source, Structure* sourceStructure, int numDemes,
                            bool genotypic)
{
    Samples& current = *samples;
    if (!current.SimTree.build_tree_struct_pop(*source, theta, fst, numDemes)) {
        write_log(UNABLE);
        return -1;
    }
    const int mutations = current.sprinkle_mutations(theta * 0.5, numSites, mutationType, gammaA,
                                                     gammaB, gammaP, transitionProb, bounded);
    if (!current.readPopDataFromSims(*source, haplo_list, &allele_db, mutationType, genotypic))
        return -1;
    current.NbHaploClasses = haplo_list.list.count;
    current.SimTree.cleanDemes();
    if (sourceStructure)
        repoint_members(*structure, *sourceStructure, *source, current, false);
    return mutations;
}

int Project::simulateSample(const double& theta, const int& numSites, const Mut_Type& mutationType,
                            const double& gammaA, const double& gammaB, const double& gammaP,
                            const double& transitionProb, const int& bounded, const double& fst,
                            const double& fct, Samples* source, Structure* sourceStructure,
                            int demesPerGroup, int numGroups, bool genotypic)
{
    Samples& current = *samples;
    if (!current.SimTree.build_tree_struct_pop(*source, *sourceStructure, theta, fst, fct,
                                               demesPerGroup, numGroups)) {
        write_log(UNABLE);
        write_log(RATES_HINT);
        return -1;
    }
    const int mutations = current.sprinkle_mutations(theta * 0.5, numSites, mutationType, gammaA,
                                                     gammaB, gammaP, transitionProb, bounded);
    if (!current.readPopDataFromSims(*source, *sourceStructure, haplo_list, &allele_db,
                                     mutationType, genotypic))
        return -1;
    current.NbHaploClasses = haplo_list.list.count;
    current.SimTree.cleanDemes();
    repoint_members(*structure, *sourceStructure, *source, current, true);
    return mutations;
}

void Project::computeMeanHeterozygosityOverSamplesInStructure(Samples const&,
                                                              Structure const& structure)
{
    for (int g = 0; g < structure.NbGroups && structure.Groups; ++g) {
        for (int m = 0; m < structure.Groups[g].count; ++m) {
            PopGenetics* sample = dynamic_cast<PopGenetics*>(structure.Groups[g].data[m]);
            if (!sample)
                continue;
            sample->evaluate_polymorphism(run_settings);
            // Only the heterozygosities are read: the tables are not formatted.
            if (ProfileSettings::DataType != FREQUENCY)
                sample->fill_locus_tables(
                    run_settings.genotypic_data ? &sample->individuals : nullptr, false);
        }
    }
    for (int l = 0; l < allele_db.loci.count; ++l) {
        double total_size = 0.0;
        double weighted = 0.0;
        for (int g = 0; g < structure.NbGroups && structure.Groups; ++g) {
            for (int m = 0; m < structure.Groups[g].count; ++m) {
                PopGenetics const* sample = dynamic_cast<PopGenetics const*>(structure.Groups[g].data[m]);
                if (!sample || l >= sample->LocusExpHet.count)
                    continue;
                total_size += sample->SampleSize;
                weighted += sample->SampleSize * sample->LocusExpHet[l];
            }
        }
        allele_db.loci.data[l]->meanHetWithinSamples = total_size != 0.0 ? weighted / total_size : 0.0;
    }
}
