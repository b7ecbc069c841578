// Printing of genotypes.

#include "model/genotype.h"

#include <iomanip>
#include <sstream>

#include "model/pop_haplo.h"
#include "project/result_tree.h"

namespace {

void set_fixed(std::ostream& os)
{
    os.setf(std::ios::fixed | std::ios::showpoint | std::ios::right);
    os.unsetf(std::ios::scientific | std::ios::left);
}

// A value in width 13 with 5 decimals, then both haplotypes aligned.
void print_pair(std::ostream& os, double value, TGenotype const& g)
{
    set_fixed(os);
    os << std::setprecision(5) << std::setw(13) << value << ' ' << *g.hapl1 << '\n'
       << std::setw(13) << ' ' << ' ' << *g.hapl2 << '\n';
}

// The haplotype's alleles as the results show them.
ResultText haplotype_text(TPopHaplotype const& h)
{
    std::ostringstream text;
    text << h;
    return result_text(my_string(text.str().c_str()));
}

}  // namespace

void TGenotype::print_genot(std::ostream& os, double const& total) const
{
    print_pair(os, prob / total, *this);
    os.flush();
}

std::ostream& operator<<(std::ostream& os, TGenotype const& g)
{
    print_pair(os, g.prob, g);
    return os;
}

void TGenotype::printGenotFreqs(std::ostream& os, int const& index, double const& total) const
{
    set_fixed(os);
    os << std::setprecision(6)
       << std::setw(5) << index + 1 << '\t' << std::setw(12) << prob / total << '\t'
       << std::setw(12) << prob << '\t' << std::setw(12) << hapl1->index << '\t'
       << haplotype_text(*hapl1) << '\n'
       << std::setw(5) << ' ' << '\t' << std::setw(12) << ' ' << '\t' << std::setw(12) << ' ' << '\t'
       << std::setw(12) << hapl2->index << '\t' << haplotype_text(*hapl2) << '\n';
}
