// Fixture of the tests of the data-type analyses: samples built in memory as
// the project reader leaves them, turned into objects of their data type.
#ifndef DROV_TESTS_ANALYSES_TYPED_SAMPLE_FIXTURE_H
#define DROV_TESTS_ANALYSES_TYPED_SAMPLE_FIXTURE_H

#include <memory>
#include <vector>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/datatypes/popul_standard.h"
#include "project/sample_project_fixture.h"
#include "project/samples.h"

class TypedSampleTest : public SampleProjectTest {
protected:
    std::vector<std::unique_ptr<Population>> made;

    // The object of the project's data type made from a read sample.
    template <class T>
    T& typed(Population& read)
    {
        made.emplace_back(make_data_type_sample(read));
        return dynamic_cast<T&>(*made.back());
    }

    // A DNA sample of {sequence, count} entries, as its driver gets it.
    PopulDNA& dna(std::vector<std::pair<const char*, int>> const& entries)
    {
        use_profile(DNA, 0, 1);
        return typed<PopulDNA>(haplotypic_sample("dna", entries));
    }

    // Allele data: every definition of the project's list enters the
    // allele database, as the run does before the analyses.
    template <class T>
    T& allele_sample(TDataType type, std::vector<std::pair<const char*, int>> const& entries)
    {
        use_profile(type, 0, 1, ' ');
        Population& read = haplotypic_sample("alleles", entries);
        MY_TIArrayAsVector<HaploDef>& list = project.haplo_list.list;
        for (int i = 0; i < list.count; ++i)
            if (list.data[i]->haplovect.count == 0)
                list.data[i]->build_haplovect(&project.allele_db, ' ', 0, 0.1);
        return typed<T>(read);
    }
};

#endif
