// Large generated projects for the benchmarks that read or run whole projects,
// and the temporary folder they are written to.
#ifndef DROV_BENCH_BENCH_PROJECTS_H
#define DROV_BENCH_BENCH_PROJECTS_H

#include <cstdlib>
#include <filesystem>
#include <map>
#include <ostream>
#include <random>
#include <string>

#include "core/errors.h"

namespace bench_projects {

namespace fs = std::filesystem;

// The profile of a generated project, up to the head of its samples.
inline void write_profile(std::ostream& out, const char* type, int samples, int genotypic,
                          const char* separator)
{
    out << "[Profile]\n\tTitle=\"benchmark\"\n\tNbSamples=" << samples << "\n\tDataType=" << type
        << "\n\tGenotypicData=" << genotypic << "\n\tGameticPhase=0\n\tLocusSeparator="
        << separator << "\n\tMissingData='?'\n[Data]\n[[Samples]]\n";
}

inline void write_sample_head(std::ostream& out, int sample, int size)
{
    out << "\tSampleName=\"pop " << sample << "\"\n\tSampleSize=" << size
        << "\n\tSampleData={\n";
}

// Microsatellite genotypes (repeat numbers 100 to 139) of `samples` samples
// of 50 individuals at 20 loci, tab-separated.
inline void write_microsat_samples(std::ostream& out, int samples)
{
    const int individuals = 50, loci = 20;
    write_profile(out, "MICROSAT", samples, 1, "TAB");
    std::mt19937 random(2);
    for (int s = 0; s < samples; ++s) {
        write_sample_head(out, s, individuals);
        for (int i = 0; i < individuals; ++i) {
            out << "\t\tind" << i << "\t1";
            for (int l = 0; l < loci; ++l)
                out << '\t' << 100 + random() % 40;
            out << "\n\t\t";
            for (int l = 0; l < loci; ++l)
                out << '\t' << 100 + random() % 40;
            out << '\n';
        }
        out << "\t}\n";
    }
}

// `samples` samples of `sequences` sequences of `length` bp, each a reference
// sequence with a few random substitutions, so that most are distinct
// haplotypes of the project's list.
inline void write_dna_samples(std::ostream& out, int samples, int sequences, int length)
{
    write_profile(out, "DNA", samples, 0, "NONE");
    std::mt19937 random(3);
    const char bases[] = "ACGT";
    std::string reference(length, 'A');
    for (char& base : reference)
        base = bases[random() % 4];
    for (int s = 0; s < samples; ++s) {
        write_sample_head(out, s, sequences);
        for (int q = 0; q < sequences; ++q) {
            std::string sequence = reference;
            for (int m = 0; m < 5; ++m)
                sequence[random() % length] = bases[random() % 4];
            out << "\t\th" << s << '_' << q << " 1 " << sequence << '\n';
        }
        out << "\t}\n";
    }
}

// A temporary folder, removed at exit, holding the generated projects and the
// log of the reads and runs.
class ProjectFolder {
public:
    explicit ProjectFolder(const char* stem)
    {
        std::string pattern =
            (fs::temp_directory_path() / (std::string(stem) + "_XXXXXX")).string();
        if (!mkdtemp(pattern.data()))
            std::abort();
        dir = pattern;
        E.init_log_file((dir / "Drovalen_log.txt").string().c_str(), false);
    }
    ~ProjectFolder()
    {
        E.CloseLog_file();
        fs::remove_all(dir);
    }
    ProjectFolder(ProjectFolder const&) = delete;
    ProjectFolder& operator=(ProjectFolder const&) = delete;

    // The project of that kind and size, "<kind>_<size>.drp", written by
    // write(path) when first asked for.
    template <class Write>
    fs::path const& get(std::string const& kind, int size, Write write)
    {
        std::string name = kind + "_" + std::to_string(size) + ".drp";
        auto made = paths.find(name);
        if (made != paths.end())
            return made->second;
        fs::path path = dir / name;
        write(path);
        return paths[name] = path;
    }

    fs::path dir;

private:
    std::map<std::string, fs::path> paths;
};

}  // namespace bench_projects

#endif
