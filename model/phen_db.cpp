// The individuals of a sample: copying, random samples, the steps of the
// haplotype-frequency estimation, pooling, restricted copies and printouts.

#include "model/phen_db.h"

#include <cmath>
#include <cstddef>
#include <functional>
#include <unordered_set>
#include <vector>

#include "core/errors.h"
#include "core/random.h"
#include "model/memory_report.h"
#include "model/pop_haplo_db.h"

TPhenDB::TPhenDB()
    : phenotypes(9, 100), ln_likelihood(0), inbreeding_coeff(0), IF_coeff(0), num_ambiguous(0),
      num_ambiguous_correct(0)
{
}

TPhenDB::TPhenDB(TPhenDB const& src) : TPhenDB()
{
    *this = src;
}

TPhenDB::TPhenDB(int const& n, TPopHaploDB const& table)
    : phenotypes(10, 10), ln_likelihood(0), inbreeding_coeff(0), IF_coeff(0), num_ambiguous(0),
      num_ambiguous_correct(0)
{
    long seed = 1;  // positive: continues the process-wide stream
    int failures = 0;
    with_memory_report("TPhenDB::create_random_list()", [&] {
        for (int i = 0; i < n;) {
            double u1 = ran3(&seed);
            TPopHaplotype* h1 = table.select_haplotype(u1);
            double u2 = ran3(&seed);
            TPopHaplotype* h2 = table.select_haplotype(u2);
            if (!h1 || !h2) {
                E.error(ERROR, "TPhenDB::create_random_list()", 116);
                if (failures > 99)
                    return;
                failures++;
                continue;
            }
            phenotypes.Add(new TPhenotype(h1, h2, i));
            i++;
        }
    });
}

TPhenDB& TPhenDB::operator=(TPhenDB const& src)
{
    if (this == &src)
        return *this;
    phenotypes.Flush();
    for (int i = 0; i < src.phenotypes.count; i++)
        phenotypes.Add(new TPhenotype(*src.phenotypes.data[i]));
    ln_likelihood = src.ln_likelihood;
    inbreeding_coeff = src.inbreeding_coeff;
    num_ambiguous = src.num_ambiguous;
    num_ambiguous_correct = src.num_ambiguous_correct;
    return *this;
}

int TPhenDB::build_all_genotypes(TPopHaploDB& table, TAlleleDB* alleles, int const& recessive)
{
    for (int i = 0; i < phenotypes.count; i++)
        phenotypes.data[i]->build_genotypes(table, alleles, recessive, false);
    return 1;
}

void TPhenDB::update_genotypes()
{
    for (int i = 0; i < phenotypes.count; i++)
        phenotypes.data[i]->update_gen_prob();
}

double TPhenDB::calc_ln_likelihood()
{
    ln_likelihood = 0;
    for (int i = 0; i < phenotypes.count; i++) {
        TPhenotype const* p = phenotypes.data[i];
        if (p->prob <= 0) {
            ln_likelihood = MIN_LN_LIKELIHOOD;
            break;
        }
        ln_likelihood += p->count * std::log(p->prob);
    }
    return ln_likelihood;
}

void TPhenDB::update_hapl_freq(TPopHaploDB& table)
{
    table.reset_freq();
    for (int i = 0; i < phenotypes.count; i++)
        phenotypes.data[i]->update_hapl_freq_in_genotypes();
}

void TPhenDB::convert_freq_to_real()
{
    double total = 0;
    for (int i = 0; i < phenotypes.count; i++)
        total += phenotypes.data[i]->count;
    // An empty or all-zero sample has no frequencies to give; 0 rather than 0/0.
    for (int i = 0; i < phenotypes.count; i++)
        phenotypes.data[i]->rel_freq = total != 0 ? phenotypes.data[i]->count / total : 0;
}

double TPhenDB::link_equil_ln_likelihood()
{
    double lnL = 0;
    for (int i = 0; i < phenotypes.count; i++) {
        TPhenotype* p = phenotypes.data[i];
        double q = p->link_equil_pheno_prob();
        if (q <= 0)
            return MIN_LN_LIKELIHOOD;
        lnL += p->count * std::log(q);
    }
    return lnL;
}

int TPhenDB::nb_individuals() const
{
    int n = 0;
    for (int i = 0; i < phenotypes.count; i++)
        n += static_cast<int>(phenotypes.data[i]->count);
    return n;
}

int TPhenDB::num_loci() const
{
    TPhenotype const* first = phenotypes.count > 0 ? phenotypes.data[0] : nullptr;
    return first ? first->num_loci() : 0;
}

// Pooling. Equality of individuals ignores the phase, so an individual is
// keyed by its unordered allele pair at every locus; a hash of these keys
// finds the first individual of each class in one pass. The first of a class
// takes the counts of the later ones in their order, as a pairwise scan
// would add them.
void TPhenDB::check_pheno_redundancy()
{
    with_memory_report("TPhenDB::check_pheno_redundancy()", [&] {
        for (int i = 0; i < phenotypes.count; i++)
            phenotypes.data[i]->redundant = 0;
        // Keys need every individual to carry both gene copies over the same
        // loci; other samples keep the pairwise comparison.
        int L = num_loci();
        bool keyed = true;
        for (int i = 0; i < phenotypes.count && keyed; i++) {
            TPhenotype const* p = phenotypes.data[i];
            keyed = p->pseudo_hapl[0] && p->pseudo_hapl[1] && p->num_loci() == L &&
                    p->pseudo_hapl[1]->alleles.count == L;
        }
        if (keyed)
            pool_by_key();
        else
            pool_pairwise();
        std::vector<bool> drop(phenotypes.count);
        for (int i = 0; i < phenotypes.count; i++)
            drop[i] = phenotypes.data[i]->redundant != 0;
        remove_entries(drop);
    });
}

