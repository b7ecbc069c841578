// The per-sample driver frame: banner, title boxes in each data type's order,
// refusals of genotypes of unknown phase, the stop request, the once-per-call
// preparation steps and the values of the standard diversity indices.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <memory>
#include <regex>
#include <string>
#include <tuple>
#include <vector>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/popgen/driver_frame.h"
#include "app/glbobj.h"
#include "project/sample_project_fixture.h"
#include "project/samples.h"

namespace {

using ::testing::EndsWith;
using ::testing::HasSubstr;
using ::testing::Not;

const int kAllSections = 0x41ff | settings::PAIRWISE_DISTANCES;

const std::string kSequenceOrder[] = {
    "31 Standard diversity indices",
    "32 Molecular diversity indices",
    "26 Mismatch distribution",
    "36 Haplotypes frequency estimation",
    "36 Pairwise linkage disequilibrium",
    "31 Hardy-Weinberg equilibrium",
    "42 Tajima's test of selective neutrality",
    "50 Ewens-Watterson tests of selective neutrality",
    "47 Chakraborty's test of selective neutrality",
    "47 Fu's Fs test of selective neutrality",
};

std::string rule(int n)
{
    return std::string(n, '=');
}

class DriverFrameTest : public SampleProjectTest {
protected:
    std::filesystem::path results_path;
    std::fstream results;
    std::size_t taken = 0;

    void SetUp() override
    {
        SampleProjectTest::SetUp();
        results_path = dir / "run.htm";
        s.results_file = results_path.string().c_str();
        s.tree_data_file = (dir / "run.js").string().c_str();
        s.ld_file = (dir / "ld_dis.xl").string().c_str();
        s.run_date = "01/02/03 at 04:05:06";
        results.open(results_path, std::ios::in | std::ios::out | std::ios::trunc);
        s.results_stream = &results;
    }

    void TearDown() override
    {
        s.results_stream = nullptr;
        SampleProjectTest::TearDown();
    }

    // The driver of the current data type run on a copy of `sample` with
    // this task; what it wrote into the results.
    std::string drive(Population& sample, int task)
    {
        std::unique_ptr<Population> typed(make_data_type_sample(sample));
        s.TaskNumber = task;
        typed->test_methods(s);
        return take_results();
    }

    std::string take_results()
    {
        results.flush();
        std::string all = read_text(results_path);
        std::string fresh = all.substr(taken);
        taken = all.size();
        return fresh;
    }

    // The title boxes of `text` as "<rule length> <title>", each checked to
    // name the sample and to close with its rule.
    static std::vector<std::string> titles(std::string const& text, const char* sample)
    {
        static const std::regex box(R"(\n(=+)\n== (.*?) : \(([^\n]*)\)\n(=+)\n\n)");
        std::vector<std::string> found;
        for (auto it = std::sregex_iterator(text.begin(), text.end(), box);
             it != std::sregex_iterator(); ++it) {
            EXPECT_EQ((*it)[3].str(), sample);
            EXPECT_EQ((*it)[1].str(), (*it)[4].str());
            found.push_back(std::to_string((*it)[1].length()) + " " + (*it)[2].str());
        }
        return found;
    }

    static std::string banner(std::string const& name)
    {
        return "\n" + rule(79) + "\n== Sample : \t" + name + "\n" + rule(79) + "\n\n";
    }

    // Genotypes of unknown phase of the current data type.
    Population& unphased_sample()
    {
        use_profile(ProfileSettings::DataType, 1, 0);
        s.genotypic_data = 1;
        s.gametic_phase = 0;
        return genotypic_sample("G", {{"AC", "AG", 1}, {"AC", "TG", 2}});
    }

