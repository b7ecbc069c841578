// The selection scan: the island model's parameters, the files it reads,
// the per-locus p-values, rows and counts, the restoration of the run on
// every way out, and a whole scan of hand-filled observed F-statistics.

#include <gtest/gtest.h>

#include <cmath>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "analyses/datatypes/popul_standard.h"
#include "analyses/popgen/pop_genetics.h"
#include "app/glbobj.h"
#include "core/errors.h"
#include "core/random.h"
#include "core/xml.h"
#include "project/project.h"
#include "summary/fst_null_density.h"
#include "summary/selection_scan.h"
#include "support/temp_log.h"

using namespace selection_scan;

namespace {

void add_group(Structure& structure, std::vector<Population*> const& members)
{
    const int g = structure.NbGroups;
    auto* groups = new MY_TIArrayAsVector<Population>[g + 1];
    int* sizes = new int[g + 1];
    for (int i = 0; i < g; ++i) {
        groups[i].owns = 0;
        for (int m = 0; m < structure.Groups[i].count; ++m)
            groups[i].Add(structure.Groups[i].data[m]);
        sizes[i] = structure.GroupSizes[i];
    }
    groups[g].owns = 0;
    for (Population* p : members)
        groups[g].Add(p);
    sizes[g] = static_cast<int>(members.size());
    delete[] structure.Groups;
    delete[] structure.GroupSizes;
    structure.Groups = groups;
    structure.GroupSizes = sizes;
    structure.NbGroups = g + 1;
    structure.NbMembers += static_cast<int>(members.size());
}

std::string names_of(MY_TIArrayAsVector<Population> const& group)
{
    std::string text;
    for (int m = 0; m < group.count; ++m)
        text += std::string(group.data[m]->name.str) + " ";
    return text;
}

}  // namespace

TEST(SelectionScanModel, HeterozygosityThetaAndTheCapOfThetaPerDeme)
{
    EXPECT_DOUBLE_EQ(heterozygosityBetween(0.3, 0.25), 0.4);
    EXPECT_EQ(heterozygosityBetween(0.3, 1.0), 1.0);
    EXPECT_EQ(heterozygosityBetween(0.3, -2.0), 1.0);
    EXPECT_EQ(heterozygosityBetween(0.0, 0.0), 0.0);

    long seed = 1;
    struct Case { int type; double H; double theta; } cases[] = {
        {MICROSAT, 0.5, 1.5},   // (1/(1-H)^2 - 1)/2
        {STANDARD, 0.5, 1.0},   // 1/(1-H) - 1
        {DNA, 0.4, 2.0},        // H/(1-2H)
        {RFLP, 0.25, 0.5},
    };
    for (Case const& c : cases) {
        double H = c.H;
        EXPECT_DOUBLE_EQ(thetaOfTargetHet(H, c.type, seed), c.theta) << c.type;
        EXPECT_EQ(H, c.H);
    }
    long start = -3;
    ran3(&start);
    for (int i = 0; i < 50; ++i) {
        double H = 0.7;
        const double theta = thetaOfTargetHet(H, DNA, seed);
        EXPECT_GE(H, 0.45);
        EXPECT_LT(H, 0.5);
        EXPECT_DOUBLE_EQ(theta, H / (1.0 - 2.0 * H));
    }

    IslandModel m;
    m.numDemes = 10;
    m.numGroups = 4;
    m.hetLow = 0.1;
    m.hetHigh = 0.8;
    m.fit(0.6, DNA, 1, 100);
    EXPECT_EQ(m.demesSharingTheta, 100);
    EXPECT_EQ(m.hetHigh, 0.5);  // DNA draws below 0.5
    EXPECT_DOUBLE_EQ(m.maxThetaPerDeme, 2.0 / 3.0);
    EXPECT_DOUBLE_EQ(m.thetaPerDeme(100.0 * 0.6), 0.6);  // below L: kept
    EXPECT_DOUBLE_EQ(m.thetaPerDeme(100.0 * 0.7), 0.95 * 2.0 / 3.0);
    m.fit(0.05, MICROSAT, 2, 100);
    EXPECT_EQ(m.demesSharingTheta, 40);  // all demes of the hierarchical model
    EXPECT_EQ(m.maxThetaPerDeme, 1.0);
    m.fit(0.0, STANDARD, 1, 100);
    EXPECT_EQ(m.maxThetaPerDeme, 0.0);
}

