// The "[[Samples]]" subsection in the identifier syntax of older project
// files (the format translator reads its projects this way).
//
// Each sample is a SampleName entry, optional entries (SampleSize,
// SampleLocation, profile keys that hold from the next sample on) and a
// SampleData entry: an inline block between braces or EXTERN and a file name.
// Exactly NbSamples samples are read; further ones are reported and left.

#include "project/samples.h"

#include <algorithm>
#include <ctime>
#include <fstream>
#include <memory>
#include <string>

#include "core/char_classes.h"
#include "core/conversions.h"
#include "core/errors.h"
#include "core/public.h"
#include "project/project_file_lines.h"

namespace {

const char* const READER = "Samples::Read()";
const int END = std::istream::traits_type::eof();

std::string reporter_for(my_string const& sample_name)
{
    return std::string("Samples::Read() (\"") + sample_name.str + "\")";
}

// Profile keys that a sample's entries may give; they change the samples'
// profile, which the next samples copy.
using ProfileReader = int (ProfileSettings::*)(std::istream&);
const struct {
    const char* key;
    ProfileReader read;
} sample_profile_keys[] = {
    {"datatype", &ProfileSettings::read_DataType},
    {"frequency", &ProfileSettings::read_Frequency},
    {"gameticphase", &ProfileSettings::read_GameticPhase},
    {"genotypicdata", &ProfileSettings::read_GenotypicData},
    {"locusseparator", &ProfileSettings::read_LocusSeparator},
    {"locilabels", &ProfileSettings::read_LociLabels},
    {"nbloci", &ProfileSettings::read_NbLoci},
    {"missingdata", &ProfileSettings::read_MissingData},
    {"usedhapllist", &ProfileSettings::read_UsedHaplList},
    {"locuslisting", &ProfileSettings::read_LocusListing},
    {"individuallevel", &ProfileSettings::read_IndividualLevel},
    {"interleave", &ProfileSettings::read_Interleave},
};

ProfileReader profile_reader_of(my_string const& key)
{
    for (auto const& entry : sample_profile_keys)
        if (same_text(key, entry.key))
            return entry.read;
    return nullptr;
}

// "(x, y)" on the rest of the line, of any length.
void read_location(std::istream& ifs, Population& sample)
{
    std::string rest;
    std::getline(ifs, rest);
    std::string::size_type from = rest.find_first_of("( ");
    from = rest.find_first_not_of(" \t(", from == std::string::npos ? 0 : from);
    if (from == std::string::npos)
        from = rest.size();
    std::string::size_type comma = rest.find(',', from);
    sample.xCoord = my_atof(rest.substr(from, comma - from).c_str());
    if (comma == std::string::npos) {
        sample.yCoord = 0;
        return;
    }
    std::string::size_type close = rest.find(')', comma + 1);
    sample.yCoord = my_atof(rest.substr(comma + 1, close - comma - 1).c_str());
}

// Consumes characters up to the first letter, digit, '[' or '}', which is
// returned (consumed), or END.
int next_entry_char(std::istream& ifs)
{
    for (int c = ifs.get(); c != END; c = ifs.get())
        if (is_alnum(c) || c == '[' || c == '}')
            return c;
    return END;
}

// Reports sample entries beyond NbSamples (up to the next header), which are
// not read; the stream is left where it was.
void warn_extra_samples(std::istream& ifs, int declared)
{
    ifs.clear();
    std::streampos here = ifs.tellg();
    if (here == std::streampos(-1))
        return;
    int extra = 0;
    for (std::string line; std::getline(ifs, line);) {
        line.erase(std::min(line.find('#'), line.size()));
        std::string::size_type first = line.find_first_not_of(" \t\r");
        if (first != std::string::npos && line[first] == '[')
            break;
        for (char& c : line)
            c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
        if (line.find("samplename") != std::string::npos)
            ++extra;
    }
    ifs.clear();
    ifs.seekg(here);
    if (extra == 0)
        return;
    *_ZOS_ << "\t" << extra << " sample(s) given after the " << declared
           << " samples declared by NbSamples are not read" << std::endl;
    std::string where = std::string(READER) + " (" + std::to_string(extra) + " extra samples)";
    E.error(WARNING, where.c_str(), 95);
}

// Reads the data of one sample, the stream after the '=' of SampleData.
class SampleDataEntry {
public:
    SampleDataEntry(Samples& samples, Population& sample, Haplo_DB& haplotypes,
                    HaploIdIndex& ids)
        : samples(samples), sample(sample), haplotypes(haplotypes), ids(ids)
    {
    }

    int read(std::istream& ifs)
    {
        int c = next_visible(ifs);
        if (is_alnum(c)) {
            ifs.unget();
            return read_external(ifs);
        }
        if (c == '{')
            return read_inline(ifs);
        return refuse_value();
    }

private:
    Samples& samples;
    Population& sample;
    Haplo_DB& haplotypes;
    HaploIdIndex& ids;

