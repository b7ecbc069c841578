// Allele vectors of a genotypic sample: the text of each individual's two gene
// copies becomes two pseudo-haplotypes, lists of pointers to the alleles of the
// project's allele database, one per locus; and the recessive-allele slot,
// allele 0 of every locus, enters the database once.
//
// The analyses of genotypic data (EM, linkage and Hardy-Weinberg tests, the
// Gibbs sampler) compare alleles as shared objects, never as text.

#include "model/population.h"

#include <string>

#include "core/errors.h"
#include "model/pop_haplo.h"

namespace {

// Ends a token as the stream reader of allele texts does: at the separator, a
// line feed or the byte 0xFF.
bool ends_token(char c, char separator)
{
    return c == separator || c == '\n' || c == '\xff';
}

const char* const MAKE_ALL_BLANKS = "Population::make_all_blanks()";

}  // namespace

void build_pseudo_hapl0(TPhenotype& individual, AlleleVectorContext const& context)
{
    // Each gene copy holds half of the individual's share of the sample.
    double w = individual.rel_freq * 0.5;
    for (int c = 0; c < 2; ++c) {
        my_string const& text = individual.gene_copy[c];
        TPopHaplotype* h = new TPopHaplotype(0, text.length);
        for (int j = 0; j < text.length; ++j) {
            int p = context.alleles->InsertAllPos(j, text.str[j], w);
            h->alleles.Add(context.alleles->allele_at(j, p));
        }
        individual.set_pseudo_hapl(h, c);
    }
}

void build_pseudo_hapl1(TPhenotype& individual, AlleleVectorContext const& context)
{
    double w = individual.rel_freq * 0.5;
    int num_loci = context.alleles->loci.count;
    for (int c = 0; c < 2; ++c) {
        my_string const& text = individual.gene_copy[c];
        TPopHaplotype* h = new TPopHaplotype(context.separator, num_loci);
        // Two separators in a row give an empty token, which is skipped
        // without advancing the locus, so the loci stay aligned.
        int j = 0;
        int start = 0;
        for (int k = 0; k <= text.length; ++k) {
            if (k < text.length && !ends_token(text.str[k], context.separator))
                continue;
            if (k > start) {
                my_string token(std::string(text.str + start, k - start).c_str());
                int p = context.alleles->InsertAllPos(j, token, w);
                h->alleles.Add(context.alleles->allele_at(j, p));
                ++j;
            }
            start = k + 1;
        }
        individual.set_pseudo_hapl(h, c);
    }
}

int Population::build_allele_vectors(char const& separator)
{
    individuals.convert_freq_to_real();
    AlleleVectorContext context{alleleDB, separator};
    MY_TIArrayAsVector<TPhenotype>& list = individuals.phenotypes;
    for (int i = 0; i < list.count; ++i) {
        if (separator == 0)
            build_pseudo_hapl0(*list.data[i], context);
        else
            build_pseudo_hapl1(*list.data[i], context);
    }
    return 1;
}

void Population::make_all_blanks(char const& separator)
{
    if (alleleDB->blanks_inserted)
        return;
    // Set before anything can fail: a database gets its slots once at most.
    alleleDB->blanks_inserted = 1;

    bool genotypic = profile.GenotypicData != 0;
    if ((!genotypic && haplotypes.count == 0) || (genotypic && individuals.phenotypes.count == 0)) {
        E.error(WARNING, MAKE_ALL_BLANKS, 152);
        return;
    }
    my_string reference = genotypic ? individuals.phenotypes.data[0]->gene_copy[0]
                                    : haplotypes.data[0]->haplotype->content;

    if (separator == 0) {
        // One character per locus: the loci are made anew so that the slot is
        // allele 0 of each of them.
        alleleDB->loci.Flush();
        for (int j = 0; j < reference.length; ++j) {
            if (alleleDB->InsertAllPos(j, profile.RecessiveAllele, 0.0) != 0) {
                E.error(ERROR, MAKE_ALL_BLANKS, 153);
                return;
            }
        }
        return;
    }
    // With a separator the loci present stay; a locus that already holds
    // alleles cannot take the slot at position 0, the others still do.
    int j = 0;
    while (!reference.is_null()) {
        my_string token = reference.extract_sub_str(separator);
        if (token.is_null())
            continue;
        if (alleleDB->InsertAllPos(j, profile.RecessiveAllele, 0.0) != 0)
            E.error(ERROR, MAKE_ALL_BLANKS, 153);
        ++j;
    }
}
