// The assignment test: allele frequencies estimated once per sample and
// locus, then each individual's log-likelihood in every sample as a sum over
// its loci, so that no product of many small frequencies can underflow.
//
// Missing data are no allele: the frequencies are those of the typed gene
// copies, and a locus at which an individual misses a gene copy (one or
// both) is left out of its log-likelihood, so that individuals with gaps
// are not drawn to the samples that share them. A locus at which a sample
// has no typed copy is left out of that sample's column: without it every
// allele would take the unseen frequency there and the column would charge
// every individual for the sample's gap.

#include "comparisons/ind_likelihood.h"

#include <cmath>
#include <iomanip>
#include <new>
#include <ostream>
#include <string>

#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/xml.h"
#include "model/allele_db.h"
#include "model/phen_db.h"
#include "model/pop_haplo_db.h"
#include "model/population.h"
#include "project/references.h"
#include "project/result_tree.h"
#include "project/samples.h"

namespace {

// ln 0.95, as the unseen-allele frequency uses it.
const double kLn095 = -0.051293294387550585;

// Frequencies below this count as an allele absent from the sample.
const double kAbsent = 1e-15;

const double kLn2 = 0.69314718055994530942;

// The allele of gene copy `copy` at `locus`, or null; never grows the list.
TAllele const* allele_of(TPhenotype const& x, int copy, int locus)
{
    TPopHaplotype const* h = x.pseudo_hapl[copy];
    return h && locus < h->alleles.count ? h->alleles.data[locus] : nullptr;
}

}  // namespace

bool IndLikelihood::genotypic() const
{
    return samples->GenotypicData != 0;
}

bool IndLikelihood::missing(TAllele const* allele) const
{
    return allele && allele->name.length == 1 && allele->name.str[0] == samples->MissingData;
}

double IndLikelihood::unseen_frequency(int records)
{
    return records > 0 ? 1.0 - std::exp(kLn095 / (2.0 * records)) : 1.0;
}

// An allele without an array (one the estimation never saw) or past its
// array's end counts as absent.
double IndLikelihood::frequency(TAllele const* allele, int s) const
{
    double p = 0.0;
    if (allele && allele->pop_freq && s < allele->pop_freq_len)
        p = allele->pop_freq[s];
    return p < kAbsent ? unseen_freq : p;
}

double IndLikelihood::ln_likelihood(TPhenotype const& x, int s) const
{
    double ln_p = 0.0;
    const int loci = x.num_loci();
    std::vector<bool> const* unknown =
        s < static_cast<int>(untyped.size()) ? &untyped[s] : nullptr;
    for (int l = 0; l < loci; ++l) {
        TAllele const* a = allele_of(x, 0, l);
        TAllele const* b = allele_of(x, 1, l);
        if (missing(a) || missing(b))
            continue;
        if (unknown && l < static_cast<int>(unknown->size()) && (*unknown)[l])
            continue;
        ln_p += std::log(frequency(a, s)) + std::log(frequency(b, s));
        if (a != b)
            ln_p += kLn2;
    }
    return ln_p;
}

// Every allele starts from a zeroed array of one entry per sample, whatever
// an earlier analysis of the run left on it (the group level's arrays are
// shorter). Each sample's individuals, cut down to one locus, give the
// maximum-likelihood frequencies of that locus's alleles; the loci at which
// a sample has no typed gene copy are marked.
void IndLikelihood::calc_alleles_freqs()
{
    untyped.clear();
    if (!genotypic())
        return;
    settings& s = *run_settings;
    TAlleleDB* db = s.allele_db;
    const int n = samples->Populations.count;
    TAllele::numPop = n;
    if (!db)
        return;
    db->reset_all_pop_freqs();
    db->create_pop_freq_vector(n);
    const int L = db->loci.count;
    untyped.assign(n, std::vector<bool>(L, false));
    try {
        TPhenDB one_locus;
        TPopHaploDB table;
        for (int i = 0; i < n; ++i) {
            Population* pop = samples->Populations.data[i];
            for (int l = 0; l < L; ++l) {
                int locus[2] = {1, l};
                one_locus.create_temp_PhenDB(locus, pop->individuals);
                int maxima = 0;
                double f = 0.0;
                pop->calc_ML_hapl_freq_hill95_LD(one_locus, table, s, maxima, 0, f, nullptr,
                                                 nullptr, 0, s.InitialConditionsEM,
                                                 s.MaximumNumOfIterationsEM, 1e-7);
                store_typed_frequencies(table, i);
                untyped[i][l] = !has_typed_copy(*pop, l);
                one_locus.phenotypes.Flush();
                table.empty();
            }
        }
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "IndLikelihood::calc_alleles_freqs()", 0);
    }
}

// The one-locus EM counts a missing gene copy as an allele of its own; the
// typed alleles' frequencies are rescaled to the typed copies (the missing
// allele keeps 0), which at one locus gives their counts over the typed copies.
void IndLikelihood::store_typed_frequencies(TPopHaploDB const& table, int sample)
{
    auto allele = [](TPopHaplotype const* h) {
        return h->alleles.count > 0 ? h->alleles.data[0] : nullptr;
    };
    double typed = 0.0;
    for (int h = 0; h < table.haplotypes.count; ++h)
        if (!missing(allele(table.haplotypes.data[h])))
            typed += table.haplotypes.data[h]->freq;
    for (int h = 0; h < table.haplotypes.count; ++h) {
        TPopHaplotype const* hap = table.haplotypes.data[h];
        TAllele* a = allele(hap);
        if (a && !missing(a) && typed > 0 && a->pop_freq && sample < a->pop_freq_len)
            a->pop_freq[sample] = hap->freq / typed;
    }
}

