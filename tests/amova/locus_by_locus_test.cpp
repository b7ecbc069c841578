// The locus-by-locus AMOVA of a project: every locus analysed alone equals
// the global AMOVA of a project holding that locus only; the allele database
// keeps each locus's statistics; what the loop borrows of the project is put
// back; and the published cat-colony data (17 colonies, 9 loci) average to
// the sums of a per-locus AMOVA worked from the textbook formulas.

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <fstream>
#include <iomanip>
#include <map>
#include <memory>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "amova/amova_table.h"
#include "app/glbobj.h"
#include "project/project.h"
#include "support/temp_log.h"

using ::testing::HasSubstr;
using ::testing::Not;

namespace {

// Haplotypic samples: per population its {haplotype, count} records; one
// character per locus; groups of populations by position.
struct Data {
    std::vector<std::vector<std::pair<std::string, int>>> pops;
    std::vector<std::vector<int>> groups;
};

class LocusByLocusTest : public LogFolderTest {
protected:
    struct Run {
        Project project;
        std::fstream results;
    };

    void SetUp() override
    {
        initialize_drovalen_global_objects();  // fills DistanceNames
        saved_type_ = ProfileSettings::DataType;
        saved_separator_ = ProfileSettings::LocusSeparator;
    }
    void TearDown() override
    {
        ProfileSettings::DataType = saved_type_;
        ProfileSettings::LocusSeparator = saved_separator_;
    }

    // A project of these data, restricted to one site when site >= 0, with
    // its results file `name` in the test's folder.
    std::unique_ptr<Run> make(Data const& d, TDataType type, std::string const& name,
                              int site = -1)
    {
        auto run = std::make_unique<Run>();
        Project& p = run->project;
        ProfileSettings::DataType = type;
        ProfileSettings::LocusSeparator = 0;
        p.profile.GenotypicData = 0;
        static_cast<ProfileSettings&>(*p.samples) = p.profile;
        for (std::size_t k = 0; k < d.pops.size(); ++k) {
            Population* pop = new Population(my_string(("pop" + std::to_string(k + 1)).c_str()),
                                             static_cast<int>(k), p.profile);
            pop->alleleDB = &p.allele_db;
            for (auto const& [full, n] : d.pops[k]) {
                std::string content = site < 0 ? full : full.substr(site, 1);
                my_string text(content.c_str());
                HaploDef* def = p.haplo_list.find(text);
                if (!def) {
                    def = new HaploDef(my_string(("id_" + content).c_str()));
                    def->content = content.c_str();
                    p.haplo_list.list.Add(def);
                }
                def->count += n;
                pop->haplotypes.Add(new PHaploDef(def, n));
                pop->SampleSize += n;
                pop->num_haplotypes += 1;
            }
            p.samples->Populations.Add(pop);
        }
        p.samples->Populations.data[0]->make_all_blanks(0);
        p.build_all_vectors(p.allele_db);
        set_groups(p, d.groups);

        settings& s = p.run_settings;
        std::string path = (dir / (name + ".htm")).string();
        run->results.open(path, std::ios::out | std::ios::trunc);
        s.results_stream = &run->results;
        s.results_file = path.c_str();
        s.results_dir = (dir.string() + "/").c_str();
        s.tree_data_file = (dir / (name + ".js")).string().c_str();
        s.TaskNumber = settings::AMOVA;
        s.HaplAMOVA = 0;
        s.LocByLocAMOVA = 1;
        s.ComputeDistanceMatrixAMOVA = 1;
        s.ComputeConventionalFST = 0;
        s.DistanceMethodAMOVA = 0;
        s.IncludeIndividualLevel = 0;
        s.NumPermutationsAMOVA = 0;
        s.KeepNullDistrib = 0;
        s.PopSpecificFST = s.PopSpecificFIS = 0;
        s.ComputePairwiseFST = s.ComputeDeltaMuSqr = s.PrintMissIntermatchs = 0;
        s.current_samples = p.samples;
        return run;
    }