    // Every sample of the project becomes an object of its data type, as
    // the project reader leaves them.
    void type_the_samples()
    {
        MY_TIArrayAsVector<Population>& list = project.samples->Populations;
        for (int i = 0; i < list.count; ++i) {
            Population* read = list.data[i];
            list.data[i] = make_data_type_sample(*read);
            delete read;
        }
    }
};

TEST_F(DriverFrameTest, BannerOnlyWithSectionsThatWriteResults)
{
    Population& sample = haplotypic_sample("A", {{"ACGT", 5}, {"ACGA", 5}});
    const struct {
        int task;
        bool banner;
    } cases[] = {
        {0, false},
        {settings::PAIRWISE_DISTANCES, false},
        {settings::AMOVA_PERMUTATION_PREPARATION, false},
        {settings::MISMATCH_DISTRIBUTION, true},
        {settings::FU_FS_TEST, true},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.task);
        std::string text = drive(sample, c.task);
        if (c.banner)
            EXPECT_THAT(text, HasSubstr("</A>\n" + banner("A")));
        else
            EXPECT_EQ(text, "");
    }
    EXPECT_EQ(count_of(read_text(dir / "run.js"), "insDoc("), 2);
    EXPECT_THAT(read_text(dir / "run.js"), HasSubstr("_group0"));
}

// Counts 5 and 5: F = 0.5, H = 5/9 = 0.5556, s.d. sqrt(1/180) = 0.0745.
TEST_F(DriverFrameTest, StandardDiversityIndicesOfASample)
{
    Population& sample = haplotypic_sample("A", {{"ACGT", 5}, {"ACGA", 5}});
    for (int i = 0; i < project.haplo_list.list.count; ++i)
        project.haplo_list.list.data[i]->build_haplovect(&project.allele_db, 0, 0, 0.1);
    std::string text = drive(sample, settings::STANDARD_INDICES);

    // The per-locus table: site 4 alone varies, He = 10/9 (1 - 50/100).
    const std::string dashes(49, '-');
    EXPECT_EQ(text.substr(text.find("\n=")),
              banner("A") + "\n" + rule(31) + "\n== Standard diversity indices : (A)\n" + rule(31)
                  + "\n\nReference: <i>Nei M. 1987.</i>\n"
                    "No. of gene copies       : 10\nNo. of sequences         : 2\n"
                    "No. of loci              : 4\n"
                    "No. of usable loci       : 4 loci with less than  5.00 % missing data\n"
                    "No. of polymorphic sites : 1\n"
                    "\n\nResults are only shown for polymorphic loci\n" + dashes + "\n"
                    "           Num.\n           gene     Num.        Exp.\n"
                    "Locus#    copies   alleles       Het\n" + dashes + "\n"
                    "     4        10         2   0.55556\n" + dashes + "\n"
                    "  Mean    10.000     2.000   0.55556\n"
                    "  s.d.     0.000     0.000   0.00000\n" + dashes + "\n\n"
                    "\nHaplotype-level computations\n"
                    "----------------------------\n"
                    "\nSum of square freqs.     :  0.5000"
                    "\nGene diversity           :  0.5556 +/-  0.0745\n\n"
                    "(Standard deviation is for the sampling process)\n");
    EXPECT_EQ(log_text(), "\tComputing standard diversity indices ...\n\tdone !\n");

    // Recessive data skip the section without a word; no banner either way.
    s.RecessiveAllelesEM = 1;
    EXPECT_THAT(drive(sample, settings::STANDARD_INDICES), Not(HasSubstr("Standard")));
}

// theta(H) for counts 5 and 5 solves t (1 + 2(t+1)/((t+2)(t+3))) = 1.25.
TEST_F(DriverFrameTest, ThetaHomInTheThetaBlock)
{
    Population& sample = haplotypic_sample("A", {{"ACGT", 5}, {"ACGA", 5}});
    Population& distinct = haplotypic_sample("B", {{"ACGT", 1}, {"ACGA", 1}, {"TCGA", 1}});
    const int task = settings::MOLECULAR_DIVERSITY;

    s.ComputeTheta = 0;
    EXPECT_THAT(drive(sample, task), Not(HasSubstr("Theta(Hom)")));
    s.ComputeTheta = settings::THETA_HOM;
    EXPECT_THAT(drive(sample, task),
                HasSubstr("\n       Theta(Hom) :     0.936292\n  S.D. Theta(Hom) :     0.287926\n"));
    EXPECT_THAT(drive(distinct, task),
                HasSubstr("\nUnable to compute Theta(Hom) when all gene copies are different\n"));
}

