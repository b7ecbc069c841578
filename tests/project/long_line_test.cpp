// A line too long to read, wherever it stands in a project or in a file the
// project names, stops the project read with one report naming the file and
// the line, and with no complaint about what was left unread.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/settings.h"
#include "core/my_string.h"
#include "project/project.h"
#include "project_test_support.h"

namespace {

const std::string TOO_LONG(my_string::max_length + 1, 'A');
const char* const MARK = "@";  // stands for the long line in the texts below

// Haplotype list, distance matrix, one sample inline and one in "south.txt",
// and a one-group structure.
const std::vector<std::string> PROJECT = {
    "[Profile]",
    "Title=\"Long lines\"",
    "NbSamples=2",
    "DataType=RFLP",
    "GenotypicData=0",
    "LocusSeparator=NONE",
    "MissingData='?'",
    "[Data]",
    "[[HaplotypeDefinition]]",
    "HaplListName=\"list\"",
    "HaplList={",
    "r1 0101",
    "r2 0111",
    "}",
    "[[DistanceMatrix]]",
    "MatrixName=\"distances\"",
    "MatrixSize=2",
    "LabelPosition=COLUMN",
    "MatrixData= EXTERN \"dist_mat.txt\"",
    "[[Samples]]",
    "SampleName=\"north\"",
    "SampleSize=5",
    "SampleData={",
    "r1 2",
    "r2 3",
    "}",
    "SampleName=\"south\"",
    "SampleData= EXTERN \"south.txt\"",
    "[[Structure]]",
    "StructureName=\"one group\"",
    "NbGroups=1",
    "Group={",
    "\"north\"",
    "\"south\"",
    "}",
};
const std::vector<std::string> SOUTH = {"r1 1", "r2 4"};
const std::vector<std::string> DIST_MAT = {"r1 0", "r2 1 0"};

// The lines joined, with the line `before` preceded by the long line (none
// for an empty before).
std::string text_with_long_line(std::vector<std::string> const& lines, std::string const& before)
{
    std::string text;
    for (std::string const& line : lines) {
        if (line == before)
            text += TOO_LONG + "\n";
        text += line + "\n";
    }
    return text;
}

class LongLineTest : public ProjectFolderTest {};

struct LongLineCase {
    const char* where;
    const char* file;    // the file holding the long line
    const char* before;  // the long line is put before this line of that file
    int line;            // and so stands on this line
};

TEST_F(LongLineTest, ReadingStopsWithTheFileAndLineNamed)
{
    const LongLineCase cases[] = {
        {"profile", "proj.drp", "NbSamples=2", 3},
        {"haplotype list", "proj.drp", "r2 0111", 13},
        {"inline sample", "proj.drp", "r2 3", 25},
        {"samples section", "proj.drp", "SampleName=\"south\"", 27},
        {"structure", "proj.drp", "\"south\"", 34},
        {"external sample", "south.txt", "r2 4", 2},
        {"external distance matrix", "dist_mat.txt", "r1 0", 1},
    };
    for (LongLineCase const& c : cases) {
        SCOPED_TRACE(c.where);
        std::string file(c.file);
        write_file("proj.drp", text_with_long_line(PROJECT, file == "proj.drp" ? c.before : ""));
        write_file("south.txt", text_with_long_line(SOUTH, file == "south.txt" ? c.before : ""));
        write_file("dist_mat.txt",
                   text_with_long_line(DIST_MAT, file == "dist_mat.txt" ? c.before : ""));
        std::string start_of_log = log_text();

        Project project;
        settings::input_file = (dir / "proj.drp").string().c_str();
        project.run_settings.project_dir = (dir.string() + "/").c_str();
        project.profile.RunSettings = &project.run_settings;
        EXPECT_EQ(project.newOpen(), 0);

        std::string log = log_text().substr(start_of_log.size());
        std::string named = "\"my_string::read_line()\" : Attempting to read a too long string \n"
                            "\tFile \"" + (dir / file).string() + "\", Line #" +
                            std::to_string(c.line) +
                            " : line longer than 1001100 characters, reading stopped\n";
        auto at = log.find(named);
        ASSERT_NE(at, std::string::npos) << log;
        std::string after = log.substr(at + named.size());
        for (const char* misleading :
             {"Keyword", "not found", "brace", "Invalid", "expected", "Missing", "done"})
            EXPECT_EQ(after.find(misleading), std::string::npos) << misleading << " in:\n" << after;
    }
}

}  // namespace
