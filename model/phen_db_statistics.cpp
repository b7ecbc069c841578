// Statistics of a sample of individuals that the analyses offer for
// inspection: the Hardy-Weinberg likelihood-ratio statistic of one locus, the
// multinomial coefficient of the counts, and how well estimated haplotypes
// and phases match individuals whose phase is known.

#include <cmath>
#include <cstring>
#include <iomanip>
#include <new>
#include <vector>

#include "core/errors.h"
#include "core/math_functions.h"
#include "model/allele.h"
#include "model/allele_db.h"
#include "model/phen_db.h"
#include "model/pop_haplo_db.h"

namespace {

// x ln x, taken as 0 at 0 (its limit).
double x_ln_x(double x)
{
    return x > 0 ? x * std::log(x) : 0.0;
}

}  // namespace

// G = 2 ln(observed genotype frequencies / Hardy-Weinberg expectations) for a
// sample of pooled one-locus entries, each a distinct genotype with its count.
double TPhenDB::hw_chi_stat(TAlleleDB* alleles, int locus, char missing, int& df)
{
    df = 0;
    for (int i = 0; i < phenotypes.count; i++) {
        TPhenotype const* p = phenotypes.data[i];
        if (!p->pseudo_hapl[0] || !p->pseudo_hapl[1] || p->pseudo_hapl[0]->alleles.count != 1 ||
            p->pseudo_hapl[1]->alleles.count != 1) {
            E.error(ERROR, "TPhenDB::hw_chi_stat()", 118);
            return -1000;
        }
    }
    TLocus* loc = (alleles && locus >= 0 && locus < alleles->loci.count) ? alleles->loci[locus]
                                                                          : nullptr;
    int num_alleles = loc ? loc->alleles.count : 0;
    try {
        std::vector<double> na(num_alleles, 0.0);
        double N = 0, H = 0, Sg = 0;
        for (int i = 0; i < phenotypes.count; i++) {
            TPhenotype const* p = phenotypes.data[i];
            TAllele const* g[2] = {p->allele_at(0, 0), p->allele_at(1, 0)};
            if (g[0]->name.str[0] == missing || g[1]->name.str[0] == missing)
                continue;
            N += p->count;
            if (!(*p->pseudo_hapl[0] == *p->pseudo_hapl[1]))
                H += p->count;
            Sg += x_ln_x(p->count);
            // Each gene copy counts for the first allele of the locus of its name.
            for (TAllele const* a : g)
                for (int j = 0; j < num_alleles; j++)
                    if (std::strcmp(loc->alleles[j]->name.str, a->name.str) == 0) {
                        na[j] += p->count;
                        break;
                    }
        }
        int k = 0;
        double Sa = 0;
        for (double n : na)
            if (n > 0) {
                k++;
                Sa += x_ln_x(n);
            }
        if (k < 2)
            return 0;
        df = k * (k - 1) / 2;
        const double ln2 = 0.6931471805599453;
        return 2 * ((Sg - x_ln_x(N)) - (H * ln2 + Sa - x_ln_x(2 * N)));
    } catch (std::bad_alloc const&) {
        E.error(ERROR, "TPhenDB::hw_chi_stat(AllDB, sel_loci,   miss_data)", 0);
        return 0;
    }
}

double TPhenDB::calc_ln_multinom()
{
    int N = 0;
    double sum_ln = 0;
    for (int i = 0; i < phenotypes.count; i++) {
        int c = static_cast<int>(phenotypes.data[i]->count);
        N += c;
        sum_ln += factln(c);
    }
    return factln(N) - sum_ln;
}

// 1 - D/2 with D the summed absolute difference between the individuals' own
// haplotype frequencies and the estimated ones (a haplotype missing on one
// side counts with its whole frequency).
double TPhenDB::compute_IF_coeff(TPopHaploDB* estimated)
{
    TPopHaploDB own;
    for (int i = 0; i < phenotypes.count; i++)
        for (TPopHaplotype const* h : phenotypes.data[i]->pseudo_hapl)
            if (h)
                own.insert(*h, 1.0);
    for (int t = 0; t < own.haplotypes.count; t++)
        own.haplotypes[t]->freq /= 2.0 * phenotypes.count;

    double D = 0;
    int matched = 0;
    for (int t = 0; t < own.haplotypes.count; t++) {
        TPopHaplotype const* h = own.haplotypes[t];
        TPopHaplotype* e = estimated->find(*h);
        if (!e) {
            D += h->freq;
        } else {
            D += std::fabs(e->freq - h->freq);
            e->matched = 1;
            matched++;
        }
    }
    if (matched != estimated->haplotypes.count) {
        for (int j = 0; j < estimated->haplotypes.count; j++) {
            TPopHaplotype* e = estimated->haplotypes[j];
            if (e->matched)
                continue;
            TPopHaplotype* h = own.find(*e);
            D += h ? std::fabs(e->freq - h->freq) : e->freq;
            if (h)
                e->matched = 1;
        }
    }
    IF_coeff = 1 - D / 2;
    return IF_coeff;
}

// Share of individuals (by count) whose most likely genotype is their own
// phase, the first genotype of the enumeration.
double TPhenDB::percent_correct_gametic_phase(std::ostream& os)
{
    num_ambiguous = 0;
    num_ambiguous_correct = 0;
    int correct = 0;
    int total = 0;
    for (int k = 0; k < phenotypes.count; k++) {
        TPhenotype const* p = phenotypes.data[k];
        int c = static_cast<int>(p->count);
        double S = 0;
        TGenotype const* best = nullptr;
        for (int i = 0; i < p->genotypes.count; i++) {
            TGenotype const* g = p->genotypes.data[i];
            S += g->prob;
            if (!best || g->prob > best->prob)
                best = g;
        }
        if (os.good()) {
            os.setf(std::ios::fixed);
            os << "Phenotype : " << k + 1 << " (freq: " << p->count << ")\n";
            if (best) {
                TGenotype const* own = p->genotypes.data[0];
                os << std::setprecision(5) << "\tCorrect genotype      : \t" << own->prob / S << "\t["
                   << *p->pseudo_hapl[0] << "] & [" << *p->pseudo_hapl[1] << "]"
                   << "\n\tMost likely genotype  : \t" << best->prob / S << "\t[" << *best->hapl1
                   << "] & [" << *best->hapl2 << "]\t";
            }
        }
        if (p->num_hetero_loci > 1)
            num_ambiguous += c;
        // An individual without genotypes has no estimated phase: it counts as wrong.
        bool ok = best && ((*best->hapl1 == *p->pseudo_hapl[0] && *best->hapl2 == *p->pseudo_hapl[1]) ||
                           (*best->hapl1 == *p->pseudo_hapl[1] && *best->hapl2 == *p->pseudo_hapl[0]));
        if (ok) {
            correct += c;
            if (p->num_hetero_loci > 1)
                num_ambiguous_correct += c;
        }
        if (os.good())
            os << (ok ? "Phase OK\n" : "Bad phase\n");
        total += c;
    }
    return total > 0 ? static_cast<double>(correct) / total : 0.0;
}
