// The group level of a run treats each group of the genetic structure as one
// sample: every group's samples are pooled into a new sample "Group<g>", and
// a flat structure puts all pooled samples into a single group. The source
// samples are only read; every pooled sample is a new object.

#include <memory>
#include <string>

#include "project/project.h"

namespace {

// The single, empty group of the flat structure: a member list that does not
// own its samples, and one member count.
void give_single_group(Structure& flat)
{
    flat.GroupSizes = new int[1]();
    flat.Groups = new MY_TIArrayAsVector<Population>[1];
    flat.Groups[0].owns = 0;
    flat.NbGroups = 1;
}

}  // namespace

void Project::poolSamplesInGroups(Samples const& samples, Structure const& structure,
                                  Samples& pooled_samples, Structure& pooled_structure)
{
    int G = structure.Groups ? structure.NbGroups : 0;
    give_single_group(pooled_structure);

    ProfileSettings source_profile(samples);
    for (int g = 1; g <= G; ++g) {
        std::string name = "Group" + std::to_string(g);
        Population empty(my_string(name.c_str()), g - 1, source_profile);
        empty.group_level_sample = true;
        pooled_samples.Populations.Add(make_data_type_sample(empty));
    }

    for (int g = 0; g < G; ++g) {
        Population& pooled = *pooled_samples.Populations.data[g];
        MY_TIArrayAsVector<Population> const& members = structure.Groups[g];
        for (int m = 0; m < members.count; ++m)
            pooled += *members.data[m];
    }

    if (profile.GenotypicData) {
        pooled_samples.phen_to_gam(&haplo_list, &profile, &run_settings);
        phenotypes_converted = 1;
        // The definitions the pooling created have no allele vectors yet (the
        // sample level builds them only for the analyses that asked), and
        // the tests on the pooled records read them locus by locus.
        MY_TIArrayAsVector<HaploDef>& list = haplo_list.list;
        for (int i = 0; i < list.count; ++i)
            if (list.data[i]->haplovect.count == 0)
                list.data[i]->build_haplovect(&allele_db, ProfileSettings::LocusSeparator, 0,
                                              0.1);
    }

    for (int g = 0; g < G; ++g)
        pooled_structure.Groups[0].Add(pooled_samples.Populations.data[g]);
    pooled_structure.NbGroups = 1;
    pooled_structure.StructureName = "Pooled flat structure";
    pooled_structure.NbMembers = G;
    pooled_structure.GroupSizes[0] = G;
}
