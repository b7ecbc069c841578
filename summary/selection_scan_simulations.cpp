// Neutral one-locus samples of the selection scan, simulated under the island
// model fitted to the observed F-statistics: the model's parameters, the
// parameter file of simulated projects, the simulated values read back from
// a file, and the loop that simulates a pass and measures each locus's FST
// and heterozygosities.

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <istream>
#include <sstream>
#include <string>
#include <vector>

#include "analyses/popgen/pop_genetics.h"
#include "core/random.h"
#include "project/project.h"
#include "summary/selection_scan.h"

namespace selection_scan {

namespace {

// The constants of the mutation placement: one site, no rate variation.
const int NUM_SITES = 1;
const double GAMMA_A = 0.0;
const double GAMMA_B = 1.0;
const double GAMMA_P = 1.0;
const double TRANSITION_PROB = 1.0 / 3.0;
const int BOUNDED = 0;
const double HAPLOTYPE_WEIGHT = 0.1;

bool isNumber(std::string const& token, double& value)
{
    char* end = nullptr;
    value = std::strtod(token.c_str(), &end);
    return end != token.c_str() && *end == '\0';
}

}  // namespace

double heterozygosityBetween(double h, double f)
{
    if (f == 1.0 || f == -2.0)
        return 1.0;
    return h / (1.0 - f);
}

Mut_Type mutationModelOf(int dataType)
{
    switch (dataType) {
    case DNA: return NUCLEOTIDE;
    case RFLP: return TWO_STATE;
    case MICROSAT: return STEPWISE;
    default: return NEW_ALLELE;
    }
}

double thetaOfTargetHet(double& H, int dataType, long& seed)
{
    if (dataType == MICROSAT)
        return (1.0 / ((1.0 - H) * (1.0 - H)) - 1.0) / 2.0;
    if (dataType == DNA || dataType == RFLP) {
        if (H >= 0.5)
            H = 0.45 + 0.05 * ran3(&seed);
        return H / (1.0 - 2.0 * H);
    }
    return 1.0 / (1.0 - H) - 1.0;
}

double IslandModel::thetaPerDeme(double theta) const
{
    const double perDeme = theta / demesSharingTheta;
    return perDeme > maxThetaPerDeme ? thetaCap : perDeme;
}

void IslandModel::fit(double meanObsFst, int dataType, int testedGroups, int finiteDemes)
{
    demesSharingTheta = testedGroups > 1 ? numGroups * numDemes : finiteDemes;
    if ((dataType == DNA || dataType == RFLP) && hetHigh > 0.5)
        hetHigh = 0.5;
    maxThetaPerDeme = std::min(1.0, meanObsFst > 0.0 ? 1.0 / meanObsFst - 1.0 : 0.0);
    thetaCap = 0.95 * maxThetaPerDeme;
}

void readSimParamFile(std::istream& in, SimParamFile& params)
{
    std::string lines[13];
    for (std::string& line : lines)
        if (!std::getline(in, line))
            break;
    params.passes = std::atoi(lines[2].c_str());
    params.lociPerFile = std::atoi(lines[4].c_str());
    params.groups = std::atoi(lines[6].c_str());
    params.demesPerGroup = std::atoi(lines[8].c_str());
    params.fsc = std::atof(lines[10].c_str());
    params.fct = std::atof(lines[12].c_str());
}

int readSimulatedValues(std::istream& in, bool hierarchical, MY_TArrayAsVector<double>& simFst,
                        MY_TArrayAsVector<double>& simHetBP, bool& shortLine)
{
    const int fields = hierarchical ? 7 : 3;
    const int hetField = hierarchical ? 4 : 2;
    shortLine = false;
    int records = 0;
    std::string line;
    std::getline(in, line);  // column heads
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::vector<std::string> tokens;
        std::string token;
        while (tokens.size() < static_cast<size_t>(fields) && words >> token)
            tokens.push_back(token);
        if (tokens.empty())
            continue;
        double fst = 0.0;
        double het = 0.0;
        // The unused columns may hold text, as the "NA" of a DNA run's own file.
        if (tokens.size() < static_cast<size_t>(fields) || !isNumber(tokens[0], fst)
            || !isNumber(tokens[hetField], het)) {
            shortLine = true;
            break;
        }
        simFst.Add(fst);
        simHetBP.Add(het);
        ++records;
    }
    return records;
}

void HetLimits::add(double het)
{
    if (std::isnan(het))
        return;
    max = std::max(het, max);
    min = std::min(het, min);
}

