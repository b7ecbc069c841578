// Speed of the project-file cleaner, which copies every project before it is
// read: a large project of long sequence lines (CRLF ends, tabs and ';'
// separators to map), and a file of 1,000,000 short lines. Both must be
// linear and bound by the disk, not by the per-character work.
//
// The large project is 20 MB by default, so that a run takes seconds; set
// DROV_BENCH_CLEANER_MB (for example to 200) for the full-size measurement.

#include "project/cleaner.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const int SHORT_LINES = 1000000;

std::size_t large_project_bytes()
{
    const char* mb = std::getenv("DROV_BENCH_CLEANER_MB");
    long value = mb ? std::atol(mb) : 0;
    return static_cast<std::size_t>(value > 0 ? value : 20) * 1000 * 1000;
}

// The two input files in a temporary folder, made on first use and removed at exit.
class CleanerInputs {
public:
    CleanerInputs()
    {
        std::string pattern = (fs::temp_directory_path() / "drov_bench_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        dir = pattern;
        large = dir / "large.drp";
        many_lines = dir / "lines.drp";

        std::ofstream big(large, std::ios::binary);
        big << "[Profile]\r\n\tTitle=\"large project\"\r\n\tLocusSeparator=';'\r\n[Data]\r\n";
        std::string sequence;
        for (int i = 0; i < 2500; ++i)
            sequence += "ACGT;";
        std::string line = "h1\t1\t" + sequence + "  # comment\r\n";
        for (std::size_t written = 0; written < large_project_bytes(); written += line.size())
            big << line;

        std::ofstream lines(many_lines, std::ios::binary);
        lines << "[Profile]\n\tLocusSeparator=';'\n[Data]\n";
        for (int i = 0; i < SHORT_LINES; ++i)
            lines << "h" << i << "\t1\t12;14;16\n";
    }
    ~CleanerInputs() { fs::remove_all(dir); }

    fs::path dir, large, many_lines;
};

CleanerInputs& inputs()
{
    static CleanerInputs files;
    return files;
}

void clean(benchmark::State& state, fs::path const& project)
{
    std::uintmax_t bytes = fs::file_size(project);
    for (auto _ : state) {
        cleaner c;
        if (c.execute(0, project.string().c_str()) != 1)
            state.SkipWithError("the project could not be cleaned");
        c.rm_clean_files();
    }
    state.SetBytesProcessed(static_cast<int64_t>(bytes) * state.iterations());
}

void BM_CleanLargeProject(benchmark::State& state)
{
    clean(state, inputs().large);
}
BENCHMARK(BM_CleanLargeProject)->Unit(benchmark::kMillisecond);

void BM_CleanMillionLines(benchmark::State& state)
{
    clean(state, inputs().many_lines);
}
BENCHMARK(BM_CleanMillionLines)->Unit(benchmark::kMillisecond);

}  // namespace
