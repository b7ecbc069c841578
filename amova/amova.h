// One analysis of molecular variance (Excoffier, Smouse and Quattro 1992).
//
// The constructor does the whole analysis: it prepares the per-population
// and per-group tables and the haplotype-index vector (one haplotype matrix
// index per gene copy), chooses the hierarchical design that fits the data
// and the genetic structure, runs it, records which design ran, runs the
// pairwise population comparisons when they are asked, and releases its
// tables. The caller destroys the object right after construction.
//
// The populations of the structure must be numbered 0 .. P-1 group after
// group, members in order (Project::AMOVA does it), so that every group's
// gene copies form one block of the index vector. Permutations reorder that
// vector (or the population table) in place; each population's haplotype
// counts are then rebuilt from its slice, and the sums of squares are taken
// over the distinct haplotypes present, not over the gene copies.
#ifndef DROV_AMOVA_AMOVA_H
#define DROV_AMOVA_AMOVA_H

#include <ostream>
#include <vector>

#include "amova/amova_results.h"
#include "amova/square_distances.h"
#include "core/my_string.h"
#include "core/trimat.h"

class settings;
class Structure;
class Samples;
class DistMat;
class Haplo_DB;
class TAlleleDB;
class Mantel;
class Population;
class FloatsAndPops;
class TPhenotype;
class Project;

// The name of a distance method (DistanceMethodAMOVA) for the data type of
// the project, as the method lines print it; null when the type has none.
const char* distance_method_name(int method);

class Amova {
public:
    // Ends an analysis after a MEMORY report; the callers catch it.
    class AmovaFatalError {};

    // The designs, by designCode (0: no design fits).
    enum Design {
        NO_DESIGN = 0,
        ONE_POP_INDIVIDUALS = 2,  // AMOVA_1G_1P_I
        ONE_GROUP = 3,            // AMOVA_1G_P_H
        ONE_GROUP_INDIVIDUALS = 4,  // AMOVA_1G_P_I
        GROUPS = 5,               // AMOVA_G_P_H
        GROUPS_INDIVIDUALS = 6,   // AMOVA_G_P_I
        ONE_GROUP_WHOLE_INDIVIDUALS = 7,  // AMOVA_1G_P_IH
        GROUPS_WHOLE_INDIVIDUALS = 8,     // AMOVA_G_P_IH
        ONE_GROUP_RECESSIVE = 9,  // AMOVA_1G_P_RIH
        GROUPS_RECESSIVE = 10     // AMOVA_G_P_RIH
    };

    double ssdAG, ssdAP, ssdWP, ssdWI, ssdTotal;
    int dfA, dfB, dfC, dfD;
    double msA, msB, msC, msD;
    double nCoef1, nCoef2, nCoef3;
    double Va, Vb, Vc, Vd;
    double totalVariance;
    double FIS, FIT, FCT, FSC, FST;

    settings& runSettings;
    Structure* structure;
    Samples* samples;
    DistMat* distMat;  // squared distances between haplotypes, row = matrix index
    // The square copy of distMat that the permutation tests read, made by
    // the first test (of a design or of the pairwise comparisons) and kept
    // until clean.
    SquareDistances squareDist;
    Haplo_DB* haploDB;
    TAlleleDB* alleleDB;
    Mantel* mantel;

    int designCode;
    int individualLevel;
    int numPermutations;
    my_string timeStamp;    // written at the head of the null-distribution files
    double totalGeneCopies;  // N, over the populations of the structure
    double numUnits;         // N / 2 with the individual level, else N

    // Tables of the analysis, from initialize until clean.
    std::vector<double> groupSizes;  // gene copies of each group
    std::vector<double> groupSSD;    // each group's pair sum over its size (designs with groups)
    double totalPairSSD;             // the whole lower triangle of popPairSSD
    TriMat popPairSSD;               // pair sums by sample index; diagonal: within
    TriMat groupPairSSD;             // the same by group, for the partition groupPops
    std::vector<std::vector<Population*>> groupPops;  // each group's populations, not owned
    std::vector<Population*> popTable;  // position i: sample index i until PPAG moves them
    std::vector<int> haploIndexVector;  // one matrix index per gene copy, in popTable order
    // One entry per individual (not owned), for the permutations of whole
    // individuals by their genotypes: filled by Load_Phen_Vector.
    std::vector<TPhenotype*> phenIndexVector;
    std::vector<double> popFST;
    std::vector<double> popFIS;
    std::vector<double> popFISPValue;

