// Data named on EXTERN lines (sample data, haplotype lists, distance
// matrices) are read exactly like the same lines inline: a project of each
// data type is given with its data inline, in external files separated by
// the project's locus separator, and in external files with Windows line
// ends; each runs, and each reads to the same input data.

#include <gtest/gtest.h>

#include <map>
#include <string>
#include <vector>

#include "app/startup.h"
#include "project/cleaner.h"
#include "project/run_fixture.h"
#include "support/run_settings.h"

namespace {

// A project whose blocks are marked "@name@" after their key (HaplList,
// MatrixData, SampleData), and the lines of each block.
struct ExternCase {
    const char* what;
    std::string project;
    std::map<std::string, std::string> blocks;
};

const std::string PROFILE = "[Profile]\nTitle=\"extern\"\nNbSamples=2\nLocusSeparator=';'\n"
                            "MissingData='?'\n";
const std::string TWO_SAMPLES = "[[Samples]]\nSampleName=\"A\"\nSampleSize=3\nSampleData@A@"
                                "SampleName=\"B\"\nSampleSize=3\nSampleData@B@";

const std::vector<ExternCase>& extern_cases()
{
    static const std::vector<ExternCase> cases = {
        {"DNA with a haplotype list",
         PROFILE + "DataType=DNA\nGenotypicData=0\n[Data]\n"
                   "[[HaplotypeDefinition]]\nHaplListName=\"list\"\nHaplList@list@" + TWO_SAMPLES,
         {{"list", "h1 A;C;G;T\nh2 A;-;G;A\n"},
          {"A", "h1 2\nh2 1\n"},
          {"B", "h1 1 A;C;G;T\nh3 2 T;C;G;?\n"}}},
        {"RFLP with a haplotype list and a distance matrix",
         PROFILE + "DataType=RFLP\nGenotypicData=0\n[Data]\n"
                   "[[HaplotypeDefinition]]\nHaplListName=\"list\"\nHaplList@list@"
                   "[[DistanceMatrix]]\nMatrixName=\"d\"\nMatrixSize=3\nLabelPosition=COLUMN\n"
                   "MatrixData@dist@" + TWO_SAMPLES,
         {{"list", "r1 0;1;1;0\nr2 1;1;0;0\nr3 1;?;0;0\n"},
          {"dist", "r1;0\nr2;0.25;0\nr3;2;1.5;0\n"},
          {"A", "r1 2\nr2 1\n"},
          {"B", "r1 1\nr3 1 1;?;0;0\nr4 1 0;0;0;0\n"}}},
        {"MICROSAT genotypes",
         PROFILE + "DataType=MICROSAT\nGenotypicData=1\nGameticPhase=0\nRecessiveData=0\n"
                   "[Data]\n" + TWO_SAMPLES,
         {{"A", "i1 1 112;114;98\n112;118;100\ni2 2 114;114;?\n116;112;98\n"},
          {"B", "i3 3 112;112;98\n118;114;98\n"}}},
        {"STANDARD", PROFILE + "DataType=STANDARD\nGenotypicData=0\n[Data]\n" + TWO_SAMPLES,
         {{"A", "s1 2 A;B;C\ns2 1 B;B;A\n"}, {"B", "s1 3 A;B;C\n"}}},
        {"FREQUENCY", PROFILE + "DataType=FREQUENCY\nGenotypicData=0\n[Data]\n" + TWO_SAMPLES,
         {{"A", "f1 1\nf2 2\n"}, {"B", "f1 3\n"}}},
    };
    return cases;
}

enum Variant { INLINE, SEPARATED, WINDOWS_LINE_ENDS };

class ExternalDataTest : public RunFixture {
protected:
    void SetUp() override
    {
        RunFixture::SetUp();
        DrovalenExeDirectory = (dir.string() + "/").c_str();
        s.settings_file = write_file("run.drs", run_settings_text({})).string().c_str();
    }

    // The project of a case with every block inline, or with every block in
    // a file of its own named on an EXTERN line; returns its path.
    std::string write_project(ExternCase const& c, std::string const& stem, Variant variant)
    {
        std::string text = c.project;
        for (auto const& [name, lines] : c.blocks) {
            std::string block;
            if (variant == INLINE) {
                block = "={\n" + lines + "}\n";
            } else {
                std::string file = stem + "_" + name + ".txt";
                std::string content = lines;
                if (variant == WINDOWS_LINE_ENDS)
                    for (auto at = content.find('\n'); at != std::string::npos;
                         at = content.find('\n', at + 2))
                        content.insert(at, "\r");
                write_file(file, content);
                block = " = EXTERN \"" + file + "\"\n";
            }
            std::string mark = "@" + name + "@";
            text.replace(text.find(mark), mark.size(), block);
        }
        return write_file(stem + ".drp", text).string();
    }

    // What the start-up sequence does for one project, then the run.
    int run(std::string const& path)
    {
        settings::input_file = path.c_str();
        project.build_res_bac_names();
        project.run_possible = 1;
        s.read_settings(s.settings_file);
        return project.run();
    }

    // The input data as the run reads them (its cleaned copies), written
    // back in project-file form.
    std::string input_data(std::string const& path)
    {
        cleaner copies;
        EXPECT_EQ(copies.execute(0, path.c_str()), 1);
        Project read;
        read.run_settings.project_dir = (dir.string() + "/").c_str();
        copies.get_extern_copies(read.run_settings.extern_copies);
        read.profile.RunSettings = &read.run_settings;
        settings::input_file = copies.get_clean_proj();
        EXPECT_EQ(read.newOpen(), 1);
        read.backup_requested = 1;
        read.run_settings.backup_file = (dir / "input.bac").string().c_str();
        EXPECT_EQ(read.write(), 1);
        copies.rm_clean_files();
        return read_text(dir / "input.bac");
    }
};

TEST_F(ExternalDataTest, ExternalDataReadLikeTheSameLinesInline)
{
    const std::map<Variant, std::string> stems = {
        {INLINE, "inline"}, {SEPARATED, "separated"}, {WINDOWS_LINE_ENDS, "crlf"}};
    for (ExternCase const& c : extern_cases()) {
        SCOPED_TRACE(c.what);
        std::map<Variant, std::string> data;
        for (auto const& [variant, stem] : stems) {
            SCOPED_TRACE(stem);
            std::string path = write_project(c, stem, variant);
            take_log();
            EXPECT_EQ(run(path), 1);
            std::string log = take_log();
            EXPECT_EQ(log.find("[ERROR"), std::string::npos) << log;
            // The copies are gone with the run, and no later reading finds them.
            EXPECT_FALSE(fs::exists(dir / (stem + ".res") / (stem + "_A.txt")));
            EXPECT_TRUE(s.extern_copies.empty());
            data[variant] = input_data(path);
        }
        EXPECT_NE(data[INLINE].find("SampleName=\"B\""), std::string::npos) << data[INLINE];
        EXPECT_EQ(data[SEPARATED], data[INLINE]);
        EXPECT_EQ(data[WINDOWS_LINE_ENDS], data[INLINE]);
    }
}

}  // namespace