TEST_F(DriverFrameTest, SectionsInTheOrderOfEachDataType)
{
    std::vector<std::string> sequence(std::begin(kSequenceOrder), std::end(kSequenceOrder));
    std::vector<std::string> allele = sequence;
    // Fu's Fs comes before the Ewens-Watterson test, with a rule of 42.
    allele.erase(allele.begin() + 9);
    allele.insert(allele.begin() + 7, "42 Fu's Fs test of selective neutrality");
    const struct {
        TDataType type;
        std::vector<std::string> const& order;
    } cases[] = {
        {DNA, sequence}, {RFLP, sequence}, {MICROSAT, allele}, {STANDARD, allele}, {FREQUENCY, allele},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.type);
        use_profile(c.type, 0, 1);
        Population& sample = haplotypic_sample("pop", {{"1", 2}, {"0", 1}});
        std::string text = drive(sample, kAllSections);
        EXPECT_EQ(titles(text, "pop"), c.order);
        EXPECT_EQ(text.find(banner("pop")), text.find("</A>\n") + 5);
    }
}

TEST_F(DriverFrameTest, GenotypesOfUnknownPhaseAreRefusedWithoutTitle)
{
    auto refusal = [](std::string first) {
        return first + "in case of genotypic data with unknown gametic phase\n\n"
                       "We hope to change it in a future release...\n\n";
    };
    const std::string mismatch = refusal("Mismatch distribution cannot be computed \n");
    const std::string tajima = refusal("Tajima's test cannot be computed \n");
    const std::string chakraborty = refusal("Chakraborty's test cannot be computed \n");
    const std::string fu = refusal("Fu's Fs test cannot be computed \n");
    const std::vector<std::string> kept = {
        "31 Standard diversity indices",      "32 Molecular diversity indices",
        "36 Haplotypes frequency estimation", "36 Pairwise linkage disequilibrium",
        "31 Hardy-Weinberg equilibrium"};
    std::vector<std::string> allele_kept = kept;
    allele_kept.push_back("42 Tajima's test of selective neutrality");
    allele_kept.push_back("42 Fu's Fs test of selective neutrality");
    const struct {
        TDataType type;
        std::vector<std::string> refusals;  // in the order of the sections
        std::vector<std::string> const& titles;
    } cases[] = {
        {DNA, {mismatch, tajima, refusal("Ewens-Watterson tests cannot be computed \n"), chakraborty, fu}, kept},
        {RFLP, {mismatch, tajima, refusal("Ewens-Watterson test cannot be computed \n"), chakraborty, fu}, kept},
        {MICROSAT, {mismatch, refusal("Ewens-Watterson test cannot be computed \n"), chakraborty}, allele_kept},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.type);
        use_profile(c.type, 1, 0);
        std::string text = drive(unphased_sample(), kAllSections);
        EXPECT_EQ(titles(text, "G"), c.titles);
        std::string::size_type at = 0;
        for (std::string const& r : c.refusals) {
            std::string::size_type found = text.find(r, at);
            ASSERT_NE(found, std::string::npos) << r;
            at = found + r.size();
        }
        EXPECT_EQ(count_of(text, "We hope"), static_cast<int>(c.refusals.size()));
    }
}