TEST(SelectionScanModel, ThreeGroupsReduceToOneInMemberOrder)
{
    Population a(my_string("a")), b(my_string("b")), c(my_string("c")), d(my_string("d")),
        e(my_string("e")), f(my_string("f"));
    Structure structure;
    add_group(structure, {&a, &b});
    add_group(structure, {&c, &d});
    add_group(structure, {&e, &f});
    reduceToOneGroup(structure);
    EXPECT_EQ(structure.NbGroups, 1);
    EXPECT_EQ(structure.GroupSizes[0], 6);
    EXPECT_EQ(names_of(structure.Groups[0]), "a b d c f e ");
    Structure copy(structure);
    EXPECT_EQ(names_of(copy.Groups[0]), "a b d c f e ");
}

TEST(SelectionScanFiles, ParameterFileOfSimulatedProjects)
{
    std::istringstream in("x\npasses\n3\nloci\n50 loci\ngroups\n2\ndemes\n10\nFSC\n0.05\nFCT\n0.1\n"
                          "more\n");
    SimParamFile params;
    readSimParamFile(in, params);
    EXPECT_EQ(params.passes, 3);
    EXPECT_EQ(params.lociPerFile, 50);  // the leading number, as atoi reads it
    EXPECT_EQ(params.groups, 2);
    EXPECT_EQ(params.demesPerGroup, 10);
    EXPECT_DOUBLE_EQ(params.fst(), 1.0 - 0.9 * 0.95);

    std::istringstream shortFile("x\npasses\n2\n");
    SimParamFile few;
    readSimParamFile(shortFile, few);
    EXPECT_EQ(few.passes, 2);
    EXPECT_EQ(few.lociPerFile, 0);
    EXPECT_EQ(few.fct, 0.0);
}

TEST(SelectionScanFiles, SimulatedValuesReadOneRecordPerLine)
{
    struct Case {
        const char* text;
        bool hierarchical;
        int records;
        bool shortLine;
        double lastFst;
        double lastHet;
    } cases[] = {
        {"FST\tTarget\tHB\n0.1\t0.3\t0.5\tx\n\n0.2 NA 0.6 1\n", false, 2, false, 0.2, 0.6},
        {"h\n0.1 1 2 3 0.4 5 6\n0.3 1 2 3 0.7 5 6 extra\n", true, 2, false, 0.3, 0.7},
        // The five columns of a hierarchical run's own file are no 7-number record.
        {"h\n0.1 0.2 0.3 0.4 5\n0.1 1 2 3 0.4 5 6\n", true, 0, true, 0.0, 0.0},
        // A record never continues on the next line.
        {"h\n0.1 0.2\n0.3\n0.4 0.5 0.6\n", false, 0, true, 0.0, 0.0},
        {"h\n0.1 0.2 0.3\nNA 0.2 0.3\n0.4 0.5 0.6\n", false, 1, true, 0.1, 0.3},
        {"header only\n", false, 0, false, 0.0, 0.0},
    };
    for (Case const& c : cases) {
        std::istringstream in(c.text);
        MY_TArrayAsVector<double> fst, het;
        bool shortLine = true;
        EXPECT_EQ(readSimulatedValues(in, c.hierarchical, fst, het, shortLine), c.records) << c.text;
        EXPECT_EQ(shortLine, c.shortLine) << c.text;
        ASSERT_EQ(fst.count, c.records);
        if (c.records > 0) {
            EXPECT_EQ(fst[c.records - 1], c.lastFst);
            EXPECT_EQ(het[c.records - 1], c.lastHet);
        }
    }
}