namespace {

// The alleles of the simulated locus into the project's allele database, as
// the analyses of the project expect them.
void enterSimulatedLocus(Project& p, Samples& scanSamples)
{
    settings& s = p.run_settings;
    scanSamples.GenotypicData = s.genotypic_data;
    PopGenetics::globalAllelicDB.destroy();
    if (p.profile.GenotypicData) {
        scanSamples.phen_to_gam(&p.haplo_list, &p.profile, &s);
        p.phenotypes_converted = 1;
    }
    p.allele_db.destroy();
    // The AMOVA compares the haplotypes of the list (the individuals' gene
    // copies once converted), so their allele vectors are needed either way.
    if (s.genotypic_data)
        scanSamples.build_all_vectors(ProfileSettings::LocusSeparator);
    for (int h = 0; h < p.haplo_list.list.count; ++h)
        p.haplo_list.list.data[h]->build_haplovect(&p.allele_db, ProfileSettings::LocusSeparator, 0,
                                                   HAPLOTYPE_WEIGHT);
    p.haplo_vectors_built = 1;
}

int simulateOne(Project& p, ScanGuard& guard, PassSettings const& pass, double thetaPerDeme)
{
    const IslandModel& m = pass.model;
    const bool genotypic = p.run_settings.genotypic_data != 0;
    if (pass.hierarchical)
        return p.simulateSample(thetaPerDeme, NUM_SITES, pass.mutation, GAMMA_A, GAMMA_B, GAMMA_P,
                                TRANSITION_PROB, BOUNDED, pass.meanObsFst, pass.meanObsFct,
                                guard.savedSamples, guard.savedStructure, m.numDemes,
                                m.numGroups, genotypic);
    return p.simulateSample(thetaPerDeme, NUM_SITES, pass.mutation, GAMMA_A, GAMMA_B, GAMMA_P,
                            TRANSITION_PROB, BOUNDED, pass.meanObsFst, guard.savedSamples,
                            guard.savedStructure, m.demesSharingTheta, genotypic);
}

// The FST of the simulated locus by one AMOVA, and its heterozygosities,
// into the pass and the simulated-values file.
void measureLocus(Project& p, ScanGuard& guard, double H, int numMuts, bool noTargetHet,
                  std::ostream& simOut, SimulatedLoci& loci)
{
    p.GenStructCalculations(&guard.sink);
    const double F = p.amova_res.fst_index;
    loci.fst.Add(F);
    simOut << F;
    p.computeMeanHeterozygosityOverSamplesInStructure(*guard.scanSamples, *guard.testedStructure);
    double HW = p.allele_db.loci.count > 0 ? p.allele_db.loci.data[0]->meanHetWithinSamples : 0.0;
    simOut << "\t";
    if (noTargetHet)
        simOut << "NA";
    else
        simOut << H;
    double HB = 0.0;
    if (F == 0.0)
        HW = 0.0;
    else
        HB = heterozygosityBetween(HW, F);
    simOut << "\t" << HB << "\t" << HW << "\t" << numMuts << "\n";
    loci.hetBP.Add(HB);
    loci.limits.add(HB);
}

}  // namespace

bool simulateLoci(Project& p, ScanGuard& guard, PassSettings const& pass, std::ostream& simOut,
                  float& workCounter, SimulatedLoci& loci)
{
    settings& s = p.run_settings;
    const IslandModel& m = pass.model;
    const int dataType = ProfileSettings::DataType;
    const bool noTargetHet = pass.mutation == TWO_STATE || pass.mutation == NUCLEOTIDE;
    Samples& scanSamples = *guard.scanSamples;
    long seed = 1;  // continues the run's random stream
    for (int i = 1; i <= m.numSims; ++i) {
        double H = m.hetLow + ran3(&seed) * (m.hetHigh - m.hetLow);
        const double theta = thetaOfTargetHet(H, dataType, seed);
        const double thetaPerDeme = m.thetaPerDeme(theta);

        workCounter += 10.0f;
        if (i % 10 == 0) {
            std::snprintf(settings::message, sizeof settings::message,
                          "Detecting loci under selection: %i/%i simulations done ... ", i, m.numSims);
            settings::global_work_done = workCounter;
            settings::print_message();
            if (s.stop_requested)
                return false;
        }
        // The samples of the previous locus, also the last one of a previous
        // pass, go before the haplotypes they point at.
        scanSamples.clean();
        p.haplo_list.reset();
        p.haplo_vectors_built = 0;
        p.phenotypes_converted = 0;
        const int numMuts = simulateOne(p, guard, pass, thetaPerDeme);
        if (numMuts < 0) {
            // Nothing was simulated: the locus is not recorded.
            ++loci.failures;
            continue;
        }
        enterSimulatedLocus(p, scanSamples);
        if (pass.collected && pass.lociPerFile > 0
            && !pass.collected->addLocus(scanSamples, 0, pass.lociPerFile, s.genotypic_data != 0))
            ++loci.failures;
        p.allele_db.create_pop_freq_vector(scanSamples.Populations.count);
        if (!pass.collected)
            measureLocus(p, guard, H, numMuts, noTargetHet, simOut, loci);
    }
    return true;
}

}  // namespace selection_scan