    int refuse_value()
    {
        *_ZOS_ << "\tSampleData of sample \"" << sample.name
               << "\" must be a block between braces or EXTERN and a file name" << std::endl;
        E.error(ERROR, reporter_for(sample.name).c_str(), 63);
        return 0;
    }

    int read_block(std::istream& in, int external)
    {
        return sample.profile.GenotypicData == 1
                   ? sample.read_genotypic_data(in, external)
                   : sample.read_gametic_data(in, haplotypes, external, &ids);
    }

    int read_external(std::istream& ifs)
    {
        my_string word, file_name;
        get_qstring(ifs, word);
        word.to_upper();
        if (!same_text(word, "EXTERN"))
            return refuse_value();
        if (!get_qstring(ifs, file_name)) {
            *_ZOS_ << "\tNo file name after EXTERN for sample \"" << sample.name << "\""
                   << std::endl;
            E.error(ERROR, READER, 192);
            return 0;
        }
        E.error(INFO, READER, 191);
        if (file_name.contains('"') && file_name.length >= 2) {
            file_name.remove(file_name.length - 1, 1);
            file_name.remove(0, 1);
        }
        my_string path = samples.build_ext_name(file_name);
        std::ifstream file(path.str);
        if (!file.is_open()) {
            E.error(ERROR, READER, 192);
            return 0;
        }
        if (!read_block(file, 1)) {
            E.error(ERROR, READER, 193);
            return 0;
        }
        return 1;
    }

    int read_inline(std::istream& ifs)
    {
        *_ZOS_ << "\tReading " << sample.name << " ... " << std::endl;
        std::clock_t start = std::clock();
        if (!read_block(ifs, 0)) {
            E.error(ERROR, READER, 63);
            return 0;
        }
        *_ZOS_ << "\tdone ! (" << milliseconds_since(start) << " ms)\n" << std::endl;
        int c = next_entry_char(ifs);
        if (c != '}') {
            if (c != END)
                ifs.unget();
            E.error(ERROR, reporter_for(sample.name).c_str(), 64);
        }
        return 1;
    }
};

// Reads the entries of sample k up to its data: null after a report.
std::unique_ptr<Population> read_sample_entries(Samples& samples, std::istream& ifs, int k,
                                                Haplo_DB& haplotypes, HaploIdIndex& ids)
{
    my_string identifier, name;
    if (!get_next_ident(ifs, identifier)) {
        E.error(ERROR, READER, 62);
        return nullptr;
    }
    if (!same_text(identifier, "samplename")) {
        E.error(ERROR, READER, 61);
        return nullptr;
    }
    if (!get_qstring(ifs, name)) {
        E.error(ERROR, READER, 62);
        return nullptr;
    }
    std::unique_ptr<Population> sample(new Population(name, k, samples));
    bool size_given = false;
    for (;;) {
        if (!get_next_ident(ifs, identifier)) {
            *_ZOS_ << "\tThe entries of sample \"" << name << "\" end without SampleData"
                   << std::endl;
            E.error(ERROR, reporter_for(name).c_str(), 63);
            return nullptr;
        }
        if (same_text(identifier, "sampledata"))
            break;
        if (same_text(identifier, "samplesize")) {
            int n = 0;
            if (!(ifs >> n)) {
                ifs.clear();
                E.error(ERROR, READER, 66);
                return nullptr;
            }
            if (n < 0) {
                E.error(ERROR, READER, 66);
            } else {
                sample->SampleSize = n;
                size_given = true;
            }
        } else if (same_text(identifier, "samplelocation")) {
            read_location(ifs, *sample);
        } else if (ProfileReader read = profile_reader_of(identifier)) {
            if (!(samples.*read)(ifs))
                return nullptr;
        } else {
            E.error(ERROR, READER, 67);
            return nullptr;
        }
    }
    // Relative frequencies are scaled by the sample size.
    if (sample->profile.Frequency == 1 && !size_given) {
        *_ZOS_ << "\tSample \"" << name << "\" gives relative frequencies without a SampleSize"
               << std::endl;
        E.error(ERROR, READER, 66);
        return nullptr;
    }
    SampleDataEntry data(samples, *sample, haplotypes, ids);
    if (!data.read(ifs))
        return nullptr;
    return sample;
}

}  // namespace

int Samples::Read(std::istream& ifs, ProfileSettings& profile, Haplo_DB& haplotypes)
{
    clean();
    ProfileSettings::operator=(profile);
    HaploIdIndex ids;
    for (int k = 0; k < NbSamples; ++k) {
        std::unique_ptr<Population> sample = read_sample_entries(*this, ifs, k, haplotypes, ids);
        if (!sample)
            return 0;
        rename_duplicate(*sample, READER);
        Populations.Add(make_data_type_sample(*sample));
    }
    warn_extra_samples(ifs, NbSamples < 0 ? 0 : NbSamples);
    return 1;
}