TEST(SelectionScanLoci, PValuesOfLociInAndOutOfTheSimulatedRange)
{
    MY_TArrayAsVector<double> het, fst;
    for (int i = 0; i < 200; ++i) {
        het.Add(0.3 + 0.001 * (i % 100));
        fst.Add(0.001 * (i % 20));
    }
    SortedSimulatedLoci loci(het, fst);
    double upper = 5.0;
    EXPECT_EQ(locusPValue(0.5, 0.0, loci, upper), -1.0);
    EXPECT_EQ(upper, -1.0);
    // No simulated neighbour, above and below the simulated range: uncomputed.
    EXPECT_EQ(locusPValue(0.5, 0.9, loci, upper), 2.0);
    EXPECT_EQ(locusPValue(0.5, 0.1, loci, upper), 2.0);
    // Neighbours whose FST never reaches the observed one: beyond resolution.
    EXPECT_EQ(locusPValue(0.9, 0.35, loci, upper), 1e-7);
    const double p = locusPValue(0.01, 0.35, loci, upper);
    EXPECT_GT(p, 0.1);
    EXPECT_LE(p, 0.5);
}

TEST(SelectionScanLoci, CumulativeCountsAroundTheMeanFst)
{
    SelectionCounts counts;
    const double mean = 0.1;
    counts.add(0.3, 0.5, 0.0005, mean);  // high, all five levels
    counts.add(0.3, 0.5, 0.02, mean);    // high, 0.025 and 0.05
    counts.add(0.01, 0.5, 0.004, mean);  // low, from 0.005 on
    counts.add(0.1, 0.5, 0.001, mean);   // at the mean: tested, in neither list
    counts.add(0.3, 0.5, 2.0, mean);     // uncomputed: not tested
    counts.add(-2.0, 0.5, 0.001, mean);  // not computed: nothing
    counts.add(0.3, 0.0, -1.0, mean);    // no heterozygosity: nothing
    const int high[] = {1, 1, 1, 2, 2};
    const int low[] = {0, 1, 1, 1, 1};
    for (int j = 0; j < NUM_LEVELS; ++j) {
        EXPECT_EQ(counts.high[j], high[j]) << j;
        EXPECT_EQ(counts.low[j], low[j]) << j;
    }
    EXPECT_EQ(counts.numTested, 4);
    std::ostringstream line;
    writeBatchLine(line, "dir/proj.drp", 2000, counts);
    EXPECT_EQ(line.str(), "dir/proj.drp\t2000\t4\t0\t1\t1\t1\t1\t1\t1\t1\t2\t2\n");
}

TEST(SelectionScanLoci, RowsOfTheTableAndOfTheObservedValuesFile)
{
    std::ostringstream results, obs;
    writeLocusRow(results, obs, 3, 0.25, 0.1, 0.0123, 0.0123, true);
    EXPECT_EQ(results.str(), "       3     0.25000000     0.10000000      1.23000000e-02      "
                             "1.23000000e-02\n");
    EXPECT_EQ(results.str().size(), 79u);  // 78 characters and the line end
    EXPECT_EQ(obs.str(), "3\t0.25\t0.1\t0.0123\t0.0123\n");

    struct Case {
        double H, p, upper;
        bool hierarchical;
        const char* resultsTail;
        const char* obsLine;
    } cases[] = {
        {0.0, -1.0, -1.0, false, "     -1.00000000e+00     -1.00000000e+00\n", "1\t0\t0.1\t-1\t-1\n"},
        {0.9, 2.0, 0.0, false, "                   2      0.00000000e+00\n", "1\t0.9\t0.1\t2\n"},
        {0.9, 2.0, 0.0, true, "      2.00000000e+00      0.00000000e+00\n", "1\t0.9\t0.1\t2\t0\n"},
    };
    for (Case const& c : cases) {
        std::ostringstream r, o;
        writeLocusRow(r, o, 1, c.H, 0.1, c.p, c.upper, c.hierarchical);
        EXPECT_EQ(r.str().substr(38), c.resultsTail);
        EXPECT_EQ(o.str(), c.obsLine);
    }
    // The finite model's file turns to 8 digits at its first tested locus.
    std::ostringstream r, o;
    writeLocusRow(r, o, 1, 0.123456789, 0.1, 2.0, 0.0, false);
    writeLocusRow(r, o, 2, 0.123456789, 0.1, 0.123456789, 0.987654321, false);
    writeLocusRow(r, o, 3, 0.123456789, 0.1, 0.5, 0.5, false);
    EXPECT_EQ(o.str(), "1\t0.123457\t0.1\t2\n2\t0.123457\t0.1\t0.123457\t0.98765432\n"
                       "3\t0.12345679\t0.1\t0.5\t0.5\n");
}

