// Shared by the tests of the task checks and of the per-sample driver: a
// project whose samples are built in memory, a log read back through the
// fixture of the model tests, and the log's timings made comparable.
#ifndef DROV_TESTS_PROJECT_SAMPLE_PROJECT_FIXTURE_H
#define DROV_TESTS_PROJECT_SAMPLE_PROJECT_FIXTURE_H

#include <gtest/gtest.h>

#include <regex>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "model/logged_fixture.h"
#include "project/project.h"

class SampleProjectTest : public LoggedTest {
protected:
    Project project;
    settings& s = project.run_settings;

    void SetUp() override
    {
        LoggedTest::SetUp();
        s.TaskNumber = 0;
        use_profile(DNA, 0, 1);
    }

    // The project's profile; samples made afterwards take it over.
    void use_profile(TDataType type, int genotypic, int phase, char separator = 0)
    {
        ProfileSettings::DataType = type;
        ProfileSettings::LocusSeparator = separator;
        project.profile.GenotypicData = genotypic;
        project.profile.GameticPhase = phase;
        static_cast<ProfileSettings&>(*project.samples) = project.profile;
    }

    // A haplotypic sample of {content, count} entries; the definitions are
    // found in the project's list by content, or added under the content as id.
    Population& haplotypic_sample(const char* name,
                                  std::vector<std::pair<const char*, int>> const& entries)
    {
        Population* p = add_sample(name);
        for (auto const& [content, n] : entries) {
            my_string text(content);
            HaploDef* def = project.haplo_list.find(text);
            if (!def) {
                def = new HaploDef(my_string((std::string("id_") + content).c_str()));
                def->content = text;
                project.haplo_list.list.Add(def);
            }
            def->count += n;
            p->haplotypes.Add(new PHaploDef(def, n));
            p->SampleSize += n;
            p->num_haplotypes += 1;
        }
        return *p;
    }

    // A genotypic sample of {gene copy 1, gene copy 2, count} individuals.
    Population& genotypic_sample(
        const char* name, std::vector<std::tuple<const char*, const char*, double>> const& entries)
    {
        Population* p = add_sample(name);
        for (auto const& [copy1, copy2, n] : entries) {
            TPhenotype* ind = new TPhenotype(my_string("ind"), n);
            ind->gene_copy[0] = copy1;
            ind->gene_copy[1] = copy2;
            p->individuals.phenotypes.Add(ind);
            p->SampleSize += 2 * n;
            p->num_haplotypes += 2;
        }
        return *p;
    }

    // The log since the last call, with every timing written as N.
    std::string log_text()
    {
        static const std::regex timing("done in [0-9]+ ms");
        return std::regex_replace(take_log(), timing, "done in N ms");
    }

private:
    Population* add_sample(const char* name)
    {
        Population* p = new Population(my_string(name), project.samples->Populations.count,
                                       project.profile);
        project.samples->Populations.Add(p);
        return p;
    }
};

#endif