    static void set_groups(Project& p, std::vector<std::vector<int>> const& groups)
    {
        Structure& st = *p.structure;
        st.reset();
        int n = static_cast<int>(groups.size());
        st.NbGroups = n;
        st.GroupSizes = new int[n]();
        st.Groups = new MY_TIArrayAsVector<Population>[n];
        for (int g = 0; g < n; ++g) {
            st.Groups[g].owns = 0;
            for (int i : groups[g])
                st.Groups[g].Add(p.samples->Populations.data[i]);
            st.GroupSizes[g] = st.Groups[g].count;
            st.NbMembers += st.GroupSizes[g];
        }
    }

    static std::string text(Run& run)
    {
        run.results.flush();
        return read_text(std::string(run.project.run_settings.results_file.str));
    }

    // The global AMOVA of the one-site project.
    static void global_amova(Run& run, amova_results& record)
    {
        Project& p = run.project;
        p.run_settings.HaplAMOVA = 1;
        p.run_settings.LocByLocAMOVA = 0;
        ASSERT_EQ(p.calc_dist_matrix(0, 0.0), 1);
        ASSERT_EQ(p.AMOVA(p.dist_mat, p.haplo_list, *p.samples, *p.structure, p.allele_db,
                          &record),
                  1);
    }

    // The table row a record prints, under the locus number given.
    std::string row_of(amova_results& record, int locus)
    {
        AMOVA_table t;
        t.records.owns = 0;
        t.records.Add(&record);
        int kept = record.locus;
        record.locus = locus;
        std::string path = (dir / "row.txt").string();
        std::fstream o(path, std::ios::out | std::ios::trunc);
        t.print_table(o);
        o.close();
        record.locus = kept;
        return read_text(path);
    }

private:
    TDataType saved_type_ = DNA;
    char saved_separator_ = 0;
};

const Data THREE_LAKES = {{{{"ACGTA", 3}, {"ACCTA", 2}, {"TCGTA", 1}},
                           {{"ACCTA", 4}, {"GCCTA", 1}, {"ACGTA", 1}},
                           {{"TCGAA", 2}, {"TCCTA", 3}, {"ACGAA", 2}}},
                          {{0, 1}, {2}}};

const Data ONE_LAKE_GROUP = {{{{"ACGTA", 3}, {"ACCTA", 2}, {"TCGTA", 1}},
                              {{"ACCTA", 4}, {"GCCTA", 1}, {"ACGTA", 1}},
                              {{"TCGAA", 2}, {"TCCTA", 3}, {"ACGAA", 2}}},
                             {{0, 1, 2}}};

// Each locus's row and statistics equal the global AMOVA of a project that
// holds that locus alone, for groups of populations and for one group.
TEST_F(LocusByLocusTest, EachLocusEqualsTheAmovaOfItsOneLocusProject)
{
    for (Data const* d : {&THREE_LAKES, &ONE_LAKE_GROUP}) {
        auto all = make(*d, DNA, "all");
        all->project.LocusByLocusAMOVA(&all->results);
        std::string table = text(*all);
        for (int site : {0, 2, 3}) {  // sites 2 and 5 are monomorphic
            auto one = make(*d, DNA, "one" + std::to_string(site), site);
            amova_results record;
            global_amova(*one, record);
            EXPECT_EQ(record.amova_case, d->groups.size() == 2 ? 3 : 1);
            double const* stats = all->project.allele_db.loci.data[site]->locus_results;
            const double want[10] = {record.var_1,     record.var_2,     record.var_3,
                                     record.var_4,     record.var_total, record.fis_index,
                                     record.fst_index, record.fsc_index, record.fct_index,
                                     record.fit_index};
            for (int k = 0; k < 10; ++k)
                EXPECT_DOUBLE_EQ(stats[k], want[k]) << "site " << site << " statistic " << k;
            EXPECT_THAT(table, HasSubstr(row_of(record, site)));
        }
        EXPECT_THAT(table, HasSubstr("List of loci with only one allele:\n"
                                     "----------------------------------\n\n2 5 \n"));
        EXPECT_THAT(table, HasSubstr("(average over 3 loci):"));
        EXPECT_EQ(all->project.allele_db.loci.data[1]->locus_results[TLocus::LOCUS_FST], 0.0);
    }
}

// After the loop the project's own matrix (values, size, labels, constant
// flag) is back, and the current-data slots name the project's objects again.
TEST_F(LocusByLocusTest, ProjectMatrixAndCurrentDataAreRestored)
{
    auto run = make(THREE_LAKES, DNA, "m");
    Project& p = run->project;
    settings& s = p.run_settings;
    ASSERT_EQ(p.dist_mat.initializeMatrixAndArrays(2), 1);
    p.dist_mat(1, 0) = 7.5;
    p.dist_mat.labels[0] = "x";
    p.dist_mat.labels[1] = "y";
    s.DistanceMethodAMOVA = 2;
    p.LocusByLocusAMOVA(&run->results);
    EXPECT_EQ(p.dist_mat.size, 2);
    EXPECT_EQ(p.dist_mat.n, 2);
    EXPECT_EQ(p.dist_mat(1, 0), 7.5);
    EXPECT_STREQ(p.dist_mat.labels[1].str, "y");
    EXPECT_EQ(p.dist_mat.constant_mode, 0);
    EXPECT_EQ(s.current_samples, p.samples);
    EXPECT_EQ(s.current_structure, p.structure);
    EXPECT_EQ(s.current_haplotype_list, &p.haplo_list);
    EXPECT_EQ(s.TaskNumber, settings::AMOVA);
    // DNA loci are compared by pairwise difference whatever the method asked,
    // and the method asked is kept.
    EXPECT_EQ(s.DistanceMethodAMOVA, 2);
    EXPECT_THAT(text(*run), HasSubstr("Distance method for locus-by-locus analysis: "
                                      "Pairwise difference\n\n"));
}

// A structure unfit for an AMOVA abandons the loop: no output after the
// banner, and the project's matrix and settings are put back all the same.
TEST_F(LocusByLocusTest, AbandonedLoopStillRestoresTheProject)
{
    Data d = THREE_LAKES;
    d.groups = {{0}, {1}, {2}};  // one sample per group
    auto run = make(d, DNA, "abandon");
    Project& p = run->project;
    ASSERT_EQ(p.dist_mat.initializeMatrixAndArrays(3), 1);
    p.dist_mat(2, 1) = 4.0;
    p.run_settings.DistanceMethodAMOVA = 2;
    p.LocusByLocusAMOVA(&run->results);
    std::string t = text(*run);
    EXPECT_THAT(t, HasSubstr("Locus by locus AMOVA:"));
    EXPECT_THAT(t, Not(HasSubstr("List of loci with only one allele")));
    EXPECT_THAT(log_text(), HasSubstr("\"Project::AMOVA()\" : project contains invalid data"));
    EXPECT_EQ(p.dist_mat.size, 3);
    EXPECT_EQ(p.dist_mat(2, 1), 4.0);
    EXPECT_EQ(p.run_settings.DistanceMethodAMOVA, 2);
    EXPECT_EQ(p.run_settings.current_structure, p.structure);
}

TEST_F(LocusByLocusTest, ThirtyOneMonomorphicLociAndTheSelectionScan)
{
    std::string fixed(31, 'A');
    Data d = {{{{fixed + "A", 3}, {fixed + "C", 1}}, {{fixed + "C", 3}, {fixed + "A", 2}}},
              {{0, 1}}};
    auto run = make(d, DNA, "mono");
    run->project.run_settings.selection_scan_running = true;
    run->project.LocusByLocusAMOVA(&run->results);
    std::string t = text(*run);
    std::string first_line;
    for (int i = 1; i <= 30; ++i)
        first_line += std::to_string(i) + " ";
    EXPECT_THAT(t, HasSubstr("----------------------------------\n\n" + first_line + "\n31 \n"));
    EXPECT_THAT(t, HasSubstr("AMOVA Results for polymorphic loci only:"));
    EXPECT_THAT(t, HasSubstr("\n     32 "));
    EXPECT_THAT(t, Not(HasSubstr("weighted average over loci")));
}

// A test that did not run, without permutations or after a count that is
// refused (P' beyond the int range), prints N.A. as its P-value; with
// permutations each locus prints the share of its own test.
TEST_F(LocusByLocusTest, PValuesOfTestsThatDidNotRunAreNotAvailable)
{
    const struct {
        int permutations;
        bool tested;
    } cases[] = {{0, false}, {INT_MAX, false}, {10, true}};
    for (auto const& c : cases) {
        SCOPED_TRACE(c.permutations);
        auto run = make(THREE_LAKES, DNA, "p" + std::to_string(c.permutations));
        run->project.run_settings.NumPermutationsAMOVA = c.permutations;
        run->project.LocusByLocusAMOVA(&run->results);
        std::string t = text(*run);
        std::istringstream in(t.substr(t.find("AMOVA Results for polymorphic loci only:")));
        int rows = 0;
        for (std::string line; std::getline(in, line) && rows < 3;) {
            std::istringstream cells(line);
            std::vector<std::string> fields;
            for (std::string f; cells >> f;)
                fields.push_back(f);
            if (fields.size() != 19 || fields[0] == "Locus")
                continue;
            ++rows;
            // Locus, 3 levels of SSD, d.f., component and %, then FSC, FST
            // and FCT each with its P-value.
            for (int p : {14, 16, 18}) {
                if (c.tested) {
                    double value = std::stod(fields[p]);
                    EXPECT_TRUE(value >= 0 && value <= 1) << line;
                } else {
                    EXPECT_EQ(fields[p], "N.A.") << line;
                }
            }
        }
        EXPECT_EQ(rows, 3);  // loci 1, 3 and 4
    }
}

// An empty haplotype list has no locus: the sections are written empty.
TEST_F(LocusByLocusTest, EmptyHaplotypeListMeansNoLocus)
{
    auto run = make(THREE_LAKES, DNA, "empty");
    run->project.haplo_list.list.Flush();
    run->project.LocusByLocusAMOVA(&run->results);
    std::string t = text(*run);
    EXPECT_THAT(t, HasSubstr("List of loci with only one allele:\n"
                             "----------------------------------\n\n\n"));
    EXPECT_THAT(t, HasSubstr("AMOVA Results for polymorphic loci only:\n"
                             "----------------------------------------\n\n\n"));
}

// The loci are those of the haplotypes that the allele database also holds.
TEST_F(LocusByLocusTest, LociBeyondTheAlleleDatabaseAreNotRead)
{
    auto run = make(THREE_LAKES, DNA, "bounded");
    MY_TIArrayAsVector<TLocus>& loci = run->project.allele_db.loci;
    for (int k = 2; k < loci.count; ++k) {
        delete loci.data[k];
        loci.data[k] = nullptr;
    }
    loci.count = 2;
    run->project.LocusByLocusAMOVA(&run->results);
    std::string t = text(*run);
    EXPECT_THAT(t, HasSubstr("----------------------------------\n\n2 \n"));
    EXPECT_THAT(t, HasSubstr("(average over 1 loci):"));
}

// One group: the population-specific FST tables, one cell per population.
TEST_F(LocusByLocusTest, PopulationSpecificFstOfOneGroup)
{
    auto run = make(ONE_LAKE_GROUP, DNA, "popfst");
    run->project.run_settings.PopSpecificFST = 1;
    run->project.LocusByLocusAMOVA(&run->results);
    std::string t = text(*run);
    const std::string dashes(10 * 3 + 21, '-');
    EXPECT_THAT(t, HasSubstr("\nPopulation specific FST indices per polymorphic locus (absolute "
                             "values)\n" + dashes + "\n  Locus   Average FST      pop1      pop2"
                             "      pop3\n" + dashes + "\n      1"));
    EXPECT_THAT(t, HasSubstr("\nPopulation specific FST indices per polymorphic locus (relative "
                             "values (%) compared to average FST)\n"));
}

// Public microsatellite data: the domestic-cat colonies of Nancy (17
// colonies, 9 loci, GenePop format). Each cat gives two gene copies; a
// missing genotype ("0000") two missing copies; a locus at which a colony has
// no typed cat gets no AMOVA. The per-locus AMOVA of one
// group of populations (Excoffier et al. 1992) with distance 1 between
// different alleles, worked here from allele counts:
//   SSD(WP) = sum_p (n_p^2 - sum_a n_pa^2) / (2 n_p),
//   SSD(T)  = (N^2 - sum_a N_a^2) / (2 N),
//   n0 = (N - sum_p n_p^2 / N) / (P - 1),
//   Vb = SSD(WP) / (N - P),  Va = ((SSD(T) - SSD(WP)) / (P - 1) - Vb) / n0.
TEST_F(LocusByLocusTest, CatColoniesAverageEqualsIndependentPerLocusSums)
{
    std::ifstream in(std::string(DROV_TEST_DATA) + "/translator/nancycats.gen");
    ASSERT_TRUE(in.is_open());
    std::string line;
    std::getline(in, line);
    for (int l = 0; l < 9; ++l)
        std::getline(in, line);
    std::vector<std::vector<std::vector<std::string>>> cats;  // pop, cat, locus genotype
    while (std::getline(in, line)) {
        if (line.rfind("Pop", 0) == 0 || line.rfind("pop", 0) == 0) {
            cats.emplace_back();
            continue;
        }
        std::istringstream fields(line.substr(line.find(',') + 1));
        std::vector<std::string> g;
        for (std::string f; fields >> f;)
            g.push_back(f);
        cats.back().push_back(g);
    }
    ASSERT_EQ(cats.size(), 17u);

    // Allele codes 01 .. 99 become one character each; missing is '?'.
    auto allele = [](std::string const& code) -> char {
        int a = std::stoi(code);
        return a == 0 ? '?' : static_cast<char>('A' + a - 1);
    };
    Data d;
    d.groups.push_back({});
    for (std::size_t p = 0; p < cats.size(); ++p) {
        std::map<std::string, int> haplotypes;
        for (auto const& cat : cats[p])
            for (int copy = 0; copy < 2; ++copy) {
                std::string h;
                for (std::string const& g : cat)
                    h += allele(g.substr(2 * copy, 2));
                ++haplotypes[h];
            }
        d.pops.emplace_back(haplotypes.begin(), haplotypes.end());
        d.groups[0].push_back(static_cast<int>(p));
    }
    auto run = make(d, STANDARD, "cats");
    run->project.LocusByLocusAMOVA(&run->results);

    double sum_va = 0, sum_t = 0;
    int analysed = 0;
    for (int locus = 0; locus < 9; ++locus) {
        const int P = 17;
        double N = 0, ssd_wp = 0, sum_np2 = 0;
        bool empty_colony = false;
        std::map<char, double> total;
        for (auto const& pop : cats) {
            std::map<char, double> counts;
            double n = 0;
            for (auto const& cat : pop)
                for (int copy = 0; copy < 2; ++copy) {
                    char a = allele(cat[locus].substr(2 * copy, 2));
                    if (a == '?')
                        continue;
                    ++counts[a];
                    ++total[a];
                    ++n;
                }
            if (n == 0) {
                empty_colony = true;
                continue;
            }
            double sq = 0;
            for (auto const& [a, c] : counts)
                sq += c * c;
            ssd_wp += (n * n - sq) / (2 * n);
            sum_np2 += n * n;
            N += n;
        }
        double const* stats = run->project.allele_db.loci.data[locus]->locus_results;
        if (empty_colony) {  // no AMOVA for this locus: its statistics say "not computed"
            EXPECT_EQ(stats[TLocus::LOCUS_FST], -2.0) << "locus " << locus + 1;
            continue;
        }
        ++analysed;
        double sq = 0;
        for (auto const& [a, c] : total)
            sq += c * c;
        double ssd_t = (N * N - sq) / (2 * N);
        double n0 = (N - sum_np2 / N) / (P - 1);
        double vb = ssd_wp / (N - P);
        double va = ((ssd_t - ssd_wp) / (P - 1) - vb) / n0;
        EXPECT_NEAR(stats[TLocus::LOCUS_VA], va, 1e-9) << "locus " << locus + 1;
        EXPECT_NEAR(stats[TLocus::LOCUS_TOTAL_VARIANCE], va + vb, 1e-9) << "locus " << locus + 1;
        sum_va += va;
        sum_t += va + vb;
    }
    std::ostringstream fst;
    fst.setf(std::ios::fixed | std::ios::showpoint);
    fst.precision(5);
    fst << "       FST : " << std::setw(12) << sum_va / sum_t << "\n";
    std::string t = text(*run);
    EXPECT_EQ(analysed, 8);  // one colony has no cat typed at fca45
    EXPECT_THAT(t, HasSubstr("(average over 8 loci):"));
    EXPECT_THAT(t, HasSubstr(fst.str()));
    std::ostringstream total_line;
    total_line.setf(std::ios::fixed | std::ios::showpoint);
    total_line.precision(5);
    total_line << std::setw(20) << sum_t << "\n";
    EXPECT_THAT(t, HasSubstr(total_line.str()));
}

}  // namespace