bool IndLikelihood::has_typed_copy(Population const& pop, int locus) const
{
    MY_TIArrayAsVector<TPhenotype> const& ind = pop.individuals.phenotypes;
    for (int r = 0; r < ind.count; ++r)
        for (int copy = 0; copy < 2; ++copy) {
            TAllele const* a = allele_of(*ind.data[r], copy, locus);
            if (a && !missing(a))
                return true;
        }
    return false;
}

void IndLikelihood::calc_alleles_freqs_without_one_individual(int const&, int const&)
{
    calc_alleles_freqs();
}

void IndLikelihood::likelihood_in_a_pop(Population* pop)
{
    if (!genotypic())
        return;
    std::ostream& out = *run_settings->results_stream;
    MY_TIArrayAsVector<TPhenotype> const& ind = pop->individuals.phenotypes;
    const int n = samples->Populations.count;
    for (int r = 0; r < ind.count; ++r) {
        TPhenotype const& x = *ind.data[r];
        out << std::setw(width) << result_text(x.name) << "\t";
        for (int s = 0; s < n; ++s) {
            unseen_freq = unseen_frequency(samples->Populations.data[s]->individuals.phenotypes.count);
            out << std::setw(width) << ln_likelihood(x, s);
        }
        out << std::endl;
    }
}

void IndLikelihood::print_labels()
{
    std::ostream& out = *run_settings->results_stream;
    out << "\nList of labels for population samples used below:\n" << std::string(49, '=') << "\n";
    TXmlTag labels("genotPopLabels");
    if (xmlOutput)
        out << labels.open() << "\n";
    out << "Sample label  \tSample name\n" << "------------  \t----------\n";
    for (int i = 0; i < samples->Populations.count; ++i)
        out << "       " << i + 1 << ":\t" << result_text(samples->Populations.data[i]->name) << "\n";
    if (xmlOutput)
        out << labels.close() << "\n";
}

// One line per sample that has no typed gene copy at some locus, after a
// blank line; nothing when every sample is typed at every locus.
void IndLikelihood::print_untyped_loci()
{
    std::string lines;
    for (std::size_t s = 0; s < untyped.size(); ++s) {
        std::string loci;
        int count = 0;
        for (std::size_t l = 0; l < untyped[s].size(); ++l)
            if (untyped[s][l])
                loci += (count++ ? ", " : " ") + std::to_string(l + 1);
        if (count)
            lines += "Sample " + std::to_string(s + 1) + " has no typed gene copy at "
                     + (count > 1 ? "loci" : "locus") + loci
                     + ": left out of the log-likelihoods in its column.\n";
    }
    if (!lines.empty())
        *run_settings->results_stream << "\n" << lines;
}

int IndLikelihood::run()
{
    settings& s = *run_settings;
    if (!samples || !s.results_stream)
        return 1;
    std::ostream& out = *s.results_stream;
    width = 10;
    // The two levels write separate sections, each with its own anchor.
    print_js_doc_entry(s, 1, samples->atGroupLevel ? "_gr_genot_assignment" : "_pop_genot_assignment",
                       "Genotype assignment");
    try {
        const std::string equals(59, '=');
        out << "\n" << equals << "\n== LIKELIHOOD OF INDIVIDUAL GENOTYPES IN ALL POPULATIONS ==\n"
            << equals << "\n\n";
        References(out, my_string("Paetkau_D_etal_1995"), 0);
        References(out, my_string("Waser_P_Strobeck_C"), 2);
        print_labels();
        out << "\nAllele frequencies come from the typed gene copies only; a locus at which an"
            << "\nindividual misses a gene copy is left out of its log-likelihood.\n";
        calc_alleles_freqs();
        print_untyped_loci();
        out << "\n";
        const int n = samples->Populations.count;
        for (int i = 0; i < n; ++i) {
            Population* pop = samples->Populations.data[i];
            TXmlTag matrix("genotypeLikelihoodMatrix");
            matrix.attribute = "pop";
            matrix.value = pop->name;
            if (xmlOutput)
                out << matrix.open() << "\n";
            out.setf(std::ios::right);
            out << "Sample" << i + 1 << "\n----------\n" << std::setw(width) << "   ";
            for (int j = 1; j <= n; ++j)
                out << std::setw(width) << j;
            out << "\n";
            out.setf(std::ios::fixed | std::ios::showpoint | std::ios::right);
            out << std::setprecision(3);
            likelihood_in_a_pop(pop);
            out << "\n";
            if (xmlOutput)
                out << matrix.close() << "\n";
        }
    } catch (std::bad_alloc const&) {
        if (s.allele_db)
            s.allele_db->reset_all_pop_freqs();
        E.error(MEMORY, "IndLikelihood::run()", 0);
        return 0;
    }
    if (s.allele_db)
        s.allele_db->reset_all_pop_freqs();
    return 1;
}
