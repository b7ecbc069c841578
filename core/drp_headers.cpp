// Writers of the fixed parts of generated project files.

#include "core/drp_headers.h"

namespace {

// The [Profile] section and the opening of the [[Samples]] subsection. A data
// type outside the enumeration writes no type word and no separator line.
void write_header(my_string const& title, int nbSamples, int gameticPhase, TDataType dataType,
                  std::ostream& os)
{
    os << "\n[Profile]\n";
    os << "\tTitle=\"" << title << "\"\n";
    os << "\tNbSamples=" << nbSamples << "\n";
    os << "\tGenotypicData=1\n";
    os << "\tGameticPhase=" << gameticPhase << "\n";
    os << "\tRecessiveData=0\n";
    os << "\tDataType=";
    switch (dataType) {
    case DNA:       os << "DNA\n" << "\tLocusSeparator=NONE\n"; break;
    case RFLP:      os << "RFLP\n" << "\tLocusSeparator=NONE\n"; break;
    case MICROSAT:  os << "MICROSAT\n" << "\tLocusSeparator=TAB\n"; break;
    case STANDARD:  os << "STANDARD\n" << "\tLocusSeparator=TAB\n"; break;
    case FREQUENCY: os << "FREQUENCY\n" << "\tLocusSeparator=TAB\n"; break;
    default: break;
    }
    os << "\tMissingData='?'\n";
    os << "\n[Data]\n";
    os << "\t[[Samples]]\n\n";
}

void write_sample_size(int sampleSize, std::ostream& os)
{
    os << "\t\tSampleSize=" << sampleSize << "\n\t\tSampleData= {\n";
}

}  // namespace

void write_Drovalen_header(int const& nbSamples, TDataType const& dataType, std::ostream& os)
{
    write_header(my_string("A series of simulated samples"), nbSamples, 0, dataType, os);
}

void write_Drovalen_header_gibbs(my_string title, int const& nbSamples, TDataType const& dataType,
                                 std::ostream& os)
{
    write_header(title, nbSamples, 1, dataType, os);
}

void write_Drovalen_sample_header(int const& sampleNo, int const& sampleSize, std::ostream& os)
{
    os << "\t\tSampleName=\"Sample " << sampleNo << "\"\n";
    write_sample_size(sampleSize, os);
}

void write_Drovalen_sample_header_gibbs(my_string const& name, int const& sampleSize,
                                        std::ostream& os)
{
    os << "\t\tSampleName=\"" << name << "\"\n";
    write_sample_size(sampleSize, os);
}

void write_Drovalen_sample_footer(std::ostream& os)
{
    os << "}" << std::endl;
}

void write_Drovalen_sample_footer_gibbs(std::ostream& os)
{
    os << "\n\t\t}" << std::endl;
}