// A stop request seen after a section's progress report: the earlier output
// stays, nothing follows, the class list (made before the Ewens-Watterson
// section) is freed.
TEST_F(DriverFrameTest, StopRequestEndsTheSampleAfterAProgressReport)
{
    Population& sample = haplotypic_sample("A", {{"ACGT", 5}, {"ACGA", 5}});
    const struct {
        int task;
        std::vector<std::string> titles;
    } cases[] = {
        {settings::STANDARD_INDICES | settings::MOLECULAR_DIVERSITY, {}},
        {settings::MOLECULAR_DIVERSITY | settings::MISMATCH_DISTRIBUTION | settings::TAJIMA_TEST,
         {"32 Molecular diversity indices", "26 Mismatch distribution"}},
        {settings::MOLECULAR_DIVERSITY | settings::EWENS_WATTERSON_TEST | settings::CHAKRABORTY_TEST,
         {"32 Molecular diversity indices", "50 Ewens-Watterson tests of selective neutrality"}},
    };
    s.stop_requested = 1;
    for (auto const& c : cases) {
        SCOPED_TRACE(c.task);
        std::string text = drive(sample, c.task);
        EXPECT_THAT(text, HasSubstr(banner("A")));
        EXPECT_EQ(titles(text, "A"), c.titles);
    }
    EXPECT_EQ(drive(sample, settings::PAIRWISE_DISTANCES), "");
}

// At the Ewens-Watterson progress report a stop request ends the
// microsatellite driver; the standard driver goes on to the test and stops
// at Chakraborty's.
TEST_F(DriverFrameTest, StopRequestAtTheEwensWattersonTest)
{
    const int task = settings::EWENS_WATTERSON_TEST | settings::CHAKRABORTY_TEST;
    const std::string ewens = "50 Ewens-Watterson tests of selective neutrality";
    const struct {
        TDataType type;
        std::vector<std::string> titles;
    } cases[] = {
        {MICROSAT, {ewens}},
        {STANDARD, {ewens, "47 Chakraborty's test of selective neutrality"}},
    };
    s.stop_requested = 1;
    for (auto const& c : cases) {
        SCOPED_TRACE(c.type);
        use_profile(c.type, 0, 1);
        Population& sample = haplotypic_sample("pop", {{"1", 2}, {"0", 1}});
        EXPECT_EQ(titles(drive(sample, task), "pop"), c.titles);
    }
}

// A DNA sample that counts its preparation steps.
class CountingDNA : public PopulDNA {
public:
    int checks = 0;
    int evaluations = 0;
    explicit CountingDNA(Population const& p) : PopulDNA(p) {}
    int check_data() override { return ++checks; }
    int evaluate_polymorphism(settings const&) override { return ++evaluations; }
};

// The standard and molecular diversity sections set only the check flag, so
// a later section that tests the polymorphism flag evaluates once more.
TEST_F(DriverFrameTest, PreparationStepsRunOncePerFlag)
{
    Population& sample = haplotypic_sample("A", {{"ACGT", 5}, {"ACGA", 5}});
    const struct {
        int task;
        int checks;
        int evaluations;
    } cases[] = {
        {settings::MOLECULAR_DIVERSITY | settings::PAIRWISE_DISTANCES, 1, 2},
        {settings::STANDARD_INDICES | settings::MOLECULAR_DIVERSITY, 1, 1},
        {settings::MOLECULAR_DIVERSITY | settings::MISMATCH_DISTRIBUTION
             | settings::LINKAGE_DISEQUILIBRIUM, 1, 1},
        {settings::MOLECULAR_DIVERSITY | settings::LINKAGE_DISEQUILIBRIUM, 1, 2},
        {settings::PAIRWISE_DISTANCES | settings::TAJIMA_TEST, 1, 1},
        {settings::MISMATCH_DISTRIBUTION | settings::TAJIMA_TEST, 0, 1},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.task);
        CountingDNA counted(sample);
        s.TaskNumber = c.task;
        counted.test_methods(s);
        EXPECT_EQ(counted.checks, c.checks);
        EXPECT_EQ(counted.evaluations, c.evaluations);
    }
}