    int printFlag;         // 1: structure, method line and results are printed
    int locusByLocusFlag;  // kept, not read
    amova_results* results;

    // The whole analysis (see the head of this file).
    Amova(settings& run_settings, Structure* structure, Samples* samples, DistMat* distances,
          Haplo_DB* haplotypes, TAlleleDB* alleles, Mantel* mantel, int print_flag,
          int locus_by_locus_flag, amova_results* results);
    ~Amova();
    Amova(Amova const&) = delete;
    Amova& operator=(Amova const&) = delete;

    // Allocates and fills the tables and, when the structure is well defined,
    // loads the haplotype-index vector. Throws AmovaFatalError after a MEMORY
    // report of its allocations.
    void initialize();
    void clean();  // frees every table; harmless when repeated
    // The index vector from the populations' AMOVA lists, then their counts.
    void load_HaplotypeIndexVector();
    // Every population's counts rebuilt from its slice of the index vector.
    void distribute_HaplotypeIndexVector();
    // groupPops refilled from popTable, each group keeping its size.
    void distribute_populations();

    // The design for the data, the individual level and the structure.
    int choose_design() const;
    // The design code's AMOVA case (resultCode), or 0 for no design.
    static int result_code(int design);

    // A population FIS without variation within its individuals.
    static constexpr double not_available_FIS = -9.99999;

    // Sums of squared deviations (amova_sums.cpp).
    void compute_SSDP();
    void compute_total_SSD();
    void compute_SSDWI();
    // The SSD within populations (ssdWP, from their current within sums),
    // among populations within groups (ssdAP) and among groups (ssdAG) of the
    // partition groupPops. compute_SSDG_SSDAG first rebuilds groupPairSSD,
    // groupSizes and groupSSD from popPairSSD, so that a partition drawn by
    // PPAG needs no gene copy; the other two read groupPairSSD as it stands.
    void compute_SSDWP();
    void compute_SSDAP();
    void compute_SSDAG();
    void compute_SSDG_SSDAG();

    // Permutation schemes (amova_permutations.cpp): one random permutation
    // each, in place, of populations among groups (PPAG), gene copies among
    // populations across groups (PHAPAG) or within groups (PHAPWG), gene
    // copies among individuals within populations (PHAIWP), and individuals
    // among populations within groups (PIAPWG) or across groups (PIAPAG).
    void PPAG();
    void PHAPAG();
    void PHAPWG();
    void PHAIWP();
    void PIAPWG();
    void PIAPAG();
    // The shuffle of the schemes (amova_shuffle.h) on gene copies, on
    // individuals (pairs of gene copies) and on entries of phenIndexVector:
    // the units start .. top, each from top down to stop taking a unit drawn
    // among start .. itself.
    void permute_genes(int top, int start, int stop);
    void permute_indiv(int top, int start, int stop);
    void permute_phenotypes(int top, int start, int stop);
    // PIAPWG and PIAPAG on phenIndexVector, one entry per individual.
    void PPAPWG();
    void PPAPAG();
    // phenIndexVector from the populations' individuals, in popTable order,
    // each individual as many times as its count.
    void Load_Phen_Vector();
    // Recessive standard data: every population's haplotypes estimated anew
    // by EM from its individuals into its AMOVA records and the haplotype
    // list, whose distances (computed by `project`) replace distMat, the
    // permutation vectors following its size. 1 when done; 0 for other data
    // types or when no matrix was made (ERROR 136).
    int Calc_new_EM_haplo(Project& project);

    // The designs, one source file each (amova_design_*.cpp; the designs not
    // built yet in amova_designs.cpp); each returns 1 when it ran to its end.
    int AMOVA_1G_P_H();
    int AMOVA_1G_P_I();
    int AMOVA_G_P_H();
    int AMOVA_G_P_I();
    int AMOVA_G_P_IH();
    int AMOVA_1G_1P_I();
    int AMOVA_1G_P_IH();
    int AMOVA_1G_P_RIH();
    int AMOVA_G_P_RIH();

