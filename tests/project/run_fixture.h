// Shared by the tests of the analysis run, the group pooling and the
// genetic-structure dispatcher: a fresh folder with the log open in it, a
// project whose samples and structure are built in memory, and the
// process-wide values that a run changes put back after each test.
#ifndef DROV_TESTS_PROJECT_RUN_FIXTURE_H
#define DROV_TESTS_PROJECT_RUN_FIXTURE_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>
#include <vector>

#include "app/glbobj.h"
#include "core/errors.h"
#include "core/xml.h"
#include "project/project.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;

class RunFixture : public LogFolderTest {
protected:
    Project project;
    settings& s = project.run_settings;

    void SetUp() override
    {
        saved_type = ProfileSettings::DataType;
        saved_separator = ProfileSettings::LocusSeparator;
        saved_xml = xmlOutput;
        s.TaskNumber = 0;
        use_profile(DNA, 0, 1);
    }

    void TearDown() override
    {
        E.results_stream = nullptr;
        ProfileSettings::DataType = saved_type;
        ProfileSettings::LocusSeparator = saved_separator;
        xmlOutput = saved_xml;
        htmlOutput = true;
    }

    fs::path write_file(std::string const& name, std::string const& text)
    {
        fs::path path = dir / name;
        fs::create_directories(path.parent_path());
        std::ofstream(path, std::ios::binary) << text;
        return path;
    }

    // The project's profile; samples made afterwards take it over.
    void use_profile(TDataType type, int genotypic, int phase, int recessive = 0)
    {
        ProfileSettings::DataType = type;
        ProfileSettings::LocusSeparator = 0;
        project.profile.GenotypicData = genotypic;
        project.profile.GameticPhase = phase;
        project.profile.RecessiveData = recessive;
        static_cast<ProfileSettings&>(*project.samples) = project.profile;
        s.genotypic_data = genotypic;
        s.gametic_phase = phase;
    }

    // A haplotypic sample of {content, count} records; each content has one
    // definition in the project's list (id "h_" + content) with its allele
    // vector, as the task checks leave them.
    Population& haplotypic_sample(const char* name,
                                  std::vector<std::pair<const char*, int>> const& records)
    {
        Population& p = add_sample(name);
        for (auto const& [content, n] : records) {
            my_string text(content);
            HaploDef* def = project.haplo_list.find(text);
            if (!def) {
                def = new HaploDef(my_string((std::string("h_") + content).c_str()));
                def->content = text;
                def->build_haplovect(&project.allele_db, 0, 0, 0.1);
                project.haplo_list.list.Add(def);
            }
            p.haplotypes.Add(new PHaploDef(def, n));
            p.SampleSize += n;
            p.num_haplotypes += 1;
        }
        return p;
    }

    // A genotypic sample of {gene copy 1, gene copy 2, count} individuals.
    Population& genotypic_sample(
        const char* name, std::vector<std::tuple<const char*, const char*, int>> const& entries)
    {
        Population& p = add_sample(name);
        for (auto const& [copy1, copy2, n] : entries) {
            TPhenotype* ind = new TPhenotype(my_string("ind"), n);
            ind->gene_copy[0] = copy1;
            ind->gene_copy[1] = copy2;
            p.individuals.phenotypes.Add(ind);
            p.SampleSize += 2 * n;
            p.num_haplotypes += 2;
        }
        return p;
    }

    // Groups of the project's samples by position.
    void set_groups(Structure& structure, std::vector<std::vector<int>> const& groups)
    {
        structure.reset();
        int n = static_cast<int>(groups.size());
        structure.NbGroups = n;
        if (n == 0)
            return;
        structure.GroupSizes = new int[n]();
        structure.Groups = new MY_TIArrayAsVector<Population>[n];
        for (int g = 0; g < n; ++g) {
            structure.Groups[g].owns = 0;
            for (int i : groups[g])
                structure.Groups[g].Add(project.samples->Populations.data[i]);
            structure.GroupSizes[g] = structure.Groups[g].count;
            structure.NbMembers += structure.GroupSizes[g];
        }
    }

private:
    TDataType saved_type = DNA;
    char saved_separator = 0;
    bool saved_xml = false;

    Population& add_sample(const char* name)
    {
        Population* p = new Population(my_string(name), project.samples->Populations.count,
                                       project.profile);
        project.samples->Populations.Add(p);
        return *p;
    }
};

#endif
