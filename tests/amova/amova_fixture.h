// Fixture of the AMOVA tests: a project built in memory (RunFixture) with a
// hand-made distance matrix between haplotypes h0, h1, ... (matrix rows in
// that order), samples of those haplotypes, and the result record the
// analysis fills.
#ifndef DROV_TESTS_AMOVA_AMOVA_FIXTURE_H
#define DROV_TESTS_AMOVA_AMOVA_FIXTURE_H

#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "amova/amova.h"
#include "app/glbobj.h"
#include "project/run_fixture.h"

class AmovaTest : public RunFixture {
protected:
    amova_results record;
    std::fstream results;

    void SetUp() override
    {
        RunFixture::SetUp();
        initialize_drovalen_global_objects();  // fills DistanceNames
        s.results_file = (dir / "p.htm").string().c_str();
        results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
        s.results_stream = &results;
        s.HaplAMOVA = s.LocByLocAMOVA = 0;
        s.ComputePairwiseFST = s.PrintMissIntermatchs = s.ComputeDeltaMuSqr = 0;
        s.IncludeIndividualLevel = 0;
        s.RecessiveAllelesEM = 0;
        s.ComputeConventionalFST = 0;
        s.ComputeDistanceMatrixAMOVA = 0;
    }

    std::string results_text()
    {
        results.flush();
        return read_text(dir / "p.htm");
    }

    // h haplotypes h0 .. h{h-1}, tied to the matrix rows in order; distances
    // 0 on the diagonal and `off` elsewhere.
    void matrix(int h, double off = 1.0)
    {
        project.dist_mat.initializeMatrixAndArrays(h);
        for (int i = 0; i < h; ++i) {
            std::string id = "h" + std::to_string(i);
            project.dist_mat.labels[i] = id.c_str();
            for (int j = 0; j < i; ++j)
                project.dist_mat(i, j) = off;
            HaploDef* def = new HaploDef(my_string(id.c_str()));
            def->matrix_index = i;
            project.haplo_list.list.Add(def);
        }
    }

    // A sample of {haplotype, count} records, numbered in the order made.
    Population& sample(std::vector<std::pair<int, int>> const& records)
    {
        Population& p = add_sample();
        for (auto const& [h, n] : records) {
            p.haplotypes.Add(new PHaploDef(project.haplo_list.list.data[h], n));
            p.SampleSize += n;
        }
        return p;
    }

    // A genotypic sample of individuals {copy 1, copy 2}: one gene-copy
    // record each, the two copies of an individual consecutive.
    Population& individuals(std::vector<std::pair<int, int>> const& pairs)
    {
        Population& p = add_sample();
        for (auto const& [a, b] : pairs)
            for (int h : {a, b}) {
                p.geneCopies.Add(new PHaploDef(project.haplo_list.list.data[h], 1));
                p.SampleSize += 1;
            }
        p.amovaList = &p.geneCopies;
        return p;
    }

    void groups(std::vector<std::vector<int>> const& members)
    {
        set_groups(*project.structure, members);
    }

    std::unique_ptr<Amova> make_amova()
    {
        return std::make_unique<Amova>(s, project.structure, project.samples, &project.dist_mat,
                                       &project.haplo_list, &project.allele_db, &project.mantel,
                                       1, 0, &record);
    }

    // An analysis with nothing asked, whose tables initialize then builds:
    // the state every design starts from.
    std::unique_ptr<Amova> prepared()
    {
        int task = s.TaskNumber;
        s.TaskNumber = 0;
        std::unique_ptr<Amova> a = make_amova();
        s.TaskNumber = task;
        a->initialize();
        return a;
    }

    // The global AMOVA asked for, run whole.
    std::unique_ptr<Amova> run_amova()
    {
        s.TaskNumber = settings::AMOVA;
        s.HaplAMOVA = 1;
        return make_amova();
    }

private:
    Population& add_sample()
    {
        int n = project.samples->Populations.count;
        Population* p = new Population(my_string(("pop" + std::to_string(n + 1)).c_str()), n,
                                       project.profile);
        project.samples->Populations.Add(p);
        return *p;
    }
};

#endif
