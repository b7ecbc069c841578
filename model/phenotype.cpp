// Individuals: construction, copying, equality, gene copies, restriction to
// a subset of loci and the probability under linkage equilibrium.

#include "model/phenotype.h"

#include <iomanip>

#include "core/errors.h"
#include "model/allele.h"
#include "model/memory_report.h"
#include "model/pop_haplo.h"

namespace {

TPopHaplotype* copy_or_null(TPopHaplotype const* h)
{
    return h ? new TPopHaplotype(*h) : nullptr;
}

}  // namespace

TPhenotype::TPhenotype()
    : name("UNKNOWN"), count(0), rel_freq(0), prob(0), num_genotypes(0),
      pseudo_hapl{nullptr, nullptr}, genotypes(15, 50), redundant(0),
      num_hetero_loci(0), homozygous(0)
{
}

TPhenotype::TPhenotype(TPopHaplotype const* h1, TPopHaplotype const* h2, int const& id)
    : TPhenotype()
{
    name = id;
    count = 1.0;
    with_memory_report("TPhenotype::TPhenotype(TPopHaplotype* , TPopHaplotype* , int)", [&] {
        pseudo_hapl[0] = copy_or_null(h1);
        pseudo_hapl[1] = copy_or_null(h2);
    });
}

TPhenotype::TPhenotype(my_string const& name, double const& count) : TPhenotype()
{
    this->name = name;
    this->count = count;
}

TPhenotype::TPhenotype(TPhenotype const& src) : TPhenotype()
{
    *this = src;
}

TPhenotype::~TPhenotype()
{
    delete_pheno();
    release_pseudo_hapl();
}

TPhenotype& TPhenotype::operator=(TPhenotype const& src)
{
    if (this == &src)
        return *this;
    name = src.name;
    count = src.count;
    rel_freq = src.rel_freq;
    prob = src.prob;
    num_genotypes = src.num_genotypes;
    num_hetero_loci = src.num_hetero_loci;
    homozygous = src.homozygous;
    redundant = src.redundant;
    gene_copy[0] = src.gene_copy[0];
    gene_copy[1] = src.gene_copy[1];
    with_memory_report("TPhenotype::operator=()", [&] {
        release_pseudo_hapl();
        pseudo_hapl[0] = copy_or_null(src.pseudo_hapl[0]);
        pseudo_hapl[1] = copy_or_null(src.pseudo_hapl[1]);
        // The list is replaced, not appended to, so that an assignment never
        // leaves genotypes of the old content behind.
        kill_gen_list();
        for (int i = 0; i < src.genotypes.count; i++)
            genotypes.Add(new TGenotype(*src.genotypes.data[i]));
    });
    return *this;
}

void TPhenotype::release_pseudo_hapl()
{
    delete pseudo_hapl[0];
    delete pseudo_hapl[1];
    pseudo_hapl[0] = pseudo_hapl[1] = nullptr;
}

void TPhenotype::delete_pheno()
{
    for (TPopHaplotype* h : pseudo_hapl)
        if (h)
            h->empty();
    name = "";
    gene_copy[0] = "";
    gene_copy[1] = "";
    kill_gen_list();
}

void TPhenotype::kill_gen_list()
{
    genotypes.Flush();
}

TAllele* TPhenotype::allele_at(int copy, int locus) const
{
    TPopHaplotype const* h = pseudo_hapl[copy];
    return h ? h->alleles[locus] : nullptr;
}

int TPhenotype::num_loci() const
{
    return pseudo_hapl[0] ? pseudo_hapl[0]->alleles.count : 0;
}

bool TPhenotype::operator==(TPhenotype const& other) const
{
    if (!pseudo_hapl[0])
        return count == other.count;
    int L = num_loci();
    for (int i = 0; i < L; i++) {
        TAllele* a1 = allele_at(0, i);
        TAllele* a2 = allele_at(1, i);
        TAllele* b1 = other.allele_at(0, i);
        TAllele* b2 = other.allele_at(1, i);
        if (!((a1 == b1 && a2 == b2) || (a1 == b2 && a2 == b1)))
            return false;
    }
    return true;
}

