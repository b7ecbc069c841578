// Speed of the string type where input files pass through it: reading long
// lines with read_line, and building a long text one character at a time.

#include "core/my_string.h"

#include <benchmark/benchmark.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const int NUM_LINES = 5000;
const int LINE_LENGTH = 100000;

// A file of NUM_LINES lines of LINE_LENGTH characters in a temporary folder,
// made on first use and removed at exit.
class LongLineFile {
public:
    LongLineFile()
    {
        std::string pattern = (fs::temp_directory_path() / "drov_bench_XXXXXX").string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        dir = pattern;
        path = dir / "long_lines.txt";
        std::ofstream out(path, std::ios::binary);
        std::string line(LINE_LENGTH, 'A');
        for (int i = 0; i < NUM_LINES; ++i) {
            line[i % LINE_LENGTH] = 'C';
            out << line << '\n';
        }
    }
    ~LongLineFile() { fs::remove_all(dir); }

    fs::path dir;
    fs::path path;
};

fs::path const& long_line_file()
{
    static LongLineFile file;
    return file.path;
}

void BM_read_line_long_lines(benchmark::State& state)
{
    fs::path const& path = long_line_file();
    for (auto _ : state) {
        std::ifstream in(path);
        my_string line;
        long long total = 0;
        for (line.read_line(in); !in.fail(); line.read_line(in))
            total += line.length;
        if (total != static_cast<long long>(NUM_LINES) * LINE_LENGTH)
            state.SkipWithError("lines were not read whole");
        benchmark::DoNotOptimize(total);
    }
    state.SetBytesProcessed(state.iterations() * NUM_LINES * (LINE_LENGTH + 1LL));
    my_string::free_buffer();
}
BENCHMARK(BM_read_line_long_lines)->Unit(benchmark::kMillisecond);

void BM_append_chars_to_1MB(benchmark::State& state)
{
    const int size = 1000000;
    for (auto _ : state) {
        my_string s;
        for (int i = 0; i < size; ++i)
            s += static_cast<char>('a' + i % 26);
        benchmark::DoNotOptimize(s.str);
    }
    state.SetItemsProcessed(state.iterations() * size);
}
BENCHMARK(BM_append_chars_to_1MB)->Unit(benchmark::kMillisecond);

} // namespace
