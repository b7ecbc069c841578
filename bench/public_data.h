// The public data sets of bench/data as the AMOVA and the pairwise
// comparisons see them: the individuals without missing data ("complete"),
// each gene copy a multilocus haplotype, the distinct haplotypes in one list
// and a distance matrix of the number of different alleles between them.
#ifndef DROV_BENCH_PUBLIC_DATA_H
#define DROV_BENCH_PUBLIC_DATA_H

#include <algorithm>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

#include "bench/amova_inputs.h"

namespace public_data {

// One sample of a data file: its name and the alleles of each gene copy,
// consecutive copies being the two copies of an individual.
struct Sample {
    std::string name;
    std::vector<std::vector<std::string>> copies;
};

// Every sample of a file whose individuals take two lines (name, count and
// the first copy's alleles; the second copy's alleles), missing alleles ("?")
// included.
inline std::vector<Sample> read_samples(const char* file)
{
    std::ifstream in(std::string(DROV_BENCH_DATA) + "/" + file);
    std::vector<Sample> samples;
    std::string line;
    bool inside = false, first_line = true;
    while (std::getline(in, line)) {
        std::size_t at = line.find("SampleName=\"");
        if (at != std::string::npos) {
            samples.push_back(Sample{line.substr(at + 12, line.rfind('"') - at - 12), {}});
            continue;
        }
        if (line.find("SampleData={") != std::string::npos) {
            inside = true;
            first_line = true;
            continue;
        }
        if (!inside)
            continue;
        if (line.find('}') != std::string::npos) {
            inside = false;
            continue;
        }
        std::istringstream fields(line);
        std::vector<std::string> tokens;
        for (std::string t; fields >> t;)
            tokens.push_back(t);
        // The first line of an individual starts with its name and count.
        if (first_line)
            tokens.erase(tokens.begin(), tokens.begin() + 2);
        first_line = !first_line;
        samples.back().copies.push_back(tokens);
    }
    return samples;
}

// The individuals without a missing allele of every sample of a file; the
// samples left without individuals are dropped.
inline std::vector<Sample> read_complete(const char* file)
{
    std::vector<Sample> kept;
    for (Sample& s : read_samples(file)) {
        Sample complete{s.name, {}};
        for (std::size_t i = 0; i + 1 < s.copies.size(); i += 2) {
            bool typed = true;
            for (std::size_t c = i; c < i + 2; ++c)
                typed = typed && std::find(s.copies[c].begin(), s.copies[c].end(), "?") ==
                                     s.copies[c].end();
            if (!typed)
                continue;
            complete.copies.push_back(s.copies[i]);
            complete.copies.push_back(s.copies[i + 1]);
        }
        if (!complete.copies.empty())
            kept.push_back(std::move(complete));
    }
    return kept;
}

// Unphased diploid genotypes as the AMOVA reads them: one gene-copy record
// per copy, the distinct multilocus haplotypes in `haplotypes`, the number
// of different alleles in `distances`; `groups` gives the group of each
// sample (all in one group when empty).
struct Project : AmovaInputs {
    explicit Project(std::vector<Sample> const& data, std::vector<int> const& groups = {})
    {
        samples.GenotypicData = 1;
        samples.GameticPhase = 0;
        std::map<std::vector<std::string>, int> index;
        std::vector<std::vector<std::string> const*> distinct;
        for (Sample const& sample : data)
            for (auto const& copy : sample.copies)
                if (index.emplace(copy, static_cast<int>(distinct.size())).second)
                    distinct.push_back(&copy);
        const int h = static_cast<int>(distinct.size());
        make_haplotypes(h);
        for (int i = 0; i < h; ++i)
            for (int j = 0; j < i; ++j) {
                int differ = 0;
                for (std::size_t l = 0; l < distinct[i]->size(); ++l)
                    differ += (*distinct[i])[l] != (*distinct[j])[l];
                distances(i, j) = differ;
            }
        for (std::size_t p = 0; p < data.size(); ++p) {
            Population* pop =
                new Population(my_string(data[p].name.c_str()), static_cast<int>(p), samples);
            for (auto const& copy : data[p].copies)
                pop->geneCopies.Add(new PHaploDef(haplotypes.list.data[index[copy]], 1));
            pop->SampleSize = static_cast<double>(data[p].copies.size());
            pop->amovaList = &pop->geneCopies;
            samples.Populations.Add(pop);
        }
        group(groups.empty() ? std::vector<int>(data.size(), 0) : groups);
        s.TaskNumber = 0;
        s.HaplAMOVA = s.LocByLocAMOVA = 0;
        s.ComputePairwiseFST = s.PrintMissIntermatchs = s.ComputeDeltaMuSqr = 0;
        s.UnequalPopSizeDiv = 0;
        s.RecessiveAllelesEM = 0;
        s.results_stream = nullptr;
    }
};

// The groups of microbov's breeds by origin: African taurine (0), zebu (1),
// French (2).
inline std::vector<int> microbov_origins(std::vector<Sample> const& data)
{
    std::vector<int> groups;
    for (Sample const& s : data) {
        std::string const& n = s.name;
        bool african = n == "Borgou" || n == "Lagunaire" || n == "NDama" || n == "Somba";
        groups.push_back(african ? 0 : n == "Zebu" ? 1 : 2);
    }
    return groups;
}

}  // namespace public_data

#endif
