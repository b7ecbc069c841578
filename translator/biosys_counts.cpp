// Biosys genotype counts (data type 2) and genotype frequencies (data type
// 3) to project text.
//
// Per population and locus the file lists genotypes with the number of
// individuals that carry each (type 2), or with their frequency in a sample
// of N (type 3). The project needs individuals, so they are made up: the
// genotypes of the first locus, each repeated as often as it counts, define
// individuals 1, 2, 3 ...; the genotypes of every further locus, repeated
// the same way and in the same order, go to individuals 1, 2, 3 in turn.
// Which alleles of different loci share an individual thus depends only on
// the order of the lists: the made-up individuals keep each locus's genotype
// counts, not the sample's multi-locus genotypes.
//
// A population is an optional "NEXT", its name line, for type 3 a line with
// N from its ninth character on, then as many lines per locus as the format
// statement has. A genotype is the gap, the two alleles, one separator and
// the count (type 2) or the frequency (type 3), whose first digit is the
// units and the others the decimals (0250 is 0.25; a blank is a 0); its
// copies are the frequency times N rounded to the nearest integer. A line
// holds genotypes one after the other for as long as one begins before its
// end, however many the format's repeat count says.
#include <algorithm>
#include <climits>
#include <cmath>
#include <string>
#include <vector>

#include "core/conversions.h"
#include "translator/biosys_reader.h"
#include "translator/imp_exp.h"

namespace {

// The value of a frequency field: its first character the units, the others
// the decimals, each blank a 0.
double frequency(std::string field)
{
    for (char& c : field)
        if (c == ' ')
            c = '0';
    return my_atof((field.substr(0, 1) + "." + field.substr(1)).c_str());
}

} // namespace

int BiosysReader::read_genotype_lists()
{
    for (int population = 1; population <= notu; ++population) {
        if (!next_line() || (line == "NEXT" && !next_line()))
            return ended_before(population);
        out << "\t\t SampleName=\"" << imp_exp::unquoted(line) << "\"\n";
        int sample_size = 0;
        if (data_type == 3) {
            next_line();
            sample_size = line.size() > 8 ? biosys_number(line.substr(8)) : 0;
        }
        made_up1.clear();
        made_up2.clear();
        for (Genotype const& g : read_genotype_list(sample_size))
            for (int c = 0; c < g.copies; ++c) {
                made_up1.push_back(g.first);
                made_up2.push_back(g.second);
            }
        for (int locus = 2; locus <= nloc; ++locus)
            add_locus(locus, read_genotype_list(sample_size));

        out << "\t\t SampleSize=" << (data_type == 2 ? static_cast<int>(made_up1.size()) : sample_size)
            << "\n\t\t SampleData={\n";
        for (std::size_t k = 0; k < made_up1.size(); ++k)
            out << "ind" << k + 1 << "   1   " << made_up1[k] << '\n'
                << "             " << made_up2[k] << '\n';
        out << "}\n\n";
    }
    return 1;
}

// The genotypes of one locus, line after line: each genotype's copies go to
// the next made-up individuals. Copies beyond the individuals are dropped;
// individuals left over get a missing allele.
void BiosysReader::add_locus(int locus, std::vector<Genotype> const& genotypes)
{
    std::size_t individuals = made_up1.size();
    std::size_t k = 0;
    for (Genotype const& g : genotypes)
        for (int c = 0; c < g.copies; ++c, ++k)
            if (k < individuals) {
                (made_up1[k] += ' ') += g.first;
                (made_up2[k] += ' ') += g.second;
            }
    if (k > individuals)
        out << "#Locus " << locus << " gives " << k - individuals
            << " individuals more than locus 1: the extra ones are dropped\n";
    if (k < individuals) {
        out << "#Locus " << locus << " gives " << individuals - k
            << " individuals fewer than locus 1: the last ones have missing alleles (?) there\n";
        for (; k < individuals; ++k) {
            made_up1[k] += " ?";
            made_up2[k] += " ?";
        }
    }
}

// The lines of one locus: on each, genotype after genotype for as long as
// one begins before the end of the line.
std::vector<BiosysReader::Genotype> BiosysReader::read_genotype_list(int sample_size)
{
    BiosysFormat const& f = format;
    std::vector<Genotype> genotypes;
    for (int i = 0; i < f.line_count; ++i) {
        next_line();
        std::size_t column = i == 0 ? f.skip : 0;
        while (column < line.size()) {
            Genotype g;
            column += f.gap[i];
            g.first = allele(line, column, f.first_width[i]);
            column += f.first_width[i];
            g.second = allele(line, column, f.second_width[i]);
            column += f.second_width[i] + 1;
            if (data_type == 2) {
                g.copies = biosys_number(field(line, column, f.third_width[i]));
                column += f.third_width[i];
            } else {
                int width = std::max(f.third_width[i], 1);
                long copies = std::lround(frequency(field(line, column, width)) * sample_size);
                g.copies = static_cast<int>(std::min<long>(copies, INT_MAX));
                column += width;
            }
            genotypes.push_back(g);
        }
    }
    return genotypes;
}
