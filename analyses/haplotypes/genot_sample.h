// The Gibbs sampler of the gametic phase of one genotypic sample (Stephens,
// Smith and Donnelly 2001, with dynamic windows around heterozygous sites):
// its gametes, individuals and the state of the chain.
//
// Only polymorphic loci are stored in gametes and individuals; monomorphic
// loci are printed from the reference haplotype. Every gamete and individual
// knows its own number of loci, so that building another sample never changes
// existing ones.
//
// The sample object owns one TGenotSample through PopGenetics::GibbsSampler:
// comp_gam_phase_Gibbs builds it from an exploded copy of the individuals,
// performGibbs runs the chain and writeResults prints it.
#ifndef DROV_ANALYSES_HAPLOTYPES_GENOT_SAMPLE_H
#define DROV_ANALYSES_HAPLOTYPES_GENOT_SAMPLE_H

#include <fstream>
#include <ostream>
#include <string>
#include <vector>

#include "core/value_array.h"

class TAllele;
class TAlleleDB;
class TPhenDB;
class settings;

// One haplotype of an individual, one code per polymorphic locus.
class TGamete {
public:
    // Index of the allele in its locus's allele list; -1 for a missing allele.
    std::vector<int> alleleIndex;
    // In the estimated-haplotype list: this haplotype's index; -1 before.
    int haploId = -1;
    // Microsatellite data only: the allele sizes; -1 for a missing allele,
    // so that missing alleles are never phased as an allele of some size.
    std::vector<int> alleleSize;
    // In the estimated-haplotype list: modal-phase gametes carrying it.
    int numCopies = 0;

    int numLoci() const { return static_cast<int>(alleleIndex.size()); }
    // The codes the sampler compares: the sizes of microsatellites, else the
    // allele indices.
    int const* codes() const
    {
        return alleleSize.empty() ? alleleIndex.data() : alleleSize.data();
    }
    // The same allele at every locus.
    bool operator==(TGamete const& other) const { return alleleIndex == other.alleleIndex; }
};

class TGenotSample;

// One diploid individual of unknown phase: its two gametes as currently
// phased, its heterozygous sites, the map from its local positions (the loci
// that matter for it) to the polymorphic loci, and the left and right window
// the sampler keeps for each heterozygous site.
class TGenotIndividual {
public:
    TGamete gamete1, gamete2;
    int phaseCount = 0;        // in a list of distinct sampled phases: samples that showed it
    bool isAmbiguous = true;   // more than one heterozygous site
    std::vector<int> hetSites;      // local positions of the heterozygous sites, in locus order
    std::vector<int> localToLocus;  // polymorphic locus of each local position; -1 unset
    int numLocalSites = 0;
    // Per heterozygous site number: the two windows (first local position,
    // number of positions, heterozygous sites inside); leftStart -1 means
    // that the site has not been visited yet.
    std::vector<int> leftStart, rightStart;
    std::vector<int> leftLength, rightLength;
    std::vector<int> leftNumHet, rightNumHet;
    std::vector<int> hetOrder;      // order in which one update visits the sites
    int numHetSites = 0;
    // Whether a position is a heterozygous site: by polymorphic locus until
    // checkIfAmbiguousAndFillArrays, by local position afterwards.
    std::vector<bool> isHetSite;
    std::vector<double> leftScore, rightScore;  // information score of each window
    bool hasMissingData = false;
    int numLoci = 0;  // polymorphic loci of this individual's sample

    // The parameters of the chain, set by performGibbs from the settings
    // (one sampler runs at a time).
    static double alpha;           // Dirichlet pseudo-count of every sub-haplotype
    static double epsilon;         // weight of a near match
    static double gamma;           // added to both products of the informativeness ratio
    static int winAroundHetSites;  // influence zone: < 0 all loci, 0 the heterozygous sites
    static std::vector<double> siteWeight;  // one per polymorphic locus

    TGenotIndividual() = default;
    // A copy carries the phase, its count and the heterozygous-site data,
    // never the windows of the chain.
    TGenotIndividual(TGenotIndividual const& other);
    TGenotIndividual& operator=(TGenotIndividual const& other);
    TGenotIndividual(TGenotIndividual&&) = default;
    TGenotIndividual& operator=(TGenotIndividual&&) = default;

    // Both gametes and every per-locus array made for n loci, the windows
    // unvisited and the visiting order the identity.
    void allocateLoci(int const& n);
    // Heterozygous sites, missing data and local positions from the current
    // codes and the influence zone; returns isAmbiguous.
    bool checkIfAmbiguousAndFillArrays();
    // The same phase as other: at every locus where this individual has both
    // alleles, the same pairing of the gametes or the crossed one.
    bool operator==(TGenotIndividual const& other) const;
    // How far other's phasing is from this one: the number of switches
    // between this individual's gametes met when walking other's along them
    // from this one's first heterozygous site; -k when the two differ in
    // genotype at k loci (where this individual has both alleles).
    int operator-(TGenotIndividual const& other) const;
    // phaseCount, a tab and gamete1's allele at each of the first n loci
    // flagged polymorphic, each followed by a blank; on the next line, after a
    // tab, the same for gamete2. A missing allele is written as `missing`.
    void writePhase(std::ostream& os, TAlleleDB const* alleles, int n,
                    std::vector<bool> const& polymorphic, char missing) const;

    // One update of this ambiguous individual (index `self` in the sample):
    // every heterozygous site redrawn in random order from its window, or,
    // in the recombination update, the tails beyond it exchanged.
    void buildLocalGenotype_Ulmix_simple_around_het_loci(TGenotSample* sample, int const& self);
    void buildLocalGenotype_Ulmix_simple_around_het_loci_with_rec_step(TGenotSample* sample,
                                                                      int const& self);

