// Fixture of the tests of the genetic-structure entry points: a project built
// in memory whose run writes its results file, navigation tree and auxiliary
// files into the test's folder.
#ifndef DROV_TESTS_AMOVA_RESULTS_FILE_FIXTURE_H
#define DROV_TESTS_AMOVA_RESULTS_FILE_FIXTURE_H

#include <fstream>
#include <string>

#include "project/sample_project_fixture.h"
#include "support/temp_log.h"

class ResultsFileTest : public SampleProjectTest {
protected:
    std::fstream results;
    std::string results_path = (dir / "run.htm").string();

    void SetUp() override
    {
        SampleProjectTest::SetUp();
        results.open(results_path, std::ios::out);
        s.results_stream = &results;
        s.results_file = results_path.c_str();
        s.results_dir = (dir.string() + "/").c_str();
        s.tree_data_file = (dir / "run.js").string().c_str();
    }

    // Every definition of the list gets its alleles, as the run prepares them.
    void build_vectors() { project.build_all_vectors(project.allele_db); }

    std::string results_text()
    {
        results.flush();
        return read_text(results_path);
    }
};

#endif
