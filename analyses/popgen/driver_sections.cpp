// The sections of the per-sample driver as every data type runs them unless
// it overrides one: for each, its console and progress lines, the stop test,
// the title box with the literature references, the once-per-call
// preparation steps and the closing console line. The analyses of a section
// go where its comment says; a section returns false when a stop request
// ends the driver.

#include <ctime>
#include <fstream>
#include <iomanip>

#include "analyses/popgen/driver_frame.h"
#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "project/project_file_lines.h"

namespace {

// Standard and allele-frequency samples, whose driver words some console
// lines its own way.
bool standard_data()
{
    return ProfileSettings::DataType == STANDARD || ProfileSettings::DataType == FREQUENCY;
}

}  // namespace

// 0x1. Skipped without a word for recessive data.
bool PopGenetics::standard_diversity_section(DriverCall& call)
{
    if (RecessiveAllelesEM)
        return true;
    call.console_step("Computing standard diversity indices ...");
    if (!call.report_progress("Computing standard diversity indices ..."))
        return false;
    const std::clock_t start = std::clock();
    call.title_box();
    // Microsatellite tables add the Garza-Williamson statistic.
    if (ProfileSettings::DataType == MICROSAT)
        call.cite({"Nei_M_1987", "Garza_J_Williamson_E"});
    else
        call.cite({"Nei_M_1987"});
    // Both steps always run here; only the check flag records it.
    check_data();
    evaluate_polymorphism(call.s);
    call.checked = true;
    // Sample counts and the per-locus table come before the haplotype level.
    sample_count_lines(call);
    if (call.s.genotypic_data)
        OutputAllelelNumberAndHetPerLocusDipl(individuals, call.results, call.s, true, true, true);
    else
        OutputAllelelNumberAndHetPerLocusHapl(call.results, call.s, true, true, true);
    if (call.haplotypes_known()) {
        calc_sample_homozygosity();
        calc_sample_sd_heterozygosity();
        print_haplotype_level_block(call.results);
    }
    call.results << std::endl;
    gen_div_line(call);
    // Individuals of known phase as two whole gene copies; standard data
    // have no such lines.
    if (profile.GenotypicData && profile.GameticPhase && ProfileSettings::DataType != STANDARD
        && ProfileSettings::DataType != FREQUENCY)
        compute_phenotype_heterozygosity(call.s, individuals);
    if (standard_data())
        call.done_since(start);
    else
        call.done();
    return true;
}

// 0x2. Recessive data are refused without a title.
bool PopGenetics::molecular_diversity_section(DriverCall& call)
{
    if (RecessiveAllelesEM) {
        call.results << "Molecular diversity indices cannot be computed \n"
                     << "for recessive data\n" << std::endl;
        return true;
    }
    call.console_step("Computing molecular diversity indices ...");
    call.report_progress_only("Computing molecular diversity indices ...");
    std::clock_t start = std::clock();
    call.title_box();
    call.cite({"Nei_M_1987", "Tajima_F_1983", "Tajima_F_1993", "Watterson_G_1975", "Zouros_E"});
    if (!call.checked) {
        check_data();
        start = std::clock();
        evaluate_polymorphism(call.s);
        call.checked = true;
    }
    molecular_diversity_lines(call);
    theta_lines(call);
    call.done_since(start);
    return true;
}

// The form of RFLP, microsatellite and standard samples: the title first,
// no progress report, and no console line for allele frequencies.
bool PopGenetics::title_first_molecular_diversity_section(DriverCall& call)
{
    if (RecessiveAllelesEM)
        return PopGenetics::molecular_diversity_section(call);
    call.title_box();
    call.cite({"Nei_M_1987", "Tajima_F_1983", "Tajima_F_1993", "Watterson_G_1975", "Zouros_E"});
    if (!call.checked) {
        check_data();
        evaluate_polymorphism(call.s);
        call.checked = true;
    }
    if (ProfileSettings::DataType != FREQUENCY)
        call.console_step("Computing molecular diversity...");
    const std::clock_t start = std::clock();
    molecular_diversity_lines(call);
    theta_lines(call);
    // Standard samples close the step right after their computation.
    if (!standard_data())
        call.done_since(start);
    return true;
}

void PopGenetics::molecular_diversity_lines(DriverCall&)
{
}

// theta(H) alone.
void PopGenetics::theta_lines(DriverCall& call)
{
    if (!(call.s.ComputeTheta & settings::THETA_HOM))
        return;
    if (SampleSize != num_haplotypes)
        print_theta_Hom(call.results);
    else
        call.results << "\nUnable to compute Theta(Hom) when all gene copies are different"
                     << std::endl;
}

