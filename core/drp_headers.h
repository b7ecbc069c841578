// The fixed parts of the project files that the program writes itself, such as
// the phase files of the Gibbs phase sampler (a genotypic project with known
// phase): the file head with its [Profile] section and the opening of the
// [Data] section, and the head and end of each sample. The _gibbs forms take
// the title and sample names from the caller and declare GameticPhase=1; the
// plain forms use a fixed title and numbered sample names and declare
// GameticPhase=0. The caller writes the sample data lines in between.
#ifndef DROV_CORE_DRP_HEADERS_H
#define DROV_CORE_DRP_HEADERS_H

#include <ostream>

#include "core/datatype.h"
#include "core/my_string.h"

void write_Drovalen_header(int const& nbSamples, TDataType const& dataType, std::ostream& os);
void write_Drovalen_header_gibbs(my_string title, int const& nbSamples, TDataType const& dataType,
                                 std::ostream& os);

// SampleName, SampleSize and the opening line "SampleData= {".
void write_Drovalen_sample_header(int const& sampleNo, int const& sampleSize, std::ostream& os);
void write_Drovalen_sample_header_gibbs(my_string const& name, int const& sampleSize,
                                        std::ostream& os);

// The closing brace of the sample data, a line end and a flush.
void write_Drovalen_sample_footer(std::ostream& os);
void write_Drovalen_sample_footer_gibbs(std::ostream& os);

#endif