void TPhenDB::pool_by_key()
{
    int n = phenotypes.count;
    int L = num_loci();
    std::size_t width = 2 * static_cast<std::size_t>(L);
    std::vector<TAllele const*> keys(n * width);
    for (int i = 0; i < n; i++) {
        TAllele const** key = keys.data() + i * width;
        for (int u = 0; u < L; u++) {
            TAllele const* a = phenotypes.data[i]->allele_at(0, u);
            TAllele const* b = phenotypes.data[i]->allele_at(1, u);
            key[2 * u] = std::less<TAllele const*>()(a, b) ? a : b;
            key[2 * u + 1] = std::less<TAllele const*>()(a, b) ? b : a;
        }
    }
    auto hash = [&](int i) {
        std::size_t h = 0;
        for (std::size_t k = 0; k < width; k++)
            h = h * 1000003u ^ std::hash<TAllele const*>()(keys[i * width + k]);
        return h;
    };
    auto same = [&](int i, int j) {
        for (std::size_t k = 0; k < width; k++)
            if (keys[i * width + k] != keys[j * width + k])
                return false;
        return true;
    };
    std::unordered_set<int, decltype(hash), decltype(same)> first_of_class(n, hash, same);
    for (int j = 0; j < n; j++) {
        auto [it, is_new] = first_of_class.insert(j);
        if (is_new)
            continue;
        TPhenotype* first = phenotypes.data[*it];
        TPhenotype* later = phenotypes.data[j];
        first->count += later->count;
        first->rel_freq += later->rel_freq;
        later->redundant = 1;
    }
}

void TPhenDB::pool_pairwise()
{
    for (int i = 0; i < phenotypes.count; i++) {
        TPhenotype* first = phenotypes.data[i];
        if (first->redundant)
            continue;
        for (int j = i + 1; j < phenotypes.count; j++) {
            TPhenotype* later = phenotypes.data[j];
            if (!later->redundant && *first == *later) {
                first->count += later->count;
                first->rel_freq += later->rel_freq;
                later->redundant = 1;
            }
        }
    }
}

// Deletes the individuals marked in drop; the others keep their order.
void TPhenDB::remove_entries(std::vector<bool> const& drop)
{
    int kept = 0;
    for (int i = 0; i < phenotypes.count; i++) {
        TPhenotype* p = phenotypes.data[i];
        if (drop[i])
            delete p;
        else
            phenotypes.data[kept++] = p;
    }
    for (int i = kept; i < phenotypes.count; i++)
        phenotypes.data[i] = nullptr;
    phenotypes.count = kept;
}

template <class Restrict>
void TPhenDB::restricted_copy(TPhenDB const& src, const char* where, Restrict restrict)
{
    if (&src == this) {
        TPhenDB own(src);
        restricted_copy(own, where, restrict);
        return;
    }
    with_memory_report(where, [&] {
        phenotypes.Flush();
        TPhenotype scratch;
        for (int i = 0; i < src.phenotypes.count; i++) {
            restrict(scratch, *src.phenotypes.data[i]);
            phenotypes.Add(new TPhenotype(scratch));
        }
    });
    ln_likelihood = src.ln_likelihood;
}

TPhenDB& TPhenDB::create_temp_PhenDB(int const* loci, TPhenDB const& src)
{
    restricted_copy(src, "TPhenDB::create_temp_PhenDB()",
                    [loci](TPhenotype& to, TPhenotype const& from) {
                        to.copy_restricted_pheno(loci, from);
                    });
    return *this;
}

TPhenDB& TPhenDB::build_sub_PhenDB(int const* mask, TPhenDB const& src)
{
    restricted_copy(src, "TPhenDB::build_sub_PhenDB()",
                    [mask](TPhenotype& to, TPhenotype const& from) {
                        to.build_sub_phenotype(mask, from);
                    });
    return *this;
}

std::ostream& operator<<(std::ostream& os, TPhenDB const& db)
{
    for (int i = 0; i < db.phenotypes.count; i++)
        os << *db.phenotypes.data[i] << '\n' << std::flush;
    return os;
}

void TPhenDB::print_all_genotypes(std::ostream& os)
{
    os << "\n\nList of detailed genotypes" << "\n==========================\n\n";
    for (int i = 0; i < phenotypes.count; i++)
        phenotypes.data[i]->print_detailed_genotypes(os);
}

void TPhenDB::printGenotypeFrequencies(std::ostream& os, double const& min_freq)
{
    os << "\n\n-------------------------------------------"
       << "\nMaximum-likelihood frequencies of genotypes"
       << "\n-------------------------------------------\n\n"
       << "(Haplotypes that are not listed above have a negative id)\n\n";
    for (int k = 0; k < phenotypes.count; k++)
        phenotypes.data[k]->printGenotypeFreqs(os, k, min_freq);
}
