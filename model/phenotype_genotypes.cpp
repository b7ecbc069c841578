// Genotypes of an individual: enumerating the phases compatible with its two
// gene copies, the expectation step of the haplotype-frequency estimation,
// and the printout of its genotypes.

#include <algorithm>
#include <cstddef>
#include <functional>
#include <iomanip>
#include <unordered_set>
#include <utility>
#include <vector>

#include "core/container_support.h"
#include "core/errors.h"
#include "model/allele.h"
#include "model/allele_db.h"
#include "model/memory_report.h"
#include "model/phenotype.h"
#include "model/pop_haplo_db.h"
#include "project/result_tree.h"

namespace {

// Unordered pair of table entries, the identity of a genotype.
using HaploPair = std::pair<TPopHaplotype const*, TPopHaplotype const*>;

HaploPair unordered(TPopHaplotype const* p, TPopHaplotype const* q)
{
    return p < q ? HaploPair(p, q) : HaploPair(q, p);
}

struct PairHash {
    std::size_t operator()(HaploPair const& k) const
    {
        std::size_t a = std::hash<TPopHaplotype const*>()(k.first);
        std::size_t b = std::hash<TPopHaplotype const*>()(k.second);
        return a ^ (b + 0x9e3779b97f4a7c15ULL + (a << 6) + (a >> 2));
    }
};

// Recessive allele (allele 0) of the locus of a, or null when the database
// has no such locus or the locus no allele.
TAllele* recessive_of(TAllele const* a, TAlleleDB* alleles, bool use_sub_locus)
{
    if (!a || !alleles)
        return nullptr;
    int L = use_sub_locus ? a->sub_locus : a->locus;
    if (L < 0 || L >= alleles->loci.count || alleles->loci[L]->alleles.count == 0)
        return nullptr;
    return alleles->loci[L]->alleles[0];
}

// Genotype counts are int32 powers of two: 2^(h-1) phases for h heterozygous
// loci, 2^L combinations in the recessive case.
const int MAX_HETERO_LOCI = 31;
const int MAX_RECESSIVE_LOCI = 30;

// Largest block of genotypes made room for at once.
const int ROOM_STEP = 1 << 20;

// The phase combinations of one individual's two gene copies x and y of L
// loci each. Without recessive data the allele pairs of the heterozygous
// loci are exchanged in every combination but at the first heterozygous
// locus, giving 2^(h-1) phases. With recessive data an apparent homozygote
// a/a may hide a recessive allele r, so at such loci gene copy 2 also takes
// r in turn, and every locus enters the 2^L combinations.
struct Phases {
    TAllele* const* x = nullptr;
    TAllele* const* y = nullptr;
    int L = 0;
    std::vector<int> het;       // the heterozygous positions, in order
    bool recessive_case = false;
    std::vector<TAllele*> rec;  // recessive allele of each apparent homozygote
    int n = 0;                  // combinations to enumerate

    // Sets the individual's heterozygous count and homozygous flag; false
    // (ERROR 114 from where) when the combinations cannot be counted.
    bool prepare(TPhenotype& p, TAlleleDB* alleles, int recessive, bool use_sub_locus,
                 const char* where)
    {
        L = p.num_loci();
        x = p.pseudo_hapl[0]->alleles.data;
        y = p.pseudo_hapl[1]->alleles.data;
        for (int u = 0; u < L; u++)
            if (x[u] != y[u])
                het.push_back(u);
        int h = static_cast<int>(het.size());
        p.num_hetero_loci = h;
        p.homozygous = (recessive == 0 && h == 0) ? 1 : 0;
        recessive_case = recessive != 0 && h < L;
        if ((!recessive_case && h > MAX_HETERO_LOCI) ||
            (recessive_case && L > MAX_RECESSIVE_LOCI)) {
            E.error(ERROR, where, 114);
            return false;
        }
        if (recessive_case)
            n = 1 << L;
        else if (p.num_genotypes != 0)
            n = p.num_genotypes;
        else
            n = h >= 2 ? 1 << (h - 1) : 1;
        if (recessive_case) {
            rec.assign(L, nullptr);
            for (int u = 0; u < L; u++)
                if (x[u] == y[u])
                    rec[u] = recessive_of(x[u], alleles, use_sub_locus);
        }
        return true;
    }

    // Without recessive alleles the first 2^(h-1) combinations all differ in
    // gene copy 1 while copy 1 always keeps the first heterozygous allele, so
    // their pairs are new unless the list held genotypes.
    bool may_repeat(TPhenotype const& p) const
    {
        int h = static_cast<int>(het.size());
        return recessive_case || p.genotypes.count > 0 || n > (h >= 2 ? 1 << (h - 1) : 1);
    }