void TPhenotype::count_hetero_loci()
{
    int h = 0;
    for (int i = 0; i < num_loci(); i++)
        if (allele_at(0, i) != allele_at(1, i))
            h++;
    num_hetero_loci = h;
}

void TPhenotype::replace_pseudo_hapl(TPopHaplotype* h, int which)
{
    delete pseudo_hapl[which];
    pseudo_hapl[which] = h;
}

void TPhenotype::set_pseudo_hapl(TPopHaplotype const& h, int const& which)
{
    if (which != 0 && which != 1)
        return;
    with_memory_report("TPhenotype::set_pseudo_hapl()",
                       [&] { replace_pseudo_hapl(new TPopHaplotype(h), which); });
}

void TPhenotype::set_pseudo_hapl(TPopHaplotype* h, int const& which)
{
    if (which == 0 || which == 1)
        replace_pseudo_hapl(h, which);
}

double TPhenotype::link_equil_pheno_prob()
{
    double p = 1.0;
    for (int i = 0; i < num_loci(); i++) {
        TAllele* a1 = allele_at(0, i);
        TAllele* a2 = allele_at(1, i);
        if (!a2)
            continue;  // a second gene copy shorter than the first adds no factor
        if (a1->mark != 0)
            p *= a1->count * a2->count;
        else
            E.error(WARNING, "TPhenotype::link_equil_pheno_prob()", 115);
        if (a1 != a2)
            p *= 2;
    }
    return p;
}

// The fields both restrictions share; the gene copies become empty lists
// that the caller fills, and the genotypes go.
void TPhenotype::copy_restricted_fields(TPhenotype const& src)
{
    replace_pseudo_hapl(new TPopHaplotype(), 0);
    replace_pseudo_hapl(new TPopHaplotype(), 1);
    name = src.name;
    count = src.count;
    rel_freq = src.rel_freq;
    prob = src.prob;
    num_hetero_loci = src.num_hetero_loci;
    gene_copy[0] = src.gene_copy[0];
    gene_copy[1] = src.gene_copy[1];
    num_genotypes = 0;
    redundant = 0;
    kill_gen_list();
}

TPhenotype& TPhenotype::copy_restricted_pheno(int const* loci, TPhenotype const& src)
{
    with_memory_report("TPhenotype::copy_restricted_pheno()", [&] {
        copy_restricted_fields(src);
        for (int k = 0; k < 2; k++)
            if (src.pseudo_hapl[k])
                pseudo_hapl[k]->copy_restricted_hapl(loci, *src.pseudo_hapl[k]);
    });
    return *this;
}

TPhenotype& TPhenotype::build_sub_phenotype(int const* mask, TPhenotype const& src)
{
    with_memory_report("TPhenotype::build_sub_phenotype()", [&] {
        copy_restricted_fields(src);
        num_hetero_loci = 0;
        for (int k = 0; k < 2; k++)
            if (src.pseudo_hapl[k])
                pseudo_hapl[k]->build_sub_haplotype(mask, *src.pseudo_hapl[k]);
    });
    return *this;
}

std::ostream& operator<<(std::ostream& os, TPhenotype const& p)
{
    os.setf(std::ios::fixed | std::ios::showpoint | std::ios::right);
    os.unsetf(std::ios::scientific | std::ios::left);
    os << std::setw(15) << p.name << std::setw(13) << std::setprecision(3) << p.count << ' ';
    if (p.pseudo_hapl[0])
        os << *p.pseudo_hapl[0];
    os << '\n' << std::setw(15) << ' ' << std::setw(13) << ' ' << ' ';
    if (p.pseudo_hapl[1])
        os << *p.pseudo_hapl[1];
    os << '\n' << std::flush;
    return os;
}