TEST(SelectionScanLoci, TableHeadsOfBothModels)
{
    std::ostringstream finite, hier;
    writePValueHead(finite, false, 100, 10, 2000);
    writePValueHead(hier, true, 100, 10, 2000);
    EXPECT_EQ(finite.str().substr(0, 102),
              "--------------------\nFinite island model:\n--------------------\n"
              "No. of simulated demes:            100\n");
    EXPECT_NE(finite.str().find("No. of coalescent simulations performed:     2000\n\n" +
                                std::string(53, '=') + "\n   Locus   Obs. Het. BP       Obs. FST"
                                "         FST P-value      1-FST quantile\t(if P-value=2 -> "
                                "uncomputed value due to Obs.Het.BP out. of simulated bounds)\n"),
              std::string::npos);
    EXPECT_NE(hier.str().find("Hierarchical island model:\n" + std::string(26, '-') +
                              "\nNo. of simulated groups:                       10\n"
                              "No. of simulated demes per groups:            100\n"),
              std::string::npos);
    EXPECT_NE(hier.str().find("out of simulated bounds)\n" + std::string(84, '=') + "\n"),
              std::string::npos);
}

// The restoration of everything the scan changes, at a normal end and when
// an exception leaves it.
class ScanGuardTest : public LogFolderTest {
protected:
    Project project;
    std::fstream results;
    std::ostream* savedReporterStream = E.results_stream;
    std::ofstream amovaBatch;
    std::ofstream* savedAmovaBatch = ofs_amova_res;
    int savedAmovaFlag = _AMOVA_RES_;
    double savedGlobalFst = SumStat.globalFST;
    TLocus* observedLocus = nullptr;
    HaploDef* observedHaplotype = nullptr;

    void SetUp() override
    {
        results.open((dir / "r.htm").string(), std::ios::out);
        settings& s = project.run_settings;
        s.results_stream = &results;
        E.results_stream = &results;
        s.LocByLocAMOVA = 0;
        s.HaplAMOVA = 1;
        s.TaskNumber = 0x20;
        s.NumPermutationsAMOVA = 1000;
        s.ComputeConventionalFST = 1;
        s.ComputeDistanceMatrixAMOVA = 0;
        s.ComputePairwiseFST = s.ComputeDeltaMuSqr = s.PrintMissIntermatchs = 1;
        s.UnequalPopSizeDiv = 1;
        project.samples->GenotypicData = 1;
        project.allele_db.InsertAllPos(0, my_string("a"), 1.0);
        observedLocus = project.allele_db.loci[0];
        observedHaplotype = new HaploDef(my_string("h1"));
        observedHaplotype->content = "h1";
        project.haplo_list.list.Add(observedHaplotype);
        PopGenetics::globalAllelicDB.InsertAllPos(0, my_string("a"), 1.0);
        amovaBatch.open((dir / "amovares.sum").string());
        ofs_amova_res = &amovaBatch;
        _AMOVA_RES_ = 1;
        SumStat.globalFST = 0.13179;  // the project's own AMOVA
    }

