// The chain of the Gibbs phase sampler (Stephens, Smith and Donnelly 2001):
// a random start, a burn-in, then samples at a fixed interval; the sampled
// phases of every individual give its modal phase and the phase files of the
// samples.
//
// Each individual's sampled phases are kept as the list of its distinct
// phases with their counts, folded in as the samples come: the list, its
// order and its counts are those of the full list of samples compared at the
// end, while memory grows with the distinct phases only.

#include <algorithm>
#include <cstdio>
#include <new>
#include <string>

#include "analyses/haplotypes/genot_sample.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/random.h"
#include "model/phen_db.h"

namespace {

double uniform()
{
    long continue_stream = 1;
    return ran3(&continue_stream);
}

// Adds one sample to an individual's distinct phases: to the first that
// shows the same phase, or as a new phase seen once.
void record_phase(MY_TArrayAsVector<TGenotIndividual>& distinct, TGenotIndividual const& sample)
{
    for (int d = 0; d < distinct.count; ++d)
        if (distinct.data[d] == sample) {
            ++distinct.data[d].phaseCount;
            return;
        }
    // Doubling keeps the copies linear in the number of distinct phases.
    if (distinct.count == distinct.capacity)
        distinct.Resize(2L * distinct.capacity + 10);
    distinct.Add(sample);
    distinct.data[distinct.count - 1].phaseCount = 1;
}

}  // namespace

TGenotIndividual const& getRandomPhase(MY_TArrayAsVector<TGenotIndividual>& phases,
                                       int const& total)
{
    double u = uniform();
    double sum = 0.0;
    for (int d = 0; d < phases.count; ++d) {
        sum += static_cast<double>(phases.data[d].phaseCount) / total;
        if (sum >= u)
            return phases.data[d];
    }
    return phases.data[0];
}

void TGenotSample::runUpdate(int self, double recombination)
{
    TGenotIndividual& ind = individuals[self];
    if (recombination > 0.0 && recombination > uniform())
        ind.buildLocalGenotype_Ulmix_simple_around_het_loci_with_rec_step(this, self);
    else
        ind.buildLocalGenotype_Ulmix_simple_around_het_loci(this, self);
}

bool TGenotSample::performGibbs()
{
    settings& s = *runSettings;
    postAlphaSum = 0.0;
    numAmbiguous = 0;
    TGenotIndividual::alpha = s.GibbsAlphaInitValue;
    TGenotIndividual::epsilon = s.GibbsEpsilonValue;
    TGenotIndividual::gamma = s.GibbsGamma;
    TGenotIndividual::winAroundHetSites = s.GibbsHetSiteInfluenceZone;
    bool completed = false;
    try {
        completed = runChain(s);
    } catch (std::bad_alloc const&) {
        TGenotIndividual::siteWeight = std::vector<double>();
        E.error(MEMORY, "TGenotSample::performGibbs()", 0);
    }
    TGenotIndividual::siteWeight = std::vector<double>();
    return completed;
}

bool TGenotSample::runChain(settings& s)
{
    const int burnIn = s.GibbsBurnIn;
    const int interval = s.GibbsSamplingInterval;
    // A negative count, which the run check already corrects, samples nothing.
    const int numSamples = std::max(s.GibbsNumSamples, 0);
    const double recombination = s.GibbsPercentageOfRecSteps;
    std::vector<int> ambiguous;
    std::vector<MY_TArrayAsVector<TGenotIndividual>> distinct(numIndividuals);

    if (numIndividuals > 0) {
        std::vector<double> weights(numPolyLoci, 1.0);
        TGenotIndividual::createAndFillSiteWeight(weights.data(), numPolyLoci);
        for (int i = 0; i < numIndividuals; ++i) {
            TGenotIndividual& ind = individuals[i];
            if (ind.checkIfAmbiguousAndFillArrays()) {
                ambiguous.push_back(i);
                ++numAmbiguous;
            }
            if (ind.hasMissingData)
                hasMissingData = true;
            // The random start, for every individual.
            for (int l = 0; l < ind.numLoci; ++l)
                if (static_cast<int>(2.0 * uniform()) != 0)
                    ind.exchangeAt(l);
        }
    }

    // Work done, the step's text and the progress hook; false on a stop request.
    auto progress = [&](double work, const char* format, int done, int total) {
        settings::global_work_done += work;
        std::snprintf(settings::message, sizeof settings::message, format, done, total);
        settings::print_message();
        return s.stop_requested == 0;
    };
    if (numAmbiguous > 0) {
        auto pick = [&] { return ambiguous[static_cast<int>(numAmbiguous * uniform())]; };
        for (int it = 1; it <= burnIn; ++it) {
            runUpdate(pick(), recombination);
            if (it % 500 == 0 && !progress(100.0, " burnin  QKR algorithm: %d/%d", it, burnIn))
                return false;
        }
        for (int k = 1; k <= numSamples; ++k) {
            for (int it = 0; it < interval; ++it)
                runUpdate(pick(), recombination);
            for (int i = 0; i < numIndividuals; ++i)
                record_phase(distinct[i], individuals[i]);
            if (k % 10 == 0
                && !progress(300.0, " Gibbs sampling QKR algorithm: %d/%d ", k, numSamples))
                return false;
        }
        if (numSamples > 0)
            for (int i = 0; i < numIndividuals; ++i) {
                // The most frequent phase first, the earliest among equals.
                distinct[i].quickSortArray();
                modalPhases[i] = distinct[i].data[0];
                std::snprintf(settings::message, sizeof settings::message,
                              "Writing phase Individual #%d/%d ", i + 1, numIndividuals);
                if (s.stop_requested)
                    return false;
            }
    }

    if (s.GibbsOutputGamPhase != 0 && s.phase_streams) {
        if (numAmbiguous == 0)
            writeNoAmbiguousPhaseFiles(numSamples);
        else if (numSamples > 0)
            writeSampledPhaseFiles(distinct, numSamples);
    }
    return true;
}

void TGenotSample::writeNoAmbiguousPhaseFiles(int numSamples)
{
    for (int k = 0; k <= numSamples; ++k) {
        std::ofstream& os = runSettings->phase_streams[k];
        os.clear();
        os.open(runSettings->phase_file_names[k].str, std::ios::out | std::ios::app);
        os << "#No ambiguous individuals";
        os.close();
    }
}

// File k + 1 holds, for every individual, a phase drawn from its distinct
// sampled phases in proportion to their counts.
void TGenotSample::writeSampledPhaseFiles(
    std::vector<MY_TArrayAsVector<TGenotIndividual>>& distinct, int numSamples)
{
    const std::string blanks(11, ' ');
    for (int k = 0; k < numSamples; ++k) {
        std::ofstream& os = runSettings->phase_streams[k + 1];
        os.clear();
        os.open(runSettings->phase_file_names[k + 1].str, std::ios::out | std::ios::app);
        for (int i = 0; i < numIndividuals; ++i) {
            TGenotIndividual const& phase = getRandomPhase(distinct[i], numSamples);
            os << "\t\t\t" << phenDB->phenotypes.data[i]->name << "\t" << "1 \t"
               << alleleText(phase.gamete1) << "\n\t\t\t\t" << blanks << "\t"
               << alleleText(phase.gamete2) << "\n";
        }
        os.close();
    }
}