    // The pairwise population comparisons and the Mantel test
    // (amova_pairwise.cpp): 1 when done, 0 when a stop request ended them.
    int CalcPairDist();

    // Ends the line this analysis started on "amovares.sum", once.
    void end_batch_line();
    bool batch_line_open() const { return batchLineOpen; }

    // Null-distribution files (amova_tests.cpp): one partition line
    // "[3,1,5],[2,4]\t\t+0.0012345678" (sample index + 1, groups in order), and
    // the list of populations that those numbers refer to.
    void print_p(FloatsAndPops const& partition, std::ostream& out) const;
    void print_p(double value, int const* indices, int count, std::ostream& out) const;
    void print_popvect(std::ostream& out) const;

    // A named anchor "<run stamp>_amova_<suffix>" in the results and its entry
    // titled `text` at `level` of the navigation tree.
    void print_amova_anchor(int level, settings& s, my_string const& suffix,
                            my_string const& text);

private:
    bool wellDefined;     // the structure passed the checks of initialize
    bool batchLineOpen;   // this analysis' "amovares.sum" line still lacks its end
    bool zeroTotalVariance = false;  // the components summed to 0 (stored as 1e-18)

    // The designs that differ from their twin only by their permutation
    // schemes and the order of their index lines.
    int one_group_design(const char* reporter, void (Amova::*scheme)());
    int groups_design(const char* reporter, void (Amova::*schemeAcross)(),
                      void (Amova::*schemeWithin)(), bool fstFirst);
    // The sum over populations of their within sums over their sizes.
    double within_populations_SSD() const;
    // The sum over groups of their pair sums over their sizes (groupPairSSD).
    double within_groups_SSD() const;
    // Of the partition groupPops: Q = the sum over groups of their
    // populations' squared sizes over the group's size, T = the sum of the
    // groups' squared sizes.
    void partition_sizes(double& Q, double& T) const;
    // The individuals among populations within groups, and across groups, by
    // the given shuffle of individuals.
    void permute_individuals_within_groups(void (Amova::*permute)(int, int, int));
    void permute_individuals_across_groups(void (Amova::*permute)(int, int, int));
    // FIS of population p from its current within sums (one-population
    // analysis of its individuals), or not_available_FIS.
    static double population_FIS(Population const& p);
    // After a permutation: every population's counts rebuilt from the index
    // vector, and the sum of their within sums.
    double permuted_within_sum();
    // One test step of the individual level: gene copies re-paired into
    // individuals within each population, their within-individual sums
    // recomputed and, with PopSpecificFIS, every population counted whose FIS
    // reaches its observed value. The populations keep their gene copies, so
    // their counts and within sums stay those of the vector as loaded.
    void repair_individuals_within_populations();
    // After the tests: the population FIS P-values over the permutations run,
    // and their table.
    void finish_population_FIS_tests(int permutations);

    // Result section (amova_report.cpp).
    void print_section_head(std::ostream& out) const;
    void print_row(std::ostream& out, const char* label, int dfWidth, int df, double ssd,
                   double component, const char* name, const char* end) const;
    void print_total_rows(std::ostream& out) const;
    void print_index_line(std::ostream& out, const char* label, double value) const;
    void print_section_end(std::ostream& out) const;
    void print_pop_fst_table(std::ostream& out) const;
    std::vector<Population const*> populations_in_structure_order() const;
    // The population FIS table, with the P-values of `permutations`
    // permutations when that is above 0; the value -9.99999 (no variation
    // within the individuals of a sample) prints "N.A.".
    void print_pop_fis_table(std::ostream& out, int permutations);
    void store_global_fstat() const;
    // The design's values into the result record; totalDf is the total's
    // degrees of freedom, and the population FST or FIS go with it when given.
    void record_design_results(int totalDf, double const* populationFST,
                               double const* populationFIS);
    // Every population's FIS, when population-specific FIS are asked for.
    void compute_population_FIS();
    void write_batch_fields(int const df[4], double const v[4], double const index[4]);

    bool amova_asked() const;
    bool structure_is_well_defined(int matrix_size) const;
    void print_method_line();
    void run_design();
    void run_pairwise_part();
};

#endif