    // The reporter and the batch stream outlive the fixture's streams.
    void TearDown() override
    {
        E.results_stream = savedReporterStream;
        ofs_amova_res = savedAmovaBatch;
        _AMOVA_RES_ = savedAmovaFlag;
        SumStat.globalFST = savedGlobalFst;
        SumStat.FST = false;
    }

    void changeEverything(ScanGuard& guard)
    {
        settings& s = project.run_settings;
        s.LocByLocAMOVA = 1;
        s.HaplAMOVA = 0;
        s.TaskNumber = 0x200;
        s.NumPermutationsAMOVA = 0;
        s.ComputeConventionalFST = 0;
        s.ComputeDistanceMatrixAMOVA = 1;
        guard.clearGenotypicData();
        guard.setObservedAside();
        project.samples = guard.scanSamples.get();
        project.allele_db.InsertAllPos(0, my_string("simulated"), 1.0);
        project.haplo_list.list.Add(new HaploDef(my_string("simulated")));
        *_ZOS_ << "dropped\n";
        E.error(WARNING, "test", 9);
        // An internal AMOVA finds no batch stream and stores into the collector.
        EXPECT_EQ(_AMOVA_RES_, 0);
        EXPECT_EQ(ofs_amova_res, nullptr);
        SumStat.FST = true;
        SumStat.globalFST = 0.25034;
    }

    void expectRestored(Samples* samples, Structure* structure, std::ostream* log)
    {
        settings& s = project.run_settings;
        EXPECT_EQ(project.samples, samples);
        EXPECT_EQ(project.structure, structure);
        EXPECT_EQ(project.samples->GenotypicData, 1);
        EXPECT_EQ(s.results_stream, &results);
        EXPECT_EQ(E.results_stream, &results);
        EXPECT_EQ(_ZOS_, log);
        EXPECT_EQ(s.LocByLocAMOVA, 0);
        EXPECT_EQ(s.HaplAMOVA, 1);
        EXPECT_EQ(s.TaskNumber, 0x20);
        EXPECT_EQ(s.NumPermutationsAMOVA, 1000);
        EXPECT_EQ(s.ComputeConventionalFST, 1);
        EXPECT_EQ(s.ComputeDistanceMatrixAMOVA, 0);
        for (int key : {s.ComputePairwiseFST, s.ComputeDeltaMuSqr, s.PrintMissIntermatchs,
                        s.UnequalPopSizeDiv})
            EXPECT_EQ(key, 1);
        EXPECT_TRUE(htmlOutput);
        EXPECT_FALSE(s.selection_scan_running);
        // The observed objects themselves, which the samples point at.
        ASSERT_EQ(project.allele_db.loci.count, 1);
        EXPECT_EQ(project.allele_db.loci[0], observedLocus);
        EXPECT_EQ(project.allele_db(0, my_string("simulated")), nullptr);
        ASSERT_EQ(project.haplo_list.list.count, 1);
        EXPECT_EQ(project.haplo_list.list[0], observedHaplotype);
        my_string content("h1");
        EXPECT_EQ(project.haplo_list.find(content), observedHaplotype);
        EXPECT_EQ(PopGenetics::globalAllelicDB.loci.count, 0);
        EXPECT_EQ(take_log().find("dropped"), std::string::npos);
        EXPECT_EQ(_AMOVA_RES_, 1);
        EXPECT_EQ(ofs_amova_res, &amovaBatch);
        EXPECT_EQ(SumStat.globalFST, 0.13179);
        EXPECT_FALSE(SumStat.FST);
    }
};

