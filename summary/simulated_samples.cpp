// Simulated one-locus samples of the selection scan: mutations on the
// genealogy of a Samples object, then one population per observed sample
// from its consecutive tips (neutral loci under an island model, after
// Beaumont & Nichols 1996).

#include <memory>
#include <string>
#include <vector>

#include "app/settings.h"
#include "core/errors.h"
#include "model/phenotype.h"
#include "project/samples.h"
#include "project/structure.h"

namespace {

const char* const SPRINKLE_SOURCE = "Samples::sprinkle_mutations()";
const char* const SAMPLE_SOURCE = "Samples::readPopDataFromSims sample()";
const int COUNT_MESSAGE = 147;
const int TOO_MANY_MUTATIONS_MESSAGE = 210;
const int HIGHEST_CHARACTER_STATE = 200;

// Empties the shared candidate lists of the single-mutation draw, so that
// the next draw collects its candidates afresh (the list never owns nodes).
void clear_snp_candidates()
{
    TTree::matchingNodes.owns = 0;
    TTree::matchingNodes.Flush();
    TTree::nodeWeights.count = 0;
}

// The one character of state k of model 3 without locus separator: code
// 48 + k, except the characters that the project reader takes for something
// else: '?' (the usual missing-data character) becomes '+', the backslash
// '$', and '}', which closes a sample's data, '%'. None of the three is
// 48 + k for another state. 0 for a state without a character, and for the
// project's own missing-data character, which would read as missing data.
char state_character(int state, char missing)
{
    if (state < 0 || state > HIGHEST_CHARACTER_STATE)
        return 0;
    char c = static_cast<char>(48 + state);
    if (c == '?')
        c = '+';
    else if (c == '\\')
        c = '$';
    else if (c == '}')
        c = '%';
    return c == missing ? 0 : c;
}

// The identifier of a tip (from its first site) and its allele text (from all
// its sites); false for a state that model 3 cannot write as one character.
bool tip_allele(TNode const& tip, Mut_Type const& model, char missing, std::string& id,
                std::string& text)
{
    const int first = tip.states[0];
    text.clear();
    if (model == TWO_STATE || model == NUCLEOTIDE) {
        id = std::to_string(first);
        for (int s = 0; s < tip.num_sites; ++s) {
            if (model == TWO_STATE) {
                text += tip.states[s] == 1 ? '1' : '0';
            } else {
                static const char bases[] = "AGCT";
                const int state = tip.states[s];
                text += state >= 0 && state <= 3 ? bases[state] : 'A';
            }
        }
        return true;
    }
    if (model == NEW_ALLELE && ProfileSettings::LocusSeparator == 0) {
        for (int s = 0; s < tip.num_sites; ++s) {
            const char c = state_character(tip.states[s], missing);
            if (c == 0)
                return false;
            text += c;
        }
        id = text.substr(0, 1);
        return true;
    }
    // Sizes: the state plus 200, so that stepwise walks below 0 stay positive.
    id = std::to_string(first);
    for (int s = 0; s < tip.num_sites; ++s)
        text += std::to_string(tip.states[s] + 200) + " ";
    return true;
}

HaploDef* definition_with_id(Haplo_DB& haplotypes, std::string const& id)
{
    for (int i = 0; i < haplotypes.list.count; ++i)
        if (id == haplotypes.list[i]->id.str)
            return haplotypes.list[i];
    return nullptr;
}

}  // namespace

int& Samples::sprinkle_mutations(double const& rate, int const& numSites, Mut_Type const& model,
                                 double const& gammaA, double const& gammaB, double const& gammaP,
                                 double const& transitionProb, int const& bounded)
{
    NbMutations = 0;
    if (!SimTree.has_nodes()
        || !SimTree.prepare_site_tables(numSites, gammaA, gammaB, gammaP, SPRINKLE_SOURCE))
        return NbMutations;
    TNode& root = SimTree.root();
    if (model != TWO_STATE && model != NUCLEOTIDE) {
        long seed = 1;
        NbMutations = root.add_mutations(rate, &seed, 0, numSites, model, gammaA, transitionProb,
                                         bounded, 0.0);
        return NbMutations;
    }
    root.count_desc();
    clear_snp_candidates();
    const double min_freq = RunSettings ? RunSettings->MinDafFreq : 0.0;
    TNode* branch = SimTree.getRootNodeForMutation(0, min_freq);
    int ancestral = 0;
    if (!branch) {
        // No branch carries the wanted share of the tips: any branch will do.
        clear_snp_candidates();
        branch = SimTree.getRootNodeForMutation(0, 0.0);
        ancestral = 2;
    }
    root.new_Add_SNP_Mutation(0, branch, ancestral, ancestral);
    NbMutations = branch ? 1 : 0;
    return NbMutations;
}

