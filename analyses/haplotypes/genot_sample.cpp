// The state of the Gibbs phase sampler (Stephens, Smith and Donnelly 2001):
// gametes and individuals built from a sample's genotypes, their heterozygous
// sites and the local positions that the windows of the chain run over.

#include "analyses/haplotypes/genot_sample.h"

#include <cstdlib>
#include <new>
#include <utility>

#include "core/datatype.h"
#include "core/errors.h"
#include "model/allele_db.h"
#include "model/phen_db.h"
#include "project/profile_settings.h"

double TGenotIndividual::alpha = 0.01;
double TGenotIndividual::epsilon = 0.01;
double TGenotIndividual::gamma = 0.0;
int TGenotIndividual::winAroundHetSites = 5;
std::vector<double> TGenotIndividual::siteWeight;

// ---- Individuals ----

TGenotIndividual::TGenotIndividual(TGenotIndividual const& other)
{
    *this = other;
}

TGenotIndividual& TGenotIndividual::operator=(TGenotIndividual const& other)
{
    if (this == &other)
        return *this;
    phaseCount = other.phaseCount;
    gamete1 = other.gamete1;
    gamete2 = other.gamete2;
    isAmbiguous = other.isAmbiguous;
    hasMissingData = other.hasMissingData;
    numHetSites = other.numHetSites;
    numLocalSites = other.numLocalSites;
    hetSites = other.hetSites;
    localToLocus = other.localToLocus;
    numLoci = other.numLoci;
    return *this;
}

void TGenotIndividual::allocateLoci(int const& n)
{
    numLoci = n;
    bool sizes = ProfileSettings::DataType == MICROSAT;
    for (TGamete* g : {&gamete1, &gamete2}) {
        g->alleleIndex.assign(n, -1);
        g->alleleSize.assign(sizes ? n : 0, -1);
    }
    hetSites.assign(n, 0);
    localToLocus.assign(n, -1);
    leftStart.assign(n, -1);
    rightStart.assign(n, -1);
    leftLength.assign(n, -1);
    rightLength.assign(n, -1);
    leftNumHet.assign(n, 0);
    rightNumHet.assign(n, 0);
    isHetSite.assign(n, false);
    leftScore.assign(n, 0.0);
    rightScore.assign(n, 0.0);
    hetOrder.resize(n);
    for (int i = 0; i < n; ++i)
        hetOrder[i] = i;
}

bool TGenotIndividual::checkIfAmbiguousAndFillArrays()
{
    const int W = winAroundHetSites;
    int const* c1 = codes1();
    int const* c2 = codes2();
    numHetSites = 0;
    for (int i = 0; i < numLoci; ++i) {
        if (c1[i] != c2[i] && c1[i] != -1 && c2[i] != -1) {
            isHetSite[i] = true;
            ++numHetSites;
        }
        if (c1[i] == -1 || c2[i] == -1)
            hasMissingData = true;
    }

    if (W < 0) {
        // Every polymorphic locus is a local position.
        numLocalSites = numLoci;
        int k = 0;
        for (int i = 0; i < numLoci; ++i) {
            localToLocus[i] = i;
            if (isHetSite[i])
                hetSites[k++] = i;
        }
    } else if (W == 0) {
        numLocalSites = 0;
        for (int i = 0; i < numLoci; ++i)
            if (isHetSite[i]) {
                localToLocus[numLocalSites] = i;
                hetSites[numLocalSites] = numLocalSites;
                ++numLocalSites;
            }
    } else {
        // Around each heterozygous locus, the W loci with data nearest to it
        // on each side, the locus itself counting on both sides.
        std::vector<bool> marked(numLoci, false);
        auto hasData = [&](int l) { return c1[l] != -1 || c2[l] != -1; };
        for (int h = 0; h < numLoci; ++h) {
            if (!isHetSite[h])
                continue;
            for (int l = h, n = 0; l >= 0 && n < W; --l)
                if (hasData(l)) {
                    marked[l] = true;
                    ++n;
                }
            for (int l = h, n = 0; l < numLoci && n < W; ++l)
                if (hasData(l)) {
                    marked[l] = true;
                    ++n;
                }
        }
        numLocalSites = 0;
        int k = 0;
        for (int l = 0; l < numLoci; ++l)
            if (marked[l]) {
                if (isHetSite[l])
                    hetSites[k++] = numLocalSites;
                localToLocus[numLocalSites++] = l;
            }
    }
    if (W >= 0) {
        isHetSite.assign(numLoci, false);
        for (int k = 0; k < numHetSites; ++k)
            isHetSite[hetSites[k]] = true;
    }
    isAmbiguous = numHetSites > 1;
    return isAmbiguous;
}

bool TGenotIndividual::operator==(TGenotIndividual const& other) const
{
    std::vector<int> const& a1 = gamete1.alleleIndex;
    std::vector<int> const& a2 = gamete2.alleleIndex;
    std::vector<int> const& b1 = other.gamete1.alleleIndex;
    std::vector<int> const& b2 = other.gamete2.alleleIndex;
    bool same = true;
    bool crossed = true;
    for (int l = 0; l < numLoci && (same || crossed); ++l) {
        if (a1[l] == -1 || a2[l] == -1)
            continue;
        same = same && a1[l] == b1[l] && a2[l] == b2[l];
        crossed = crossed && a2[l] == b1[l] && a1[l] == b2[l];
    }
    return same || crossed;
}