    static void createAndFillSiteWeight(double const* weights, int const& n);

    int const* codes1() const { return gamete1.codes(); }
    int const* codes2() const { return gamete2.codes(); }
    // Exchanges the alleles of the two gametes at polymorphic locus f.
    void exchangeAt(int f);

private:
    // A run of local positions around a heterozygous site.
    struct Window {
        int start;
        int length;
        int numHet;  // heterozygous sites inside
    };
    // A window evaluated for the site at local position pos: the products of
    // the present (cur) and of the switched phase (alt), how decisive the
    // window is (ratio >= 1) and how much of the sample it matches (score).
    struct Evaluation {
        double cur;
        double alt;
        double ratio;
        double score;
    };

    Evaluation evaluate(TGenotSample* sample, int self, Window const& w, int pos);
    Evaluation firstVisit(TGenotSample* sample, int self, int h);
    bool chooseLeftSide(int h);
    void storeWindow(int h, bool left, Window const& w, double score);
    Window storedWindow(int h, bool left) const;
    Evaluation adaptWindow(TGenotSample* sample, int self, int h, bool left);
    void drawPhase(int f, Evaluation const& e);
};

// The order of the distinct sampled phases: the most frequent first.
bool value_sorts_before(TGenotIndividual const& a, TGenotIndividual const& b);

// Draws u and returns the first phase whose cumulative phaseCount / total
// reaches it (the first when rounding leaves the sum below u).
TGenotIndividual const& getRandomPhase(MY_TArrayAsVector<TGenotIndividual>& phases,
                                       int const& total);
// Shuffles a[0..n-1]: for k from n down to 1, j = int(k u), exchange a[j], a[k-1].
void permute(int* a, int n);

// The sample: every individual in its current state and in its modal phase,
// the reference haplotype and the polymorphism of the loci, the sub-haplotype
// counts of the last window evaluated and the estimated haplotypes.
class TGenotSample {
public:
    TPhenDB const* phenDB;   // the caller's exploded copy; valid only while the caller runs
    TAlleleDB* alleleDB;     // not owned
    settings* runSettings;   // not owned
    std::vector<TAllele*> referenceHaplotype;  // per locus of the data: its printed allele
    std::vector<bool> isPolymorphic;           // per locus of the data
    int numPolyLoci = 0;
    int numLoci = 0;                           // loci of the data
    std::vector<TGenotIndividual> individuals;   // the chain's current state
    std::vector<TGenotIndividual> modalPhases;   // per individual, its most frequent phase
    int numIndividuals = 0;
    // n(a.A), n(b.A), n(a.B), n(b.B), near(a.A), near(b.A), near(a.B), near(b.B)
    double subHaplCounts[8] = {0, 0, 0, 0, 0, 0, 0, 0};
    double postAlphaSum = 0.0;  // the prior stays fixed: nothing adds to it
    int numAmbiguous = 0;
    MY_TArrayAsVector<TGamete> estimatedHaplotypes;
    char missingChar;
    int missingIndex = -1;
    bool hasMissingData = false;

    TGenotSample(TPhenDB const& db, TAlleleDB* alleles, settings& s, char missing);
    TGenotSample(TGenotSample const&) = delete;
    TGenotSample& operator=(TGenotSample const&) = delete;

    // referenceHaplotype and isPolymorphic; returns numPolyLoci.
    int constructReferenceHaplotype();

    // The whole chain, then the sampled-phase files. False when a stop
    // request (or a memory failure) ended it before the modal phases.
    bool performGibbs();

    // subHaplCounts for the window of `length` local positions from `start`
    // of individual `focal` around its local position `focalPos`; the first
    // without missing data, the second with.
    void computeSubHaplFreqsHetAndHom(int const& start, int* localToLocus, int const& focal,
                                      int const& length, int const& focalPos);
    void computeSubHaplFreqsNoHetMissData(int const& start, int* localToLocus, int const& focal,
                                          int const& length, int const& focalPos);

    // The result section into out and the modal phases into phase file 0.
    void writeResults(std::fstream* out);
    // estimatedHaplotypes and the haploId of every modal-phase gamete.
    void constructEstimatedHaploDB();

    // The current phase of every individual (writePhase over the loci of
    // the data).
    void writeSample(std::ostream& os, TAlleleDB const* alleles) const;

    // Every locus of the data of gamete g, each followed by a blank, as
    // written in the data (the results escape it, the phase files do not).
    std::string alleleText(TGamete const& g) const;

private:
    // The loci of the window being evaluated and the focal codes there.
    std::vector<int> windowLoci, windowCodesA, windowCodesB;

    struct FocalWindow {
        int f;           // the focal polymorphic locus
        int a, b;        // the focal codes of gamete1 and gamete2 there
        int m;           // window loci other than f
        int const* loci;
        int const* A;    // gamete1's codes at those loci
        int const* B;    // gamete2's codes
    };
    // Calls visit with the codes of both gametes of every individual but focal.
    template <class Visit>
    void forOtherGametes(int focal, Visit visit) const
    {
        for (int j = 0; j < numIndividuals; ++j)
            if (j != focal) {
                visit(individuals[j].codes1());
                visit(individuals[j].codes2());
            }
    }
    FocalWindow gatherWindow(int start, int length, int focalPos, int const* localToLocus,
                             int focal);
    void fillGametes(TPhenDB const& db);
    bool runChain(settings& s);
    void runUpdate(int self, double recombination);
    void writeSampledPhaseFiles(std::vector<MY_TArrayAsVector<TGenotIndividual>>& distinct,
                                int numSamples);
    void writeNoAmbiguousPhaseFiles(int numSamples);
};

#endif