// A DNA sample whose own distance matrix raises the stop request as soon as
// it is made: the neutrality tests print their observed values, and the
// request is pending while the replicates run.
class StoppingDNA : public PopulDNA {
public:
    explicit StoppingDNA(Population const& p) : PopulDNA(p) {}
    int compute_distance_matrix(std::fstream* out, settings* s, int scaled) override
    {
        const int made = PopulDNA::compute_distance_matrix(out, s, scaled);
        s->stop_requested = 1;
        return made;
    }
};

// Tajima's replicates see the request before the first replicate, Fu's at
// the progress report of the 50th: the title and the observed values stay,
// no summary follows, no later section runs, and the sample's batch line is
// ended after its observed values (n, S, theta(S), k, D, P; n, k, theta, Fs).
TEST_F(DriverFrameTest, StopRequestDuringTheReplicates)
{
    const auto saved = std::make_tuple(_TAJIMA_, _FU_FS_, ofs_tajima, ofs_fu_fs);
    std::ofstream tajima(dir / "tajima.sum"), fu(dir / "fu_fs.sum");
    _TAJIMA_ = _FU_FS_ = 1;
    ofs_tajima = &tajima;
    ofs_fu_fs = &fu;
    Population& sample =
        haplotypic_sample("A", {{"ACGTACGT", 3}, {"ACGAACGT", 2}, {"TCGAACGT", 1}});
    s.NumSimulFuTest = 100;
    const struct {
        int task;
        const char* title;
        const char* observed;
        std::ofstream& batch;
        const char* batch_name;
        int batch_fields;
    } cases[] = {
        {settings::TAJIMA_TEST | settings::EWENS_WATTERSON_TEST,
         "42 Tajima's test of selective neutrality",
         "Mean No. of pairwise differences (Pi) :  0.93333\n", tajima, "tajima.sum", 8},
        {settings::FU_FS_TEST, "47 Fu's Fs test of selective neutrality",
         "Theta(Pi)                    :     0.93333\n", fu, "fu_fs.sum", 6},
    };
    for (auto const& c : cases) {
        SCOPED_TRACE(c.title);
        s.stop_requested = 0;
        StoppingDNA stopping(sample);
        s.TaskNumber = c.task;
        stopping.test_methods(s);
        const std::string text = take_results();
        EXPECT_EQ(titles(text, "A"), std::vector<std::string>{c.title});
        EXPECT_THAT(text, HasSubstr(c.observed));
        EXPECT_THAT(text, Not(HasSubstr("No. of simulations")));
        c.batch.flush();
        const std::string line = read_text(dir / c.batch_name);
        EXPECT_EQ(count_of(line, "\t") + 1, c.batch_fields) << line;
        EXPECT_THAT(line, EndsWith("\n"));
    }
    std::tie(_TAJIMA_, _FU_FS_, ofs_tajima, ofs_fu_fs) = saved;
}

// Every sample of a level runs its driver; the Stirling-number table is
// shrunk once the level is done.
TEST_F(DriverFrameTest, LevelRunsEveryDriverThenShrinksTheTable)
{
    haplotypic_sample("A", {{"ACGT", 5}, {"ACGA", 5}});
    haplotypic_sample("B", {{"ACGT", 2}});
    type_the_samples();
    PopGenetics::_B_num_exist = 0;
    ASSERT_EQ(PopGenetics::BMat.re_allocate_matrix(200, 80), 1);
    s.TaskNumber = settings::STANDARD_INDICES;

    project.samples->compute_stuff(&project, s);

    std::string text = take_results();
    EXPECT_EQ(count_of(text, "== Standard diversity indices : ("), 2);
    EXPECT_LT(text.find(banner("A")), text.find(banner("B")));
    EXPECT_EQ(PopGenetics::BMat.n, 5);
    EXPECT_EQ(PopGenetics::BMat.k, 5);
}

}  // namespace