TEST_F(ScanGuardTest, NormalEndAndException)
{
    Samples* samples = project.samples;
    Structure* structure = project.structure;
    std::ostream* log = _ZOS_;
    {
        ScanGuard guard(project);
        EXPECT_FALSE(htmlOutput);
        settings const& s = project.run_settings;
        EXPECT_TRUE(s.selection_scan_running);
        // The internal AMOVAs make no pairwise comparisons.
        for (int key : {s.ComputePairwiseFST, s.ComputeDeltaMuSqr, s.PrintMissIntermatchs,
                        s.UnequalPopSizeDiv})
            EXPECT_EQ(key, 0);
        changeEverything(guard);
    }
    expectRestored(samples, structure, log);

    PopGenetics::globalAllelicDB.InsertAllPos(0, my_string("a"), 1.0);
    EXPECT_THROW(
        {
            ScanGuard guard(project);
            changeEverything(guard);
            throw std::runtime_error("internal AMOVA failed");
        },
        std::runtime_error);
    expectRestored(samples, structure, log);
}

// A whole scan of ten standard loci in three samples.
class SelectionScanRunTest : public LogFolderTest {
protected:
    Project project;
    std::fstream results;
    std::ostream* savedReporterStream = E.results_stream;

    void SetUp() override
    {
        long seed = -17;
        ran3(&seed);
        ProfileSettings::DataType = STANDARD;
        ProfileSettings::LocusSeparator = ' ';
        settings& s = project.run_settings;
        results.open((dir / "r.htm").string(), std::ios::out);
        s.results_stream = &results;
        E.results_stream = &results;
        s.results_dir = (dir.string() + "/").c_str();
        s.project_dir = (dir.string() + "/").c_str();
        settings::input_file = (dir / "proj.drp").string().c_str();
        s.genotypic_data = 0;
        s.NumberOfSimsForFDist2 = 40;
        s.NumberOfDemesForFDist2 = 20;
        s.TargetHetLowBound = 0.0;
        s.TargetHetHighBound = 0.9;
        s.UseSimFileForFDist2 = 0;
        s.stop_requested = 0;
    }

    void TearDown() override { E.results_stream = savedReporterStream; }

    // Three samples of ten loci; `identical` gives the three the same haplotypes.
    void makeSamples(bool identical = false)
    {
        const char* contents[][4] = {{"1 1 1 1 1 1 1 1 1 1", "2 1 2 1 2 1 2 1 2 2",
                                      "1 2 1 2 1 2 1 2 1 1", "3 3 1 1 2 2 1 3 1 2"},
                                     {"1 1 2 2 1 1 2 2 1 1", "2 2 2 2 2 2 2 2 2 2",
                                      "1 2 2 1 1 2 2 1 3 1", "3 1 1 3 2 1 1 3 2 1"},
                                     {"2 2 2 1 1 1 2 2 2 1", "1 1 1 1 2 2 2 1 1 1",
                                      "2 1 2 1 2 1 2 1 2 1", "3 2 3 2 3 2 3 2 3 3"}};
        const char* names[] = {"north", "south", "east"};
        for (int i = 0; i < 3; ++i) {
            Population p{my_string(names[i])};
            p.sample_index = i;
            p.alleleDB = &project.allele_db;
            for (int h = 0; h < 4; ++h) {
                HaploDef* def = new HaploDef(my_string((std::string(names[i]) + std::to_string(h)).c_str()));
                def->content = contents[identical ? 0 : i][h];
                project.haplo_list.list.Add(def);
                p.haplotypes.Add(new PHaploDef(def, 3 + h));
                p.SampleSize += 3 + h;
            }
            project.samples->Populations.Add(new PopulStandard(p));
        }
        add_group(*project.structure, {project.samples->Populations[0], project.samples->Populations[1],
                                       project.samples->Populations[2]});
        project.build_all_vectors(project.allele_db);
        project.haplo_vectors_built = 1;
    }

    std::string file(const char* name) { return read_text(dir / name); }
};

