// Observed and unbiased expected heterozygosity of individuals taken as two
// whole gene copies (Nei M 1987, Molecular Evolutionary Genetics).
//
// An individual is homozygous when its two gene copies carry the same allele
// objects at every locus. The expected heterozygosity comes from the
// frequencies of the distinct gene copies, missing alleles counting like any
// other: He = (1 - sum c_i^2 / (2N)^2) 2N / (2N - 1).

#include <ostream>
#include <vector>

#include "analyses/haplotypes/coded_genotypes.h"
#include "app/settings.h"
#include "model/population.h"

void Population::compute_phenotype_heterozygosity(settings& s, TPhenDB const& sample_individuals)
{
    CodedGenotypes coded;
    code_gene_copies(sample_individuals, coded);
    std::vector<double> weights(coded.num_alleles, 0.0);
    int N = 0;
    int homozygotes = 0;
    int heterozygotes = 0;
    for (CodedGenotype const& g : coded.genotypes) {
        N += g.count;
        if (g.first == g.second)
            homozygotes += g.count;
        else
            heterozygotes += g.count;
        weights[g.first] += g.count;
        weights[g.second] += g.count;
    }
    double Ho = 0.0;
    double He = 0.0;
    if (N != 0) {
        const double copies = 2.0 * N;
        double S = 0.0;
        for (double c : weights)
            S += c * c;
        Ho = static_cast<double>(heterozygotes) / N;
        He = (1.0 - S / (copies * copies)) * copies / (copies - 1.0);
    }
    if (!s.results_stream)
        return;
    std::ostream& out = *s.results_stream;
    out << "No. of Heterozygotes     : " << heterozygotes << "\n"
        << "No. of Homozygotes       : " << homozygotes << "\n"
        << "Obs.Heter.               : " << Ho << "\n"
        << "Exp.Heter.               : " << He << "\n"
        << std::endl;
}
