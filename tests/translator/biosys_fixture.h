// Fixture of the Biosys tests: the reader alone on a text (no comment
// header), and the layout of a Biosys file built from its parts.
#ifndef DROV_TESTS_TRANSLATOR_BIOSYS_FIXTURE_H
#define DROV_TESTS_TRANSLATOR_BIOSYS_FIXTURE_H

#include <sstream>
#include <string>
#include <vector>

#include "translator/translator_fixture.h"

// The Biosys file of a project titled demo: one locus, the sample pop1 with
// ind1 12/7 and ind2 7/7, the sample pop2 with ind3 12/12.
const char* const DEMO_BIOSYS = "demo\n"
                                "NOTU=2, NLOC=1, NALL=2, CRT;\n"
                                "(1(1X,A7))\n"
                                "LOCI00 \n"
                                "\n"
                                "STEP DATA:\n"
                                "DATYP=1,ALPHA\n"
                                "(A7,3X,1(1X,A2,A2))\n"
                                "0   pop1            \n"
                                "ind1       127 \n"
                                "ind2       7 7 \n"
                                "NEXT\n"
                                "1   pop2            \n"
                                "ind3       1212\n"
                                "NEXT\n"
                                "END;\n";

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

// The individuals of project text: per individual its name, count and gene
// copy 1, then its gene copy 2, each a line with its blanks collapsed.
inline std::vector<std::string> individual_lines(std::string const& text)
{
    std::vector<std::string> lines;
    std::istringstream in(text);
    std::string line;
    bool inside = false;
    while (std::getline(in, line)) {
        std::istringstream words(line);
        std::string word, collapsed;
        while (words >> word)
            collapsed += (collapsed.empty() ? "" : " ") + word;
        if (collapsed.find("SampleData={") != std::string::npos)
            inside = true;
        else if (collapsed == "}")
            inside = false;
        else if (inside && !collapsed.empty())
            lines.push_back(collapsed);
    }
    return lines;
}

#endif
