// Fixture of the Biosys tests: the reader alone on a text (no comment
// header), and the layout of a Biosys file built from its parts.
#ifndef DROV_TESTS_TRANSLATOR_BIOSYS_FIXTURE_H
#define DROV_TESTS_TRANSLATOR_BIOSYS_FIXTURE_H

#include <sstream>
#include <string>

#include "translator/translator_fixture.h"

class BiosysTest : public TranslatorTest {
protected:
    // The Biosys reader on `source`: the project text; `status` its answer.
    std::string read_biosys(std::string const& source)
    {
        translator.input_name = write_file("in.bio", source).string().c_str();
        std::ostringstream out;
        translator.os = &out;
        status = translator.read_biosys();
        return out.str();
    }

    // A Biosys file: title, header, one locus-listing line, "STEP DATA:",
    // the data-type line, the format statement and the data lines.
    static std::string biosys_file(std::string const& header, std::string const& datyp,
                                   std::string const& statement, std::string const& data)
    {
        return "Test file\n" + header + "\nLOCI\nSTEP DATA:\n" + datyp + "\n" + statement + "\n"
               + data;
    }
};

#endif
