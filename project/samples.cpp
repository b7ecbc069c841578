// The samples of a project: emptying, the reader of the "[[Samples]]"
// subsection and the writers.

#include "project/samples.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <iomanip>
#include <memory>

#include "analyses/datatypes/popul_dna.h"
#include "analyses/datatypes/popul_microsat.h"
#include "analyses/datatypes/popul_rflp.h"
#include "analyses/datatypes/popul_standard.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/keyword_line.h"
#include "model/subsection_support.h"
#include "project/project_file_lines.h"

namespace {

const char* const READER = "Samples::NewRead()";

void abort_line(int line_number, const char* what)
{
    *_ZOS_ << "\tProject file, Line #" << line_number << " : " << what
           << ". Aborting reading project." << std::endl;
}

}  // namespace

Samples::Samples()
    : ProfileSettings(), Populations(19, 20), NbHaploClasses(0), atGroupLevel(false),
      NbMutations(0)
{
}

Samples::~Samples()
{
    clean();
}

void Samples::clean()
{
    Populations.Flush();
    if (SimTree.num_tips != 0)
        TNode::hits.count = 0;
}

int Samples::NewReadSamples(std::ifstream& in, ProfileSettings& profile, Haplo_DB& haplotypes,
                            int& line_number, my_string& line, bool& name_found,
                            bool& size_found, bool& data_found)
{
    clean();
    ProfileSettings::operator=(profile);
    my_string name;            // value of the last SampleName line
    bool name_pending = false;  // a name waits for its SampleData line
    int names_read = 0;
    double size = 0.0;          // value of the last SampleSize line; kept for the next samples
    bool size_read = false;

    while (next_project_line(in, line, line_number)) {
        my_string head = section_head(line);
        if (is_key(head, "STRUCTURE") || is_key(head, "MANTEL"))
            break;
        if (is_key(head, "HAPLOTYPEDEFINITION") || is_key(head, "DISTANCEMATRIX")) {
            *_ZOS_ << "\tProject file, Line #" << line_number << " : Section [[" << head
                   << "]] found after the [[Samples]] section; it must come before the samples."
                   << " Aborting reading project." << std::endl;
            E.error(ERROR, READER, 67);
            return 0;
        }
        my_string key = line_key(line);
        if (is_key(key, "SAMPLENAME")) {
            name_found = true;
            if (!checkForPresenceOfEqualSign(line, "SampleName", line_number))
                continue;
            if (!getQuotedString(line, name, "SampleName", line_number)) {
                abort_line(line_number, "Unable to read the name of a sample");
                E.error(ERROR, READER, 62);
                return 0;
            }
            ++names_read;
            name_pending = true;
        } else if (is_key(key, "SAMPLESIZE")) {
            size_found = true;
            if (!checkForPresenceOfEqualSign(line, "SampleSize", line_number))
                continue;
            double value = 0.0;
            if (!getValue(line, value, "SampleSize", line_number) || value < 0) {
                abort_line(line_number, "Invalid sample size");
                E.error(ERROR, READER, 66);
                return 0;
            }
            size = value;
            size_read = true;
        } else if (is_key(key, "SAMPLEDATA")) {
            if (!name_pending) {
                E.error(WARNING, READER, 207);
                *_ZOS_ << "Warning: Keyword \"SampleName\" not found while data is defined for "
                       << "population #" << names_read + 1 << std::endl;
                return 0;
            }
            // Relative frequencies are scaled by the sample size.
            if (Frequency == 1 && !size_read) {
                abort_line(line_number, "Relative frequencies given without a SampleSize");
                E.error(ERROR, READER, 66);
                return 0;
            }
            data_found = true;
            Population* sample = read_sample(in, haplotypes, name, names_read, size,
                                             line_number, line);
            if (!sample)
                return 0;
            Populations.Add(sample);
            name_pending = false;
        }
    }
    match_declared_count(profile);
    return 1;
}

