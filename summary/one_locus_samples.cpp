// One-locus samples: copies of the structure's samples that keep only the
// alleles of one locus, for the locus-by-locus AMOVA.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>

#include "core/errors.h"
#include "model/allele.h"
#include "project/samples.h"
#include "project/structure.h"

namespace {

const int NO_DATA_MESSAGE = 208;

// Builds the one-locus copy of a sample; the definitions of the alleles are
// shared through the one-locus haplotype list.
class OneLocusBuilder {
public:
    OneLocusBuilder(int locus, char missing, Haplo_DB& haplotypes)
        : locus_(locus), missing_(std::string(1, missing).c_str()), haplotypes_(haplotypes)
    {
    }

    // False when the locus lies beyond a gene copy or a haplotype. An
    // individual typed at one gene copy only is left out of the locus: the
    // designs of genotypic data need whole individuals.
    bool fill_genotypic(Population const& source, Population& copy)
    {
        MY_TIArrayAsVector<TPhenotype> const& individuals = source.individuals.phenotypes;
        for (int i = 0; i < individuals.count; ++i) {
            TPhenotype const& person = *individuals.data[i];
            if (!(person.count > 0))
                continue;
            int repeats = static_cast<int>(std::ceil(person.count));
            for (int r = 0; r < repeats; ++r) {
                TAllele* a[2] = {allele_at(person.pseudo_hapl[0]), allele_at(person.pseudo_hapl[1])};
                if (a[0] == nullptr || a[1] == nullptr)
                    return false;
                if (is_missing(*a[0]) || is_missing(*a[1]))
                    continue;
                HaploDef* h[2] = {haplotype_of(a[0]), haplotype_of(a[1])};
                for (int c = 0; c < 2; ++c) {
                    copy.haplotypes.Add(new PHaploDef(h[c], 1));
                    ++copy.num_haplotypes;
                }
                for (int c = 0; c < 2; ++c) {
                    copy.geneCopies.Add(new PHaploDef(h[c], 1));
                    copy.SampleSize += 1.0;
                }
            }
        }
        copy.nbInitialHaplotypes = copy.num_haplotypes;
        return true;
    }

    // The gene copies are summed in 64 bits: SampleSize keeps the true total
    // of a sample larger than an int holds, which the count of haplotypes,
    // an int, gives up to the largest int.
    bool fill_haplotypic(Population const& source, Population& copy)
    {
        MY_TIArrayAsVector<PHaploDef> const& records = source.haplotypes;
        std::int64_t gene_copies = 0;
        for (int i = 0; i < records.count; ++i) {
            PHaploDef const& record = *records.data[i];
            MY_TIArrayAsVector<TAllele> const& alleles = record.haplotype->haplovect;
            if (locus_ >= alleles.count || alleles.data[locus_] == nullptr)
                return false;
            TAllele* allele = alleles.data[locus_];
            if (is_missing(*allele))
                continue;
            copy.haplotypes.Add(new PHaploDef(haplotype_of(allele), record.count));
            gene_copies += record.count;
        }
        copy.num_haplotypes = static_cast<int>(std::min<std::int64_t>(gene_copies, INT32_MAX));
        copy.nbInitialHaplotypes = copy.num_haplotypes;
        copy.SampleSize = static_cast<double>(gene_copies);
        return true;
    }

private:
    int locus_;
    my_string missing_;
    Haplo_DB& haplotypes_;

    TAllele* allele_at(TPopHaplotype const* gene_copy) const
    {
        if (gene_copy == nullptr || locus_ >= gene_copy->alleles.count)
            return nullptr;
        return gene_copy->alleles.data[locus_];
    }

    bool is_missing(TAllele const& allele) const { return same_text(allele.name, missing_); }

    // The one-locus haplotype of the allele's name, appended as "h<k>" when
    // the name is new; the list's content index finds it without a scan.
    HaploDef* haplotype_of(TAllele* allele)
    {
        my_string name = allele->name;
        if (HaploDef* known = haplotypes_.find(name))
            return known;
        int k = haplotypes_.list.count;
        HaploDef* h = new HaploDef(my_string(("h" + std::to_string(k)).c_str()));
        h->matrix_index = k;
        h->content = name;
        h->haplovect.Add(allele);
        haplotypes_.list.Add(h);
        return h;
    }
};

}  // namespace

int Samples::build_one_loci_sample(int locus, Samples* source, Structure* structure,
                                   Haplo_DB* oneLocusHaplotypes)
{
    ProfileSettings::operator=(*source);
    OneLocusBuilder builder(locus, source->MissingData, *oneLocusHaplotypes);
    for (int p = 0; p < source->Populations.count; ++p) {
        Population const& original = *source->Populations.data[p];
        if (!structure->has_population(&original))
            continue;
        auto copy = std::make_unique<Population>(original.name, original.sample_index,
                                                 static_cast<ProfileSettings&>(*this));
        copy->alleleDB = original.alleleDB;
        bool filled = original.profile.GenotypicData
                          ? builder.fill_genotypic(original, *copy)
                          : builder.fill_haplotypic(original, *copy);
        if (!filled) {
            *_ZOS_ << "\t\tSamples::build_one_loci_sample(..): ERROR the selected loci is too large"
                   << std::endl;
            return 0;
        }
        copy->check_phaplodef_redond();
        Population& appended = *copy;
        Populations.Add(copy.release());
        if (appended.num_haplotypes == 0) {
            E.error(WARNING, "Samples::build_one_loci_sample(..)", NO_DATA_MESSAGE);
            *_ZOS_ << "\t\tSamples::build_one_loci_sample(..): Population '" << appended.name
                   << "' does not contain any data at locus #" << locus + 1
                   << ".\n\t\tIt is therefore impossible to make an AMOVA for this locus"
                   << std::endl;
            return 0;
        }
    }
    return 1;
}
