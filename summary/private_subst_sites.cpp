// Private substitution sites of the DNA samples of a level: the substitution
// sites of the level at which one sample, and no other, shows a transition or
// a transversion against its own reference sequence.

#include <algorithm>
#include <vector>

#include "analyses/datatypes/popul_dna.h"
#include "project/samples.h"

namespace {

// Sites the per-site transition and transversion flags of a sample cover: its
// reference sequence, once the sites were compared; none before. A site
// beyond them is one the sample does not show a change at.
int compared_sites(PopulDNA const& p)
{
    return p.SiteTransitions && p.SiteTransversions ? p.ArbitraryHaplotype.content.length : 0;
}

}  // namespace

void Samples::computeNumPrivateSubstSitesPerPop(settings&)
{
    if (ProfileSettings::DataType != DNA)
        return;
    std::vector<PopulDNA*> dna;
    for (int i = 0; i < Populations.count; ++i)
        if (auto* p = dynamic_cast<PopulDNA*>(Populations.data[i]))
            dna.push_back(p);
    // Every count starts at 0, so that a run without transitions shows 0,
    // not a count left from an earlier call.
    for (PopulDNA* p : dna)
        p->NumPrivateSubstSites = 0;
    // A weight that is not a number compares unequal to 0 and lets the count run.
    if (dna.empty() || dna.front()->TransitionWeight == 0)
        return;

    MY_TArrayAsVector<bool> const& flagged = PopGenetics::globalSubstPolymSites;
    constexpr int kNobody = -1, kShared = -2;
    std::vector<int> owner(static_cast<std::size_t>(flagged.count), kNobody);
    for (int i = 0; i < static_cast<int>(dna.size()); ++i) {
        PopulDNA const& p = *dna[static_cast<std::size_t>(i)];
        const int L = std::min(flagged.count, compared_sites(p));
        for (int site = 0; site < L; ++site) {
            if (!flagged[site] || (!p.SiteTransitions[site] && !p.SiteTransversions[site]))
                continue;
            int& o = owner[static_cast<std::size_t>(site)];
            o = o == kNobody ? i : kShared;
        }
    }
    for (int o : owner)
        if (o >= 0)
            ++dna[static_cast<std::size_t>(o)]->NumPrivateSubstSites;
}