// 0x4. Genotypes of unknown phase are refused by the frame.
bool PopGenetics::mismatch_section(DriverCall& call)
{
    call.title_box();
    call.cite({"Li_W", "Slatkin_M_Hudson_R", "Rogers_A_Harpending_H", "Harpending_H", "Rogers_A"});
    // Allele frequencies hold no gene copies to compare.
    if (ProfileSettings::DataType == FREQUENCY) {
        call.results << "Mismatch distribution cannot be computed \n"
                     << "in case of FREQUENCY data type." << std::endl;
        return true;
    }
    if (!call.report_progress("Computing mismatch distribution ..."))
        return false;
    if (!call.checked)
        evaluate_polymorphism(call.s);
    call.polymorphism_evaluated = true;
    call.console_step("Computing mismatch distribution...");
    std::clock_t start = std::clock();
    mismatch_lines(call);
    call.results << std::endl;
    call.done_since(start);
    return true;
}

// 0x8.
bool PopGenetics::haplotype_frequencies_section(DriverCall& call)
{
    call.title_box();
    call.cite({"Dempster_A_Laird_N_Rubin_D", "Long_J_Williams_R_Urbanek_M", "Hawley_M_Kidd_K",
               "Niu_T_etal", "QKR_Ref"});
    if (call.unknown_phase()) {
        if (!call.report_progress("Computing ML haplotype frequencies ...")
            || !gibbs_phase_step(call))
            return false;
        if (call.s.ComputeAllHaplotypesEM || call.s.ComputeAllAllelesEM) {
            comp_gam_phase_EM(call.s);
            if (call.s.stop_requested)
                return false;
        }
        return true;
    }
    const TDataType type = ProfileSettings::DataType;
    const char* progress = "Computing haplotype frequencies ... \n";
    const char* step = "Computing haplotype frequencies ...";
    if (type == RFLP) {
        progress = "Computing  haplotype frequencies ...\n";
        step = "Computing  haplotype frequencies ...";
    } else if (type == MICROSAT) {
        progress = "Computing haplotype frequencies ... ";
    } else if (standard_data()) {
        progress = "Computing ML haplotype frequencies ... ";
    }
    if (!call.report_progress(progress))
        return false;
    call.console_step(step);
    if (_ALLELE_FREQS_ && ofs_allele_freqs)
        *ofs_allele_freqs << '"' << settings::input_file << "\"\t";
    calc_hapl_dat_hapl_freq(call.s);
    if (type == DNA)
        call.done();
    else
        *_ZOS_ << "\tdone!" << std::endl;
    return true;
}

// 0x10.
bool PopGenetics::linkage_disequilibrium_section(DriverCall& call)
{
    call.title_box();
    call.cite({"Slatkin_M_1994a", "Lewontin_R_Kojima_K", "Lewontin_R_1964"});
    const int steps = call.s.MarkovChainStepsLD;
    if (!call.report_progress("Testing linkage disequilibrium ..."))
        return false;
    call.evaluate_polymorphism_once();
    const bool rflp = ProfileSettings::DataType == RFLP;
    if (call.unknown_phase())
        call.console_step(rflp ? "Testing linkage disequilibrium (Phenotypic data)..."
                               : "Testing linkage disequilibrium (phenotypic data)...");
    else
        call.console_step(rflp ? "Testing linkage disequilibrium (Haplotypic data)..."
                               : "Testing linkage disequilibrium (haplotypic data)...");
    const std::clock_t start = std::clock();
    if (call.unknown_phase())
        calc_all_link_dis(call.results, individuals, call.s, call.s.InitialConditionsEM,
                          call.s.MarkovChainStepsLD, call.s.MaximumNumOfIterationsEM,
                          call.s.EpsilonValue);
    else
        calc_all_gam_des(call.results, steps, call.s);
    if (!standard_data())
        call.done();
    else if (call.unknown_phase())
        *_ZOS_ << "\tdone !\n" << std::endl;
    else
        call.done_since(start);
    return true;
}

// 0x20.
bool PopGenetics::hardy_weinberg_section(DriverCall& call)
{
    call.title_box();
    call.cite({"Guo_S_Thompson_E", "Levene_H"});
    const long steps = call.s.MarkovChainStepsHW;
    if (!call.report_progress("Testing Hardy-Weinberg equilibrium ..."))
        return false;
    const std::clock_t start = std::clock();
    if (standard_data())
        *_ZOS_ << "\tTesting Hardy-Weinberg equilibrium ...";
    else
        call.console_step("Testing Hardy-Weinberg equilibrium ...");
    make_all_hw(call.results, individuals, steps, call.s);
    if (ProfileSettings::DataType == DNA)
        *_ZOS_ << "\tdone !\n" << std::endl;
    else if (standard_data())
        call.done_since(start);
    else
        call.done();
    return true;
}

// 0x800. No title and nothing in the results: the distances between the
// sample's haplotypes for the genetic-structure analyses.
bool PopGenetics::pairwise_distances_section(DriverCall& call)
{
    if (call.s.stop_requested)
        return false;
    call.check_once();
    call.evaluate_polymorphism_once();
    if (call.s.ComputeConventionalFST) {
        // The matrix also goes to a distance file in the result folder.
        my_string path = call.s.results_dir;
        path += get_small_name();
        path += ".dis";
        std::ofstream file(path.str);
        if (!file) {
            *_ZOS_ << "\t\tUnable to create the file \"" << path << "\"\n";
            E.error(WARNING, call.plan.where, 132);
        }
        compute_dist_mat_for_conventional_FST(file, &call.s);
    } else {
        const int method = call.s.DistanceMethodAMOVA;
        take_distance_settings(call.s, method, call.s.GammaAValueAMOVA);
        compute_distance_matrix(nullptr, &call.s, method != 0);
    }
    return true;
}