int TGenotIndividual::operator-(TGenotIndividual const& other) const
{
    std::vector<int> const& a1 = gamete1.alleleIndex;
    std::vector<int> const& a2 = gamete2.alleleIndex;
    std::vector<int> const* b1 = &other.gamete1.alleleIndex;
    std::vector<int> const* b2 = &other.gamete2.alleleIndex;
    auto known = [&](int l) { return a1[l] != -1 && a2[l] != -1; };
    int different = 0;
    for (int l = 0; l < numLoci; ++l) {
        bool same_pair = (a1[l] == (*b1)[l] && a2[l] == (*b2)[l]) ||
                         (a1[l] == (*b2)[l] && a2[l] == (*b1)[l]);
        if (known(l) && !same_pair)
            ++different;
    }
    if (different > 0)
        return -different;

    int first = 0;
    while (first < numLoci && !(known(first) && a1[first] != a2[first]))
        ++first;
    if (first == numLoci)
        return 0;
    // Other's gametes in the order that matches this one at the first
    // heterozygous site; each later disagreement is one switch.
    if ((*b1)[first] != a1[first])
        std::swap(b1, b2);
    int switches = 0;
    for (int l = first + 1; l < numLoci; ++l)
        if (known(l) && a1[l] != (*b1)[l]) {
            ++switches;
            std::swap(b1, b2);
        }
    return switches;
}

void TGenotIndividual::exchangeAt(int f)
{
    std::swap(gamete1.alleleIndex[f], gamete2.alleleIndex[f]);
    if (!gamete1.alleleSize.empty())
        std::swap(gamete1.alleleSize[f], gamete2.alleleSize[f]);
}

void TGenotIndividual::createAndFillSiteWeight(double const* weights, int const& n)
{
    try {
        siteWeight.assign(weights, weights + n);
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "TGenotIndividual::createAndFillSiteWeight", 0);
    }
}

bool value_sorts_before(TGenotIndividual const& a, TGenotIndividual const& b)
{
    return a.phaseCount > b.phaseCount;
}

// ---- The sample ----

TGenotSample::TGenotSample(TPhenDB const& db, TAlleleDB* alleles, settings& s, char missing)
    : phenDB(&db), alleleDB(alleles), runSettings(&s), estimatedHaplotypes(0, 10),
      missingChar(missing)
{
    numIndividuals = db.phenotypes.count;
    numLoci = db.num_loci();
    numPolyLoci = constructReferenceHaplotype();
    if (numIndividuals > 0) {
        individuals.resize(numIndividuals);
        modalPhases.resize(numIndividuals);
        for (TGenotIndividual& ind : individuals)
            ind.allocateLoci(numPolyLoci);
    }
    fillGametes(db);
    hasMissingData = false;
}

int TGenotSample::constructReferenceHaplotype()
{
    numPolyLoci = 0;
    try {
        int n = alleleDB ? alleleDB->loci.count : 0;
        referenceHaplotype.assign(n, nullptr);
        isPolymorphic.assign(n, false);
        for (int j = 0; j < n; ++j) {
            MY_TIArrayAsVector<TAllele>& list = alleleDB->loci.data[j]->alleles;
            // The recessive slot at position 0 counts: three alleles make a
            // polymorphic locus.
            int present = 0;
            for (int a = 0; a < list.count; ++a)
                if (list.data[a]->name.str[0] != missingChar)
                    ++present;
            isPolymorphic[j] = present > 2;
            numPolyLoci += isPolymorphic[j];
            // The first allele of the data; the missing-data allele only
            // when the locus holds nothing else.
            for (int a = 1; a < list.count && !referenceHaplotype[j]; ++a)
                if (list.data[a]->name.str[0] != missingChar)
                    referenceHaplotype[j] = list.data[a];
            if (!referenceHaplotype[j] && list.count > 1)
                referenceHaplotype[j] = list.data[1];
        }
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, "TGenotSample::constructReferenceHaplotype()", 0);
    }
    return numPolyLoci;
}

// Gene copy 1 goes to gamete1 and gene copy 2 to gamete2, polymorphic loci
// only. A missing allele (its name begins with the missing-data character)
// is -1 in both codes.
void TGenotSample::fillGametes(TPhenDB const& db)
{
    const bool sizes = ProfileSettings::DataType == MICROSAT;
    const int polyLoci = static_cast<int>(isPolymorphic.size());
    for (int i = 0; i < numIndividuals; ++i) {
        TPhenotype const& p = *db.phenotypes.data[i];
        TGenotIndividual& ind = individuals[i];
        for (int j = 0, k = 0; j < numLoci && j < polyLoci; ++j) {
            if (!isPolymorphic[j])
                continue;
            for (int c = 0; c < 2; ++c) {
                TGamete& g = c == 0 ? ind.gamete1 : ind.gamete2;
                TAllele* allele = p.allele_at(c, j);
                bool missing = !allele || allele->name.str[0] == missingChar;
                g.alleleIndex[k] = missing ? -1 : alleleDB->loci.data[j]->get_allele_index(allele);
                if (sizes)
                    g.alleleSize[k] = missing ? -1 : std::atoi(allele->name.str);
            }
            ++k;
        }
    }
}
