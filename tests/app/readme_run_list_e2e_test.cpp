// End-to-end test of the README's run list: the run list that the README
// shows, taken from the README as written, runs both example projects with
// the example's settings and batch flags file; the README's R line reads the
// batch file of Tajima's test that the run wrote (where R is installed).

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>

#include "app/e2e_fixture.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

namespace {

const fs::path kSource = fs::path(DROV_TEST_DATA).parent_path().parent_path();

// The indented block of the README whose first lines are `first`, without
// its indentation, up to the first line that is not indented.
std::string readme_block(std::string const& first)
{
    std::istringstream readme(read_text(kSource / "README.md"));
    std::string block, line;
    bool inside = false;
    while (std::getline(readme, line)) {
        bool indented = line.rfind("    ", 0) == 0;
        if (!inside && indented && line.substr(4) == first)
            inside = true;
        if (inside && !indented)
            break;
        if (inside)
            block += line.substr(4) + "\n";
    }
    return block;
}

class ReadmeRunListE2E : public DrovexecTest {};

TEST_F(ReadmeRunListE2E, RunsAsWritten)
{
    std::string run_list = readme_block(".");
    ASSERT_THAT(run_list, HasSubstr("use_spe_settings\n"));
    ASSERT_THAT(run_list, EndsWith("end\n"));
    for (const char* name : {"example.drp", "example.drs", "microsat.drp", "glbstreams.txt"})
        fs::copy_file(kSource / "examples" / name, work / name);
    write("dro_run.txt", run_list);

    ASSERT_EQ(run(""), 0) << err;
    for (const char* project : {"example", "microsat"}) {
        SCOPED_TRACE(project);
        std::string log = read_text(work / (std::string(project) + ".res") / "Drovalen_log.txt");
        EXPECT_THAT(log, EndsWith("Successful run of " + std::string(project) + ".drp\n"));
        EXPECT_THAT(log, Not(HasSubstr("settings::read_settings()")))
            << "the example settings are complete";
    }
    // One gene-diversity line per sample of the two projects.
    std::string gene_diversity = read_text(work / "gen_div.sum");
    EXPECT_EQ(count_of(gene_diversity, "example.drp\"\t"), 3);
    EXPECT_EQ(count_of(gene_diversity, "microsat.drp\"\t"), 3);

    // Tajima's test runs on the three DNA samples only; Coast lake's D as the file holds it.
    std::string tajima = read_text(work / "tajima.sum");
    EXPECT_THAT(tajima, HasSubstr("\"Coast lake\"\t6\t1\t0.437956\t0.333333\t-0.933021\t"));

    if (std::system("command -v Rscript > /dev/null 2>&1") != 0)
        GTEST_SKIP() << "R is not installed: the README's R line is not checked";
    std::string r_line = readme_block("x <- readLines(\"tajima.sum\"); d <- read.delim(text = "
                                      "x[max(grep(\"^file_name\", x)):length(x)], check.names = FALSE)");
    ASSERT_FALSE(r_line.empty());
    std::string script = r_line + "cat(nrow(d), names(d)[7], d[[7]][3], '\\n')\n";
    write("read.R", script);
    std::string command = "cd '" + work.string() + "' && Rscript read.R > r_out.txt 2>&1";
    ASSERT_EQ(std::system(command.c_str()), 0) << read_text(work / "r_out.txt");
    EXPECT_EQ(read_text(work / "r_out.txt"), "3 Tajima's D -0.933021 \n");
}

// The README's Mantel example runs as its command says: the example's
// settings are complete and the results hold the test on the distances of
// the project's Mantel section.
TEST_F(ReadmeRunListE2E, MantelExampleRunsAsWritten)
{
    const std::string command = "(cd examples && ../build/release/drovexec mantel.drp mantel.drs)";
    ASSERT_EQ(readme_block(command), command + "\n");
    for (const char* name : {"mantel.drp", "mantel.drs"})
        fs::copy_file(kSource / "examples" / name, work / name);

    ASSERT_EQ(run("mantel.drp mantel.drs"), 0) << err;
    std::string log = read_text(work / "mantel.res" / "Drovalen_log.txt");
    EXPECT_THAT(log, EndsWith("Successful run of mantel.drp\n"));
    EXPECT_THAT(log, Not(HasSubstr("#[WARNING")));
    std::string text = read_text(work / "mantel.res" / "mantel.htm");
    EXPECT_THAT(text, HasSubstr("Labels of population samples={\n   \"Source lake\"\n"));
    EXPECT_THAT(text, HasSubstr("  X1={\n   0.0000 10.0000 25.0000 45.0000 70.0000 \n"));
    EXPECT_THAT(text, HasSubstr("Correlation coefficient (rY1)"));
    EXPECT_THAT(text, HasSubstr("Significance testing (1000 permutations for Mantel test)"));
}

}  // namespace