TEST_F(SelectionScanRunTest, FiniteIslandModelWritesTablesAndFiles)
{
    makeSamples();
    ASSERT_EQ(project.allele_db.loci.count, 10);
    project.detectSelectedLociFromFSTHetComparison(false);
    results.flush();
    std::string text = file("r.htm");
    EXPECT_NE(text.find("Tested Genetic Structure:\n"), std::string::npos);
    EXPECT_NE(text.find("Finite island model:\n"), std::string::npos);
    EXPECT_NE(text.find("FST null distribution quantiles"), std::string::npos);
    EXPECT_NE(text.find("These files can be used to produce graphical representations"),
              std::string::npos);
    std::string sim = file("fdist2_simOut.txt");
    EXPECT_EQ(sim.rfind("FST\tTarget Het.\tMeanHetBP\tMeanHetWP\tNumMutsOnTree\tTarget Mean FST = ", 0), 0u);
    EXPECT_EQ(std::count(sim.begin(), sim.end(), '\n'), 41);
    // A row for every locus whose FST was computed; the others leave gaps.
    std::string obs = file("fdist2_ObsOut.txt");
    int rows = 0;
    for (int l = 0; l < 10; ++l) {
        const bool computed = project.allele_db.loci[l]->locus_results[TLocus::LOCUS_FST] != -2.0;
        rows += computed;
        EXPECT_EQ(obs.find("\n" + std::to_string(l + 1) + "\t") != std::string::npos, computed) << l;
    }
    EXPECT_GE(rows, 5);
    EXPECT_FALSE(std::filesystem::exists(dir / "proj_sim1.drp"));
    EXPECT_EQ(project.samples->Populations.count, 3);
    EXPECT_EQ(project.structure->Groups[0][0], project.samples->Populations[0]);
    EXPECT_EQ(project.run_settings.results_stream, &results);
    EXPECT_TRUE(htmlOutput);
}

// The internal AMOVAs make no pairwise comparisons: with the keys that ask
// for them (and 20 permutations, which would draw random numbers) the scan
// gives the same tables and files, and the keys are given back.
TEST_F(SelectionScanRunTest, PairwiseComparisonKeysChangeNothing)
{
    makeSamples();
    settings& s = project.run_settings;
    s.NumPermutationsFST = 20;
    auto scan = [&](int keys) {
        long seed = -17;
        ran3(&seed);
        s.ComputePairwiseFST = s.ComputeDeltaMuSqr = s.PrintMissIntermatchs = keys;
        s.UnequalPopSizeDiv = keys;
        results.close();
        results.open((dir / "r.htm").string(), std::ios::out | std::ios::trunc);
        project.detectSelectedLociFromFSTHetComparison(false);
        results.flush();
        return file("r.htm") + file("fdist2_simOut.txt") + file("fdist2_ObsOut.txt");
    };
    const std::string without = scan(0);
    EXPECT_NE(without.find("FST null distribution quantiles"), std::string::npos);
    EXPECT_EQ(scan(1), without);
    EXPECT_EQ(s.ComputePairwiseFST, 1);
    EXPECT_EQ(s.ComputeDeltaMuSqr, 1);
    EXPECT_EQ(s.PrintMissIntermatchs, 1);
    EXPECT_EQ(s.UnequalPopSizeDiv, 1);
}

