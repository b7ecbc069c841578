// The sample counts of the standard-diversity section with their gen_div
// batch line, in the words of each data type, and the refusal of Tajima's and
// Fu's tests by microsatellite, standard and allele-frequency samples, which
// need sequences.

#include <ctime>
#include <initializer_list>
#include <iomanip>
#include <ostream>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/datatypes/popul_standard.h"
#include "analyses/popgen/driver_frame.h"
#include "app/glbobj.h"
#include "app/settings.h"

namespace {

// Haplotypes of a sample pooled at distance 0 also count as read.
bool shows_original_haplotypes(PopGenetics const& p, settings const& s)
{
    return s.InferHaplotypeDefinitionFromDistanceMatrix && p.profile.GenotypicData == 0
           && ProfileSettings::DataType != FREQUENCY;
}

// The title box, the references and the refusal of a neutrality test.
bool refuse_test(DriverCall& call, std::initializer_list<const char*> keys, const char* text)
{
    call.title_box();
    call.cite(keys);
    call.results << text << std::endl;
    return true;
}

const SampleCountLabels kAlleleLabels = {
    "\nNo. haplotypes           : ", "\nhaplotypes in sample     : ",
    "\nNo. of polymorphic loci  : ", true};
const SampleCountLabels kDnaLabels = {
    "\nNo. of sequences         : ", "\nsequences in sample      : ",
    "\nNo. of polymorphic sites : ", true};
// RFLP samples print the count before pooling but leave it out of gen_div.
const SampleCountLabels kRflpLabels = {
    "\nNo. haplotypes           : ", "\nhaplotypes in sample     : ",
    "\nNo. of polymorphic sites : ", false};

}  // namespace

void PopGenetics::sample_count_block(DriverCall& call, SampleCountLabels const& labels)
{
    std::ostream& out = call.results;
    out << "No. of gene copies       : " << static_cast<int>(SampleSize);
    if (call.haplotypes_known())
        out << labels.haplotypes << num_haplotypes;
    if (shows_original_haplotypes(*this, call.s))
        out << "\nNo. of original " << labels.original << nbInitialHaplotypes;
    out << "\nNo. of loci              : " << num_loci_cached()
        << "\nNo. of usable loci       : " << NumUsableLoci << " loci with less than "
        << std::fixed << std::showpoint << std::right << std::setprecision(2) << std::setw(5)
        << AllowedMissingLevel * 100.0 << " % missing data" << labels.polymorphic
        << NumPolymSites << "\n";
}

void PopGenetics::gen_div_block(DriverCall& call, SampleCountLabels const& labels)
{
    if (!_GENE_DIVERSITY_ || !ofs_gen_div)
        return;
    std::ostream& out = *ofs_gen_div;
    write_batch_prefix(out, name);
    out << static_cast<int>(SampleSize) << '\t' << num_haplotypes << '\t';
    if (labels.original_in_batch && shows_original_haplotypes(*this, call.s))
        out << nbInitialHaplotypes << '\t';
    const double heterozygosity = 1.0 - calc_sample_homozygosity();
    out << std::fixed << num_loci_cached() << '\t' << NumUsableLoci << '\t' << NumPolymSites
        << '\t' << std::setprecision(6) << heterozygosity << "\n";
}

void PopGenetics::allele_mol_div_line(double mean_pair_diff, double mean_gene_diversity)
{
    if (!_MOLECULAR_DIVERSITY_ || !ofs_mol_div)
        return;
    std::ostream& out = *ofs_mol_div;
    write_batch_prefix(out, name);
    // The "none" columns are those only DNA data fill.
    out << std::setprecision(3) << "none\tnone\tnone\t" << AllowedMissingLevel
        << "\tnone\tnone\tnone\tnone\t" << NumPolymSites << "\tnone\t" << NumUsableLoci << '\t';
    if (ProfileSettings::DataType == FREQUENCY)
        out << "none\tnone\n";
    else
        out << std::fixed << std::setprecision(6) << mean_pair_diff << '\t' << mean_gene_diversity
            << "\n";
}

void PopulDNA::sample_count_lines(DriverCall& call)
{
    sample_count_block(call, kDnaLabels);
}

void PopulDNA::gen_div_line(DriverCall& call)
{
    gen_div_block(call, kDnaLabels);
}

void PopulRFLP::sample_count_lines(DriverCall& call)
{
    sample_count_block(call, kRflpLabels);
}

void PopulRFLP::gen_div_line(DriverCall& call)
{
    gen_div_block(call, kRflpLabels);
}

void PopulMicrosat::sample_count_lines(DriverCall& call)
{
    sample_count_block(call, kAlleleLabels);
}

void PopulMicrosat::gen_div_line(DriverCall& call)
{
    gen_div_block(call, kAlleleLabels);
}

// Recessive data: a refusal and the number of gene copies, where the
// microsatellite driver skips the section.
bool PopulStandard::standard_diversity_section(DriverCall& call)
{
    if (!RecessiveAllelesEM)
        return PopGenetics::standard_diversity_section(call);
    call.console_step("Computing standard diversity indices ...");
    if (!call.report_progress("Computing standard diversity indices ..."))
        return false;
    const std::clock_t start = std::clock();
    call.title_box();
    call.cite({"Nei_M_1987"});
    call.results << "Most standard diversity indices cannot be computed \n"
                 << "for recessive data\n\n"
                 << "No. of gene copies in sample       : " << static_cast<int>(SampleSize)
                 << std::endl;
    call.done_since(start);
    return true;
}

void PopulStandard::sample_count_lines(DriverCall& call)
{
    sample_count_block(call, kAlleleLabels);
}

void PopulStandard::gen_div_line(DriverCall& call)
{
    gen_div_block(call, kAlleleLabels);
}

bool PopulMicrosat::tajima_section(DriverCall& call)
{
    return refuse_test(call, {"Tajima_F_1989", "Tajima_F_1996"},
                       "\n\n Tajima's test is not possible for Microsatellite data\n\n");
}

bool PopulMicrosat::fu_fs_section(DriverCall& call)
{
    return refuse_test(call, {"Fu_Y_1997"},
                       "\n\n Fu's Fs test is not possible for Microsatellite data\n\n");
}

bool PopulStandard::tajima_section(DriverCall& call)
{
    return refuse_test(call, {"Tajima_F_1989", "Tajima_F_1996"},
                       "\n\nTajima's test is not possible for standard data type\n\n");
}

bool PopulStandard::fu_fs_section(DriverCall& call)
{
    return refuse_test(call, {"Fu_Y_1997"},
                       "\n Fu's Fs test is not possible for standard data type\n\n");
}
