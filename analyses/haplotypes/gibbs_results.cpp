// Gametic phase of a genotypic sample by the Gibbs sampler (Stephens, Smith
// and Donnelly 2001): the driver of one sample, its result section and the
// file of the modal phases, a project of genotypes with known phase.

#include <algorithm>
#include <cstring>
#include <iomanip>
#include <string>

#include "analyses/haplotypes/genot_sample.h"
#include "analyses/popgen/driver_frame.h"
#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "core/errors.h"
#include "model/allele_db.h"
#include "model/phen_db.h"
#include "project/references.h"
#include "project/result_tree.h"

bool PopGenetics::gibbs_phase_step(DriverCall& call)
{
    if (call.s.estimate_haplotypes && call.s.GibbsInferGamPhase)
        comp_gam_phase_Gibbs(call.s);
    return !call.s.stop_requested;
}

int PopGenetics::comp_gam_phase_Gibbs(settings& s)
{
    // With no pseudo-count, no near-match weight and no gamma, a window that
    // matches nothing gives the ratio 0/0.
    if (s.GibbsAlphaInitValue == 0.0 && s.GibbsEpsilonValue == 0.0 && s.GibbsGamma == 0.0) {
        E.error(ERROR, "PopGenetics::comp_gam_phase_Gibbs()", 55);
        const char* text = "\nGametic phase not estimated: GibbsAlphaInitValue, GibbsEpsilonValue"
                           " and GibbsGamma cannot all be 0\n";
        *_ZOS_ << text << std::endl;
        if (s.results_stream)
            *s.results_stream << text << std::endl;
        return 1;
    }
    TPhenDB exploded(individuals);
    exploded.explode_base();
    delete GibbsSampler;
    GibbsSampler = nullptr;
    GibbsSampler = new TGenotSample(exploded, alleleDB, s, profile.MissingData);
    bool completed = GibbsSampler->performGibbs();
    if (s.stop_requested)
        completed = false;
    else if (completed && s.GibbsNumSamples > 0 && s.results_stream)
        GibbsSampler->writeResults(s.results_stream);
    // The exploded copy ends here.
    GibbsSampler->phenDB = nullptr;
    return s.stop_requested ? 0 : 1;
}

void TGenotSample::constructEstimatedHaploDB()
{
    estimatedHaplotypes.count = 0;
    for (TGenotIndividual& ind : modalPhases)
        for (TGamete* g : {&ind.gamete1, &ind.gamete2}) {
            int found = -1;
            for (int h = 0; h < estimatedHaplotypes.count && found < 0; ++h)
                if (estimatedHaplotypes.data[h] == *g)
                    found = h;
            if (found >= 0) {
                ++estimatedHaplotypes.data[found].numCopies;
            } else {
                g->numCopies = 1;
                found = estimatedHaplotypes.count;
                estimatedHaplotypes.Add(*g);
            }
            g->haploId = found;
        }
}

// Polymorphic loci from the gamete (the missing-data character for a missing
// allele), monomorphic ones from the reference haplotype.
std::string TGenotSample::alleleText(TGamete const& g) const
{
    std::string text;
    const int known = static_cast<int>(isPolymorphic.size());
    for (int j = 0, k = 0; j < numLoci; ++j) {
        if (j < known && isPolymorphic[j]) {
            int index = g.alleleIndex[k++];
            if (index == -1)
                text += missingChar;
            else
                text += alleleDB->loci.data[j]->alleles.data[index]->name.str;
        } else if (j < known && referenceHaplotype[j]) {
            text += referenceHaplotype[j]->name.str;
        } else {
            text += missingChar;
        }
        text += ' ';
    }
    return text;
}

void TGenotIndividual::writePhase(std::ostream& os, TAlleleDB const* alleles, int n,
                                  std::vector<bool> const& polymorphic, char missing) const
{
    auto write = [&](TGamete const& g) {
        const int flagged = std::min(n, static_cast<int>(polymorphic.size()));
        for (int j = 0, k = 0; j < flagged; ++j) {
            if (!polymorphic[j])
                continue;
            const int index = g.alleleIndex[k++];
            if (index == -1)
                os << missing;
            else
                os << alleles->loci.data[j]->alleles.data[index]->name;
            os << " ";
        }
    };
    os << phaseCount << "\t";
    write(gamete1);
    os << "\n\t";
    write(gamete2);
    os << "\n";
}

// The number of loci is the one stored from the first individual when the
// sample was built: the individuals it was built from may be gone.
void TGenotSample::writeSample(std::ostream& os, TAlleleDB const* alleles) const
{
    for (TGenotIndividual const& ind : individuals)
        ind.writePhase(os, alleles, numLoci, isPolymorphic, missingChar);
}