    // A and B := the combination of the counter bits.
    void form(int const* bits, TPopHaplotype& A, TPopHaplotype& B) const
    {
        TAllele** a = A.alleles.data;
        TAllele** b = B.alleles.data;
        A.fixed = 0;
        B.fixed = 0;
        if (recessive_case) {
            for (int u = 0; u < L; u++) {
                bool swap = bits[u] == 1 && x[u] != y[u];
                a[u] = swap ? y[u] : x[u];
                b[u] = swap ? x[u] : y[u];
                if (x[u] == y[u] && bits[u] == 1 && rec[u] && x[u] != rec[u]) {
                    b[u] = rec[u];
                    B.fixed = 1;
                }
            }
            return;
        }
        // The first heterozygous locus is never exchanged, so that each
        // unordered pair arises once.
        for (int k = 1; k < static_cast<int>(het.size()); k++) {
            int u = het[k];
            bool swap = bits[k - 1] == 1;
            a[u] = swap ? y[u] : x[u];
            b[u] = swap ? x[u] : y[u];
        }
    }
};

// The genotype list of p, which gains (p, q) unless the pair is listed.
class GenotypeList {
public:
    GenotypeList(TPhenotype& p, Phases const& phases)
        : p_(p), may_repeat_(phases.may_repeat(p)), step_(p.genotypes.delta)
    {
        if (may_repeat_) {
            present_.reserve(static_cast<std::size_t>(p.genotypes.count) +
                             std::min(phases.n, ROOM_STEP));
            for (int i = 0; i < p.genotypes.count; i++)
                present_.insert(unordered(p.genotypes.data[i]->hapl1, p.genotypes.data[i]->hapl2));
        }
        // Room for the new genotypes in one step: the list's own growth step
        // would copy it over and over for thousands of phases.
        p.genotypes.delta = std::max(step_, std::min(phases.n, ROOM_STEP));
        p.num_genotypes = 0;
    }
    ~GenotypeList() { p_.genotypes.delta = step_; }

    void add(TPopHaplotype* p, TPopHaplotype* q)
    {
        if (!may_repeat_ || present_.insert(unordered(p, q)).second) {
            p_.genotypes.Add(new TGenotype(p, q));
            p_.num_genotypes++;
        }
    }

private:
    TPhenotype& p_;
    bool may_repeat_;
    int step_;
    std::unordered_set<HaploPair, PairHash> present_;
};

bool has_two_gene_copies(TPhenotype const& p)
{
    return p.pseudo_hapl[0] && p.pseudo_hapl[1] && p.pseudo_hapl[1]->alleles.count == p.num_loci();
}

}  // namespace

void TPhenotype::binary_inc(int* bits, int const& n)
{
    int i = 0;
    while (i < n && bits[i] == 1)
        bits[i++] = 0;
    bits[i] = 1;
}

void TPhenotype::build_genotypes(TPopHaploDB& table, TAlleleDB* alleles, int const& recessive,
                                 bool use_sub_locus)
{
    // Both gene copies must hold one allele per locus; anything else has no phases.
    if (!has_two_gene_copies(*this))
        return;
    Phases phases;
    if (!phases.prepare(*this, alleles, recessive, use_sub_locus, "TPhenotype::build_genotypes()"))
        return;
    with_memory_report("TPhenotype::build_genotypes()", [&] {
        GenotypeList list(*this, phases);
        TPopHaplotype A(*pseudo_hapl[0]);
        TPopHaplotype B(*pseudo_hapl[1]);
        std::vector<int> bits(phases.L + 1, 0);
        for (int c = 0; c < phases.n; c++) {
            phases.form(bits.data(), A, B);
            TPopHaplotype* p = table.insert(A, 1.0);
            TPopHaplotype* q = table.insert(B, 1.0);
            list.add(p, q);
            binary_inc(bits.data(), phases.L);
        }
    });
}

// The zipper EM extends haplotypes estimated on some loci: a phase is kept
// only when both its haplotypes, seen on those loci, were found there.
// The recessive allele of a locus is looked up by the allele's own locus,
// which stays right whatever sub-haplotypes were cut meanwhile.
void TPhenotype::build_compatible_genotypes(TPopHaploDB& given, int* mask, TPopHaploDB& table,
                                            TAlleleDB* alleles, int const& recessive,
                                            double const& min_freq)
{
    if (!has_two_gene_copies(*this))
        return;
    const char* where = "TPhenotype::build_compatible_genotypes()";
    Phases phases;
    if (!phases.prepare(*this, alleles, recessive, false, where))
        return;
    with_memory_report(where, [&] {
        GenotypeList list(*this, phases);
        TPopHaplotype A(*pseudo_hapl[0]);
        TPopHaplotype B(*pseudo_hapl[1]);
        TPopHaplotype cut_a, cut_b;
        auto fits = [&](TPopHaplotype const& cut) {
            TPopHaplotype const* g = given.find(cut);
            return g && g->freq > min_freq;
        };
        std::vector<int> bits(phases.L + 1, 0);
        for (int c = 0; c < phases.n; c++) {
            phases.form(bits.data(), A, B);
            cut_a.build_sub_haplotype(mask, A);
            cut_b.build_sub_haplotype(mask, B);
            if (fits(cut_a) && fits(cut_b))
                list.add(table.insert(A, 1.0), table.insert(B, 1.0));
            binary_inc(bits.data(), phases.L);
        }
    });
    // An individual that no given haplotype fits would have no probability
    // at all; its own phases keep it in the estimation.
    if (genotypes.count == 0)
        build_genotypes(table, alleles, recessive, false);
}

