// Coding the gene copies of individuals by first appearance, by allele object
// at one locus or by the allele objects of whole gene copies.

#include "analyses/haplotypes/coded_genotypes.h"

#include <cstddef>
#include <unordered_map>

#include "model/haplotype_index.h"
#include "model/phen_db.h"
#include "model/pop_haplo.h"

namespace {

int truncated_count(TPhenotype const& p)
{
    return static_cast<int>(p.count);
}

// Codes of whole gene copies: candidates by hash of their allele pointers,
// then compared allele by allele.
class GeneCopyCodes {
public:
    int code_of(TPopHaplotype const& h)
    {
        std::vector<int>& same_key = by_key_[HaplotypeIndex::key(h)];
        for (int code : same_key)
            if (*copies_[code] == h)
                return code;
        copies_.push_back(&h);
        same_key.push_back(static_cast<int>(copies_.size()) - 1);
        return same_key.back();
    }

    int size() const { return static_cast<int>(copies_.size()); }

private:
    std::vector<TPopHaplotype const*> copies_;
    std::unordered_map<std::size_t, std::vector<int>> by_key_;
};

}  // namespace

bool code_locus_genotypes(TPhenDB const& individuals, int locus, char missing,
                          CodedGenotypes& coded)
{
    coded.genotypes.clear();
    coded.num_alleles = 0;
    std::unordered_map<TAllele const*, int> codes;
    auto code_of = [&codes](TAllele const* a) {
        return codes.emplace(a, static_cast<int>(codes.size())).first->second;
    };
    coded.genotypes.reserve(individuals.phenotypes.count);
    for (int i = 0; i < individuals.phenotypes.count; ++i) {
        TPhenotype const& p = *individuals.phenotypes.data[i];
        TPopHaplotype const* h1 = p.pseudo_hapl[0];
        TPopHaplotype const* h2 = p.pseudo_hapl[1];
        if (locus < 0 || !h1 || !h2 || locus >= h1->alleles.count || locus >= h2->alleles.count) {
            coded.genotypes.clear();
            return false;
        }
        TAllele const* a1 = h1->alleles.data[locus];
        TAllele const* a2 = h2->alleles.data[locus];
        if (a1->name.str[0] == missing || a2->name.str[0] == missing)
            continue;
        int c1 = code_of(a1);
        coded.genotypes.push_back({c1, code_of(a2), truncated_count(p)});
    }
    coded.num_alleles = static_cast<int>(codes.size());
    return true;
}

void code_gene_copies(TPhenDB const& individuals, CodedGenotypes& coded)
{
    coded.genotypes.clear();
    coded.genotypes.reserve(individuals.phenotypes.count);
    GeneCopyCodes codes;
    for (int i = 0; i < individuals.phenotypes.count; ++i) {
        TPhenotype const& p = *individuals.phenotypes.data[i];
        if (!p.pseudo_hapl[0] || !p.pseudo_hapl[1])
            continue;
        int c1 = codes.code_of(*p.pseudo_hapl[0]);
        coded.genotypes.push_back({c1, codes.code_of(*p.pseudo_hapl[1]), truncated_count(p)});
    }
    coded.num_alleles = codes.size();
}
