// One genotype compatible with an individual of unknown gametic phase: an
// ordered pair of haplotypes of a haplotype-frequency table, with its
// probability. The haplotypes belong to the table, so one entry's frequency
// serves every genotype that contains it; a genotype is meaningful only while
// that table keeps its entries.
#ifndef DROV_MODEL_GENOTYPE_H
#define DROV_MODEL_GENOTYPE_H

#include <ostream>

class TPopHaplotype;

class TGenotype {
public:
    TPopHaplotype* hapl1;  // not owned
    TPopHaplotype* hapl2;  // not owned; the same entry as hapl1 for a homozygote
    double prob;           // probability (or expected frequency) of the genotype
    double rel_prob;       // prob / probability of the individual

    TGenotype(TPopHaplotype* h1 = nullptr, TPopHaplotype* h2 = nullptr)
        : hapl1(h1), hapl2(h2), prob(0), rel_prob(0) {}

    // prob / total, then the two haplotypes one under the other.
    void print_genot(std::ostream& os, double const& total) const;
    // One row of the expected genotype frequencies: rank index+1, share of
    // total, prob and the printed row numbers of both haplotypes.
    void printGenotFreqs(std::ostream& os, int const& index, double const& total) const;
};

// As print_genot with prob itself.
std::ostream& operator<<(std::ostream& os, TGenotype const& g);

#endif
