#include "translator/imp_exp.h"

#include "core/errors.h"

// The readers and writers of the formats are not built yet: both steps only
// record their arguments and write their log lines.

imp_exp::imp_exp()
    : os(nullptr), stream_flag(0), spare_count(0), code(0), project(nullptr), diploid(0)
{
}

imp_exp::~imp_exp() = default;

int imp_exp::import_data(int format, char* input, char* output, std::ofstream* stream)
{
    input_name = input;
    output_name = output;
    os = stream;
    code = format;
    *_ZOS_ << "\tReading  " << input_name << " ...";
    *_ZOS_ << "\tdone." << std::endl;
    return 1;
}

void imp_exp::export_data(int format, char* input, char* output, std::ofstream* stream)
{
    input_name = input;
    output_name = output;
    os = stream;
    code = format;
    *_ZOS_ << "    Writing  " << output_name << "... done." << std::endl;
}
