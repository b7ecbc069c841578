// Checks and text preparation of the samples before a run: consistency of the
// numbers of loci, removal of entries missing at every locus, upper-case DNA
// and sequences without locus separators.

#include <algorithm>
#include <climits>
#include <vector>

#include "core/errors.h"
#include "model/pop_haplo.h"
#include "project/samples.h"

namespace {

const char* const VERIFY = "Samples::verify_data()";

// An allele is missing when its name is the missing-data character alone; a
// locus without an allele object counts as missing too.
bool is_missing(TAllele const* a, char missing)
{
    return a == nullptr || (a->name.length == 1 && a->name.str[0] == missing);
}

// True for a list of at least one allele, all of them missing.
bool all_missing(MY_TIArrayAsVector<TAllele> const& alleles, char missing)
{
    if (alleles.count == 0)
        return false;
    for (int i = 0; i < alleles.count; ++i)
        if (!is_missing(alleles.data[i], missing))
            return false;
    return true;
}

bool gene_copy_missing(TPhenotype const& ind, int copy, char missing)
{
    return ind.pseudo_hapl[copy] != nullptr && all_missing(ind.pseudo_hapl[copy]->alleles, missing);
}

int first_gene_copy_loci(TPhenotype const& ind)
{
    return ind.pseudo_hapl[0] ? ind.pseudo_hapl[0]->alleles.count : 0;
}

void update_reciprocal(Population& p)
{
    if (p.SampleSize > 0)
        p.inv_sample_size = 1.0 / p.SampleSize;
}

// Removes, in one pass, the entries for which drop(entry) is true (drop
// takes them out of the sample's sums first); the others keep their order.
template <class T, class Drop>
void remove_entries(MY_TIArrayAsVector<T>& list, Drop drop)
{
    int kept = 0;
    for (int i = 0; i < list.count; ++i) {
        T* entry = list.data[i];
        if (!drop(*entry))
            list.data[kept++] = entry;
        else if (list.owns)
            delete entry;
    }
    std::fill(list.data + kept, list.data + list.count, nullptr);
    list.count = kept;
}

// Haplotype entries: the same number of loci everywhere, and entries missing
// at every locus removed. Returns the number of loci, or -1 after a report.
int check_haplotypes(Population& p, char missing)
{
    MY_TIArrayAsVector<PHaploDef>& list = p.haplotypes;
    if (list.count == 0) {
        E.error(ERROR, VERIFY, 68);
        return -1;
    }
    int loci = list.data[0]->haplotype->haplovect.count;
    for (int i = 0; i < list.count; ++i)
        if (list.data[i]->haplotype->haplovect.count != loci) {
            E.error(ERROR, VERIFY, 70);
            return -1;
        }
    remove_entries(list, [&](PHaploDef& entry) {
        if (!all_missing(entry.haplotype->haplovect, missing))
            return false;
        entry.haplotype->count = 0;
        p.SampleSize -= entry.count;
        p.num_haplotypes -= 1;
        update_reciprocal(p);
        return true;
    });
    return loci;
}

int check_individuals(Population& p, char missing)
{
    MY_TIArrayAsVector<TPhenotype>& list = p.individuals.phenotypes;
    if (list.count == 0) {
        E.error(ERROR, VERIFY, 68);
        return -1;
    }
    int loci = first_gene_copy_loci(*list.data[0]);
    for (int i = 0; i < list.count; ++i)
        if (first_gene_copy_loci(*list.data[i]) != loci) {
            E.error(ERROR, VERIFY, 69);
            return -1;
        }
    // An individual missing at every locus of one gene copy only stays.
    remove_entries(list, [&](TPhenotype& ind) {
        if (!gene_copy_missing(ind, 0, missing) || !gene_copy_missing(ind, 1, missing))
            return false;
        int c = static_cast<int>(ind.count);
        p.SampleSize -= 2 * c;
        p.num_haplotypes -= 2 * c;
        ind.delete_pheno();
        update_reciprocal(p);
        return true;
    });
    p.individuals.convert_freq_to_real();
    return loci;
}

// Applies change to the text of every sequence: the content of the definition
// of every haplotype entry, or both gene copies of every individual. A sample
// without entries stops it with ERROR 68 and false.
template <class Change>
bool change_sequences(Samples& samples, const char* reporter, Change change)
{
    for (int i = 0; i < samples.Populations.count; ++i) {
        Population& p = *samples.Populations.data[i];
        if (samples.GenotypicData == 0) {
            if (p.haplotypes.count == 0) {
                E.error(ERROR, reporter, 68);
                return false;
            }
            for (int k = 0; k < p.haplotypes.count; ++k)
                change(p.haplotypes.data[k]->haplotype->content);
        } else {
            if (p.individuals.phenotypes.count == 0) {
                E.error(ERROR, reporter, 68);
                return false;
            }
            for (int k = 0; k < p.individuals.phenotypes.count; ++k) {
                TPhenotype* ind = p.individuals.phenotypes.data[k];
                change(ind->gene_copy[0]);
                change(ind->gene_copy[1]);
            }
        }
    }
    return true;
}

}  // namespace

int Samples::verify_data()
{
    int n = Populations.count;
    std::vector<int> loci(static_cast<std::size_t>(n));
    double individuals = 0;  // of all the samples, by their counts
    for (int i = 0; i < n; ++i) {
        Population& p = *Populations.data[i];
        loci[i] = GenotypicData == 0 ? check_haplotypes(p, MissingData)
                                     : check_individuals(p, MissingData);
        if (loci[i] < 0)
            return 0;
        for (int k = 0; k < p.individuals.phenotypes.count; ++k)
            individuals += p.individuals.phenotypes.data[k]->count;
        // A sample that lost every entry would reach the analyses with a
        // size of 0.
        bool emptied = GenotypicData == 0 ? p.haplotypes.count == 0
                                          : p.individuals.phenotypes.count == 0;
        if (emptied) {
            E.error(ERROR, VERIFY, 68);
            return 0;
        }
    }
    for (int i = 1; i < n; ++i)
        if (loci[i] != loci[0]) {
            E.error(ERROR, VERIFY, 71);
            return 0;
        }
    // Made into pseudo-haplotypes, the individuals add their counts to the int
    // totals of the gene copies: twice the individuals of all samples must fit.
    if (GenotypicData != 0 && 2 * individuals > INT_MAX) {
        E.error(ERROR, VERIFY, 179);
        return 0;
    }
    return 1;
}

void Samples::convert_dna_upper()
{
    if (ProfileSettings::DataType != DNA || Populations.count == 0)
        return;
    change_sequences(*this, "Samples::convert_dna_upper()", [](my_string& text) { text.to_upper(); });
}

void Samples::rm_separators()
{
    TDataType type = ProfileSettings::DataType;
    if ((type != DNA && type != RFLP) || ProfileSettings::LocusSeparator == 0)
        return;
    // The cleaned project file holds a blank wherever a locus separator was.
    if (change_sequences(*this, "Samples::rm_separators()", [](my_string& text) { text.remove_blanks(); }))
        ProfileSettings::LocusSeparator = 0;
}