TEST_F(SelectionScanRunTest, RefusalsOfInvalidObservedFAndSettings)
{
    // Samples that do not differ have no positive mean FST.
    makeSamples(true);
    project.detectSelectedLociFromFSTHetComparison(false);
    const std::string invalid = "\tObserved F-statistics lead to invalid migration rates. Coalescent "
                                "simulations cannot be performed.\nPerform a simple AMOVA to check "
                                "that all F-statistics are within the interval ]0..1[\n";
    results.flush();
    EXPECT_EQ(file("r.htm"), invalid);
    EXPECT_NE(take_log().find(invalid), std::string::npos);

    project.run_settings.NumberOfSimsForFDist2 = 0;
    project.detectSelectedLociFromFSTHetComparison(false);
    project.run_settings.NumberOfSimsForFDist2 = 10;
    project.run_settings.TargetHetLowBound = 0.6;
    project.run_settings.TargetHetHighBound = 0.5;
    project.detectSelectedLociFromFSTHetComparison(false);
    std::string log = take_log();
    EXPECT_NE(log.find("\tThe selection scan needs at least one simulation and one deme "
                       "(NumberOfSimsForFDist2 = 0, NumberOfDemesForFDist2 = 20)\n"),
              std::string::npos);
    EXPECT_NE(log.find("(TargetHetLowBound = 0.6, TargetHetHighBound = 0.5)\n"), std::string::npos);
}

TEST_F(SelectionScanRunTest, SimulatedValuesFromAFileAndAnUnreadableOne)
{
    makeSamples();
    std::string values = "FST\tTarget Het.\tMeanHetBP\n";
    for (int i = 0; i < 300; ++i)
        values += std::to_string(0.001 * (i % 50)) + "\tNA\t" + std::to_string(0.002 * i) + "\n";
    temp_dir.write_file("sims.txt", values);
    project.run_settings.UseSimFileForFDist2 = 1;
    project.run_settings.SimFileNameForFDist2 = (dir / "sims.txt").string().c_str();
    project.detectSelectedLociFromFSTHetComparison(false);
    // Read, not simulated: the simulated-values file keeps its header alone.
    std::string sim = file("fdist2_simOut.txt");
    EXPECT_EQ(std::count(sim.begin(), sim.end(), '\n'), 1);
    EXPECT_NE(file("fdist2_ObsOut.txt").find("\n10\t"), std::string::npos);

    project.run_settings.SimFileNameForFDist2 = (dir / "missing.txt").string().c_str();
    project.detectSelectedLociFromFSTHetComparison(false);
    EXPECT_NE(take_log().find("No complete record of simulated values could be read from"),
              std::string::npos);
    sim = file("fdist2_simOut.txt");
    EXPECT_EQ(std::count(sim.begin(), sim.end(), '\n'), 41);
}

TEST_F(SelectionScanRunTest, ParameterFileProducesSimulatedProjects)
{
    makeSamples();
    temp_dir.write_file("simParamFile.txt",
                        "p\nfiles\n3\nloci\n12\ngroups\n2\ndemes\n5\nFSC\n0.05\nFCT\n0.03\n");
    project.detectSelectedLociFromFSTHetComparison(false);
    EXPECT_EQ(file("sims.drb"), "_sim1.drp\n_sim2.drp\n_sim3.drp\n");
    for (int k = 1; k <= 3; ++k) {
        std::string drp = file(("proj_sim" + std::to_string(k) + ".drp").c_str());
        EXPECT_NE(drp.find("SampleName=\"east\""), std::string::npos);
        EXPECT_NE(drp.find("[[Structure]]"), std::string::npos);
    }
    EXPECT_FALSE(std::filesystem::exists(dir / "fdist2_ObsOut.txt"));
    results.flush();
    EXPECT_EQ(file("r.htm").find("island model"), std::string::npos);
}

TEST_F(SelectionScanRunTest, StopRequestAtTheFirstStepWritesNothing)
{
    makeSamples();
    Samples* samples = project.samples;
    project.run_settings.stop_requested = 1;
    project.detectSelectedLociFromFSTHetComparison(false);
    results.flush();
    EXPECT_EQ(file("r.htm"), "");
    EXPECT_FALSE(std::filesystem::exists(dir / "fdist2_simOut.txt"));
    EXPECT_EQ(project.samples, samples);
    EXPECT_EQ(project.run_settings.TaskNumber, 0);
    EXPECT_FALSE(project.run_settings.selection_scan_running);
    EXPECT_TRUE(htmlOutput);
}
