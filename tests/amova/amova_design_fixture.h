// Fixture of the AMOVA design tests: the analysis runs whole, with the batch
// line on "amovares.sum", a fixed random stream and no test unless asked.
#ifndef DROV_TESTS_AMOVA_AMOVA_DESIGN_FIXTURE_H
#define DROV_TESTS_AMOVA_AMOVA_DESIGN_FIXTURE_H

#include <fstream>
#include <string>
#include <vector>

#include "amova/amova_fixture.h"
#include "core/random.h"

class AmovaDesignTest : public AmovaTest {
protected:
    void SetUp() override
    {
        AmovaTest::SetUp();
        settings::input_file = "p.drp";
        _AMOVA_RES_ = 1;
        ofs_amova_res = new std::ofstream((dir / "amovares.sum").string());
        s.NumPermutationsAMOVA = 0;
        s.KeepNullDistrib = 0;
        s.PopSpecificFST = 0;
        seed(-1234);
    }

    void TearDown() override
    {
        delete ofs_amova_res;
        ofs_amova_res = nullptr;
        _AMOVA_RES_ = 0;
        AmovaTest::TearDown();
    }

    // The groups over sample numbers; the members numbered from 0 in group
    // order, the other samples after them (as the project numbers them), so
    // that one test can build several structures over its samples.
    void groups(std::vector<std::vector<int>> const& members)
    {
        AmovaTest::groups(members);
        MY_TIArrayAsVector<Population>& all = project.samples->Populations;
        for (int i = 0; i < all.count; ++i)
            all.data[i]->sample_index = -1;
        int next = 0;
        for (auto const& group : members)
            for (int i : group)
                all.data[i]->sample_index = next++;
        for (int i = 0; i < all.count; ++i)
            if (all.data[i]->sample_index == -1)
                all.data[i]->sample_index = next++;
    }

    static void seed(long value)
    {
        ran3(&value);
    }

    std::string batch_text()
    {
        ofs_amova_res->flush();
        return read_text(dir / "amovares.sum");
    }

    // Empties the results file and the batch file between two runs (the
    // record keeps its population-specific values, to which runs append).
    void restart_outputs()
    {
        results.close();
        results.open((dir / "p.htm").string(), std::ios::out | std::ios::trunc);
        ofs_amova_res->close();
        ofs_amova_res->open((dir / "amovares.sum").string(), std::ios::out | std::ios::trunc);
    }

    // The text from the AMOVA banner to the end of the results.
    std::string section()
    {
        std::string text = results_text();
        size_t at = text.find("\n--------------------------\nAMOVA design");
        return at == std::string::npos ? std::string() : text.substr(at);
    }
};

#endif