// One sample from its SampleData line (in `line`) and its block: the
// data-type object, or null after the report of a block that cannot be read.
Population* Samples::read_sample(std::ifstream& in, Haplo_DB& haplotypes,
                                 my_string const& name, int names_read, double size,
                                 int& line_number, my_string& line)
{
    std::unique_ptr<Population> sample(new Population(my_string("noName"), -1, *this));
    sample->sample_index = names_read - 1;
    sample->SampleSize = std::trunc(size);
    sample->name = name;

    // EXTERN is recognised in capitals only.
    bool external = line.contains("EXTERN");
    std::ifstream external_file;
    if (external) {
        E.error(INFO, READER, 191);
        my_string file_name;
        bool named = getQuotedString(line, file_name, "Extern sample data", line_number);
        if (named)
            external_file.open(build_ext_name(file_name).str);
        if (!external_file.is_open())
            *_ZOS_ << "\tWarning: External file \"" << file_name << "\" listed on line "
                   << line_number << " cannot be open. Check that it exists...\n" << std::endl;
        else
            *_ZOS_ << "\tReading sample data for population \"" << sample->name
                   << "\" in external file\"" << file_name << "\"" << std::endl;
    }

    std::clock_t start = std::clock();
    int counter = external ? 0 : line_number;
    *_ZOS_ << "\tReading " << sample->name << " ... " << std::endl;
    std::istream& block = external ? static_cast<std::istream&>(external_file) : in;
    int read = GenotypicData
                   ? sample->New_read_genotypic_data(block, external, counter, line)
                   : sample->New_read_gametic_data(block, haplotypes, external, counter, line);
    if (!read) {
        E.error(ERROR, READER, 63);
        return nullptr;
    }
    if (!external)
        line_number = counter;
    *_ZOS_ << "\tdone ! (" << milliseconds_since(start) << " ms)\n" << std::endl;

    rename_duplicate(*sample, READER);
    return make_data_type_sample(*sample);
}

// A name already borne by a sample gets the suffixes 0, 1, ... appended one
// after the other (A, A0, A01) until it is unique, at most 100 times; each
// renaming is a warning of `where`.
void Samples::rename_duplicate(Population& sample, const char* where)
{
    auto taken = [this](my_string const& candidate) {
        for (int i = 0; i < Populations.count; ++i)
            if (std::strcmp(Populations[i]->name.str, candidate.str) == 0)
                return true;
        return false;
    };
    for (int k = 0; k < 100 && taken(sample.name); ++k) {
        char suffix[16];
        std::snprintf(suffix, sizeof suffix, "%d", k);
        sample.name += suffix;
        E.error(WARNING, where, 65);
    }
}

// NbSamples becomes the number of samples read, in the samples and in the
// project's profile, so that no caller counts samples that do not exist.
void Samples::match_declared_count(ProfileSettings& profile)
{
    if (DataType == DNA)
        LocusSeparator = 0;
    int read = Populations.count;
    if (read == NbSamples)
        return;
    E.error(WARNING, READER, 95);
    *_ZOS_ << "Warning: " << read << " samples are actually listed in project file, while \n"
           << NbSamples << " are defined in the [[Profile]] section. Adjusting no. of samples...\n"
           << std::endl;
    NbSamples = read;
    profile.NbSamples = read;
}

my_string Samples::build_ext_name(my_string const& name) const
{
    return external_file_name(*this, name);
}

std::ostream& operator<<(std::ostream& os, Samples& samples)
{
    os << "\n\t[[Samples]]\n\n";
    for (int i = 0; i < samples.Populations.count; ++i)
        os << *samples.Populations[i];
    os << "\n\n";
    return os;
}

Population* make_data_type_sample(Population const& sample)
{
    switch (ProfileSettings::DataType) {
    case DNA: return new PopulDNA(sample);
    case RFLP: return new PopulRFLP(sample);
    case MICROSAT: return new PopulMicrosat(sample);
    default: return new PopulStandard(sample);
    }
}

Population* make_simulated_sample(Population const& sample, int mutation_model)
{
    switch (mutation_model) {
    case 0: return new PopulMicrosat(sample);
    case 1: return new PopulRFLP(sample);
    case 2: return new PopulDNA(sample);
    default: return new PopulStandard(sample);
    }
}

void Print(Population& sample, void* stream)
{
    std::ostream& os = *static_cast<std::ostream*>(stream);
    bool genotypic = sample.profile.GenotypicData != 0;
    double size = genotypic ? sample.SampleSize * 0.5 : sample.SampleSize;
    os << "\t\tSampleName=\"" << sample.name << "\"\n";
    os << "\t\tSampleSize=" << static_cast<long long>(size) << "\n";
    os << "\t\tSampleData={" << "\n";
    MY_TIArrayAsVector<TPhenotype>& individuals = sample.individuals.phenotypes;
    if (genotypic && individuals.count > 0) {
        for (int i = 0; i < individuals.count; ++i)
            os << *individuals[i];
    } else {
        for (int i = 0; i < sample.haplotypes.count; ++i) {
            PHaploDef* record = sample.haplotypes[i];
            os << std::setw(16) << (record->haplotype ? record->haplotype->id.str : "ERROR")
               << std::setw(10) << record->count << "\n";
        }
    }
    os << "\t\t}" << std::endl;
}

void PrintName(Population& sample, void* stream)
{
    *static_cast<std::ostream*>(stream) << sample.name;
}