void TPhenotype::update_gen_prob()
{
    prob = 0;
    if (homozygous == 0) {
        for (int i = 0; i < genotypes.count; i++) {
            TGenotype* g = genotypes.data[i];
            double f1 = g->hapl1->freq;
            double f2 = g->hapl2->freq;
            // A genotype of twice the same haplotype has Hardy-Weinberg
            // probability f^2, a heterozygous one 2 f1 f2.
            g->prob = g->hapl1 == g->hapl2 ? f1 * f1 : 2 * f1 * f2;
            prob += g->prob;
        }
    } else if (genotypes.count > 0) {
        TGenotype* g = genotypes.data[0];
        g->prob = g->hapl1->freq * g->hapl1->freq;
        prob = g->prob;
    }
    if (prob != 0)
        for (int i = 0; i < genotypes.count; i++)
            genotypes.data[i]->rel_prob = genotypes.data[i]->prob / prob;
}

void TPhenotype::update_hapl_freq_in_genotypes()
{
    for (int i = 0; i < genotypes.count; i++) {
        TGenotype* g = genotypes.data[i];
        double w = count * g->rel_prob;
        g->hapl1->freq += w;
        g->hapl2->freq += w;
    }
}

void TPhenotype::print_detailed_genotypes(std::ostream& os)
{
    if (genotypes.count == 0) {
        os << *this;
        return;
    }
    os.setf(std::ios::fixed | std::ios::showpoint | std::ios::right);
    os.unsetf(std::ios::scientific | std::ios::left);
    os << name << std::setw(15) << std::setprecision(3) << count << '\n';
    for (int i = 0; i < genotypes.count; i++)
        if (genotypes.data[i]->prob > 0)
            genotypes.data[i]->print_genot(os, prob);
}

void TPhenotype::printGenotypeFreqs(std::ostream& os, int const& index, double const& min_freq)
{
    prob = 0;
    for (int i = 0; i < genotypes.count; i++) {
        TGenotype* g = genotypes.data[i];
        double f = g->hapl2->freq;
        double x = g->hapl2->inbreed_share;
        if (g->hapl1 == g->hapl2)
            g->prob = (1 + x * f * (1 - f)) * f * f;
        else
            g->prob = 2 * f * g->hapl1->freq * (1 - x);
        prob += g->prob;
    }
    if (genotypes.count == 0) {
        os << "\nGenotypes are undefined for this phenotype...\n";
        return;
    }

    os.setf(std::ios::fixed | std::ios::showpoint | std::ios::right);
    os.unsetf(std::ios::scientific | std::ios::left);
    int name_width = name.length + 2;
    os << "\n================\n" << "Phenotype #" << std::setw(5) << index + 1 << "\n"
       << "================\n";
    os << std::setw(name_width) << "Name" << '\t' << std::setw(12) << "Abs. Freq." << '\t'
       << std::setw(12) << "Rel. Freq.\n";
    os << std::setw(name_width) << result_text(name) << '\t' << std::setw(7)
       << static_cast<int>(count) << '\t' << std::setw(18) << std::setprecision(6) << prob
       << "\n\n";

    // Most likely genotype first, then the rest by decreasing probability.
    TGenotype** g = genotypes.data;
    int best = 0;
    for (int i = 1; i < genotypes.count; i++)
        if (g[i]->prob > g[best]->prob)
            best = i;
    std::swap(g[0], g[best]);
    container_support::heapsort_one_based(genotypes.count - 1, g, [](TGenotype const* a,
                                                                      TGenotype const* b) {
        return a->prob > b->prob;
    });

    os << "List of genotypes (" << std::setw(5) << genotypes.count << ")\n"
       << "-------------------------\n";
    os << std::setw(5) << "Gen. #" << '\t' << std::setw(12) << "Rel. Freq." << '\t' << std::setw(12)
       << "Exp. Freq." << '\t' << std::setw(12) << "Hapl. IDs" << '\t' << "Haplotypes\n";
    for (int k = 0; k < genotypes.count; k++)
        if (g[k]->prob / prob > min_freq)
            g[k]->printGenotFreqs(os, k, prob);
}