// 0x40.
bool PopGenetics::tajima_section(DriverCall& call)
{
    call.title_box();
    call.cite({"Tajima_F_1989", "Tajima_F_1996"});
    if (!call.report_progress("Testing neutrality: Computing Tajima's D ..."))
        return false;
    std::clock_t start = std::clock();
    *_ZOS_ << "\n\t\tComputing Tajima's D ...\n";
    call.evaluate_polymorphism_once();
    // Tajima's D and its coalescent P-value come here.
    call.done_since(start);
    return true;
}

// 0x80. At most one haplotype: a warning, and no test.
bool PopGenetics::ewens_watterson_section(DriverCall& call)
{
    call.title_box();
    call.cite({"Ewens_W", "Watterson_G_1978", "Slatkin_M_1994b", "Slatkin_M_1996", "Strobeck_C"});
    // The standard driver reports the step but does not stop here.
    if (!call.report_progress("Testing neutrality: Ewens-Watterson tests ...") && !standard_data())
        return false;
    const bool single = alleles_in_sample() <= 1;
    if (single) {
        *_ZOS_ << "\t\tWarning: Ewens-Watterson's test of selective neutrality cannot be performed \n"
               << "\t\twhen there is a single haplotype in the sample. Skipping task...\n"
               << std::endl;
        call.results << "Warning: Ewens-Watterson's test of selective neutrality cannot be "
                        "performed \n"
                     << "when there is a single haplotype in the sample. Skipping task...\n"
                     << std::endl;
    }
    std::clock_t start = std::clock();
    *_ZOS_ << "\t\tComputing BMat ..." << "\n";
    if (!get_B_num_mat() || single) {
        *_ZOS_ << (standard_data() ? "\t\t\tFile *.bnb not found... skipping task !\n"
                                   : "\t\tFile 500k100.bnb not found... skipping task !\n");
        return true;
    }
    *_ZOS_ << "\t\tdone ! (" << milliseconds_since(start) << " ms)\n";
    start = std::clock();
    *_ZOS_ << "\tTesting neutrality (Ewens-Watterson )..." << "\n";
    if (call.fill_classes())
        EW_neutrality_tests(call.s, call.results, *call.classes);
    call.done_since(start);
    return true;
}

// 0x100.
bool PopGenetics::chakraborty_section(DriverCall& call)
{
    call.title_box();
    call.cite({"Chakraborty_R"});
    if (!call.report_progress("Testing neutrality: Chakraborty's test ..."))
        return false;
    const std::clock_t start = std::clock();
    *_ZOS_ << "\t\tComputing BMat ..." << "\n";
    if (!get_B_num_mat()) {
        if (standard_data())
            *_ZOS_ << "\tFile not found... skipping task !\n";
        else if (ProfileSettings::DataType == DNA)
            *_ZOS_ << "\t\tFile not found... skipping task !\n";
        else
            *_ZOS_ << "\t\t\tFile not found... skipping task !\n";
        return true;
    }
    *_ZOS_ << "\t\tdone ! (" << milliseconds_since(start) << " ms)\n";
    *_ZOS_ << "\tPerforming Chakraborty's neutrality and amalgamation test ..." << "\n";
    if (!call.s.InferHaplotypeDefinitionFromDistanceMatrix)
        Chakraborty_neutr_test(call.results);
    else if (call.fill_classes())
        Chakraborty_neutr_test(call.results, *call.classes);
    call.done_since(start);
    return true;
}

// 0x4000.
bool PopGenetics::fu_fs_section(DriverCall& call)
{
    call.title_box();
    call.cite({"Fu_Y_1997"});
    // Fu's Fs and its coalescent P-value come here.
    return call.report_progress("Testing neutrality: Fu's Fs test ...");
}

void PopGenetics::print_haplotype_level_block(std::ostream& out)
{
    out << std::fixed << std::showpoint << std::right << std::setprecision(4);
    out << "\nHaplotype-level computations\n"
        << "----------------------------\n"
        << "\nSum of square freqs.     : " << std::setw(7) << calc_F()
        << "\nGene diversity           : " << std::setw(7) << GeneDiversity << " +/- "
        << std::setw(7) << GeneDiversitySD << "\n\n"
        << "(Standard deviation is for the sampling process)";
}

void PopGenetics::print_theta_Hom(std::ostream& out)
{
    double theta = calc_theta_Hom();
    out << std::fixed << std::showpoint << std::right << std::setprecision(6);
    out << "\n" << std::setw(20) << "Theta(Hom) : " << std::setw(12) << theta << "\n"
        << std::setw(20) << "S.D. Theta(Hom) : " << std::setw(12) << ThetaHomSD << std::endl;
}