void TGenotSample::writeResults(std::fstream* out)
{
    settings& s = *runSettings;
    std::ostream& os = *out;
    const int numSamples = std::max(s.GibbsNumSamples, 0);
    if (numSamples == 0) {
        os << "GAMETIC PHASES NOT ESTIMATED....";
        return;
    }
    if (numAmbiguous != 0)
        constructEstimatedHaploDB();

    os << "\n=======================================================";
    os << "\nEstimation of gametic phase from multi-locus diploid data";
    os << "\nbased on a Gibbs sampling strategy";
    os << "\n=======================================================\n\n";
    References(os, my_string("QKR_Ref"));

    os << std::fixed << std::setprecision(4);
    os << "\nEstimation parameters :" << "\n=======================\n";
    os << "\n\tBurnin                   : " << s.GibbsBurnIn;
    os << "\n\tSampling interval        : " << s.GibbsSamplingInterval;
    os << "\n\tNum. samples             : " << s.GibbsNumSamples;
    os << "\n\tAve. prior alpha         : " << s.GibbsAlphaInitValue;
    os << "\n\tAve. post alpha          : " << postAlphaSum / numSamples;
    os << "\n\tEpsilon value            : " << s.GibbsEpsilonValue;
    os << "\n\tHet. site influence zone : " << s.GibbsHetSiteInfluenceZone;
    os << "\n\tWindow size              : " << s.gibbs_window_size;
    os << "\n\tGamma parameter          : " << s.GibbsGamma;
    os << "\n";

    const int n = phenDB->nb_individuals();
    const int L = phenDB->num_loci();
    os << "\nSample properties :" << "\n===================\n";
    os << "\nNum. individuals           : " << n;
    os << "\nNum. ambiguous individuals : " << numAmbiguous;
    os << "\nNum. loci                  : " << L;
    os << "\nNum. polymorphic loci      : " << numPolyLoci;
    os << "\n";
    if (numAmbiguous == 0) {
        os << "\n NO AMBIGUOUS INDIVIDUALS IN THIS SAMPLE, PHASE ESTIMATION SKIPPED\n\n";
        return;
    }

    os << "\nList of estimated haplotype frequencies" << "\n---------------------------------------\n\n";
    os << "   " << "[ " << "Hapl. ID" << "]\t" << std::setw(12) << "Hapl. freq." << "\t"
       << "Haplotype definition\n";
    os << "   " << "===========\t" << "===========\t" << "====================\n";
    for (int h = 0; h < estimatedHaplotypes.count; ++h) {
        TGamete const& g = estimatedHaplotypes.data[h];
        os << "   " << "[ " << std::setw(5) << h + 1 << "]\t" << std::setw(12) << g.numCopies
           << "\t";
        os << result_text(alleleText(g).c_str()) << "\n";
    }

    os << "\nEstimated gametic phase of all individuals" << "\n------------------------------------------\n";
    std::size_t w = 11;
    for (int i = 0; i < numIndividuals; ++i)
        w = std::max(w, std::strlen(phenDB->phenotypes.data[i]->name.str));
    const int width = static_cast<int>(w);
    const std::string nameBlanks(w, ' ');
    const std::string countBlanks(11, ' ');
    os << std::setw(width) << "Indiv. name\t" << "Phase freq.\t" << "[ " << "Hapl. ID" << "]"
       << "\t" << "Constituant haplotypes\n";
    os << std::setw(width) << "===========\t" << "===========\t" << "==========" << "\t"
       << "======================\n";

    std::ofstream* best = nullptr;
    if (s.GibbsOutputGamPhase != 0 && s.phase_streams) {
        best = &s.phase_streams[0];
        best->clear();
        best->open(s.phase_file_names[0].str, std::ios::out | std::ios::app);
    }
    for (int i = 0; i < numIndividuals; ++i) {
        const char* name = phenDB->phenotypes.data[i]->name.str;
        TGenotIndividual const& phase = modalPhases[i];
        os << std::setw(width) << result_text(name) << "\t" << std::setprecision(3) << std::setw(11)
           << static_cast<double>(phase.phaseCount) / numSamples << "\t" << "[ " << std::setw(5)
           << phase.gamete1.haploId + 1 << "]\t";
        os << result_text(alleleText(phase.gamete1).c_str());
        os << "\n" << nameBlanks << "\t" << countBlanks << "\t" << "[ " << std::setw(5)
           << phase.gamete2.haploId + 1 << "]\t";
        os << result_text(alleleText(phase.gamete2).c_str()) << "\n";
        if (best) {
            *best << std::setw(width) << name << "\t" << std::setw(11) << "1" << "\t";
            *best << alleleText(phase.gamete1) << "\n" << nameBlanks << "\t" << countBlanks
                  << "\t" << alleleText(phase.gamete2) << "\n";
        }
    }
    os << "\n" << std::endl;
    if (best)
        best->close();
}