Population* Samples::read_simulated_population(Population const& model_sample, int first_tip,
                                               Haplo_DB& haplotypes, Mut_Type const& model,
                                               char missing, bool genotypic,
                                               const char* count_error_source)
{
    auto work = std::make_unique<Population>();
    work->name = model_sample.name;
    const bool has_tips = SimTree.has_nodes() && first_tip < SimTree.num_tips;
    if (!has_tips || SimTree.nodes[first_tip].num_sites == 0)
        return work.release();  // a refused mutation pass: an empty sample
    const int tips = model_sample.SampleSize > 0 ? static_cast<int>(model_sample.SampleSize) : 0;
    if (first_tip + tips > SimTree.num_tips) {
        E.error(ERROR, count_error_source, COUNT_MESSAGE);
        return nullptr;
    }
    work->SampleSize = tips;
    work->inv_sample_size = tips > 0 ? 1.0 / tips : 0.0;
    if (!genotypic)
        SimTree.compute_hapl_freq(first_tip, tips);
    TPhenotype individual(my_string("simGen"), 1.0);
    std::string id, text;
    int total = 0;
    for (int j = 0; j < tips; ++j) {
        TNode const& tip = SimTree.nodes[first_tip + j];
        if (!tip.distinct)
            continue;
        if (!tip_allele(tip, model, missing, id, text)) {
            E.error(ERROR, SAMPLE_SOURCE, TOO_MANY_MUTATIONS_MESSAGE);
            return nullptr;
        }
        ++work->num_haplotypes;
        total += tip.hapl_count;
        if (genotypic) {
            individual.gene_copy[j % 2] = text.c_str();
            if (j % 2 == 1)
                work->individuals.phenotypes.Add(new TPhenotype(individual));
            continue;
        }
        HaploDef* definition = definition_with_id(haplotypes, id);
        if (!definition) {
            definition = new HaploDef(my_string(id.c_str()));
            definition->content = text.c_str();
            definition->count = tip.hapl_count;
            haplotypes.list.Add(definition);
        }
        work->haplotypes.Add(new PHaploDef(definition, tip.hapl_count));
    }
    if (total != tips) {
        E.error(ERROR, count_error_source, COUNT_MESSAGE);
        return nullptr;
    }
    return work.release();
}

int Samples::read_simulated_walk(Samples const& source, Population const* const* walk, int count,
                                 Haplo_DB& haplotypes, TAlleleDB* db, Mut_Type const& model,
                                 bool genotypic, const char* count_error_source)
{
    int offset = 0;
    for (int k = 0; k < count; ++k) {
        std::unique_ptr<Population> work(read_simulated_population(*walk[k], offset, haplotypes,
                                                                   model, source.MissingData,
                                                                   genotypic, count_error_source));
        if (!work)
            return 0;
        Population* made = make_simulated_sample(*work, model);
        made->profile = source;
        made->profile.GenotypicData = genotypic ? 1 : 0;
        made->sample_index = k;
        made->alleleDB = db;
        Populations.Add(made);
        static_cast<ProfileSettings&>(*this) = source;
        offset += static_cast<int>(work->SampleSize);
    }
    return 1;
}

int Samples::readPopDataFromSims(Samples const& source, Haplo_DB& haplotypes, TAlleleDB* db,
                                 Mut_Type const& model, bool genotypic)
{
    std::vector<Population const*> walk;
    for (int i = 0; i < source.Populations.count; ++i)
        walk.push_back(source.Populations.data[i]);
    return read_simulated_walk(source, walk.data(), static_cast<int>(walk.size()), haplotypes, db,
                               model, genotypic, "Samples::readPopDataFromSims()");
}

int Samples::readPopDataFromSims(Samples const& source, Structure const& structure,
                                 Haplo_DB& haplotypes, TAlleleDB* db, Mut_Type const& model,
                                 bool genotypic)
{
    std::vector<Population const*> walk;
    for (int g = 0; g < structure.NbGroups && structure.Groups; ++g)
        for (int m = 0; m < structure.Groups[g].count; ++m)
            walk.push_back(structure.Groups[g].data[m]);
    return read_simulated_walk(source, walk.data(), static_cast<int>(walk.size()), haplotypes, db,
                               model, genotypic, SAMPLE_SOURCE);
}
