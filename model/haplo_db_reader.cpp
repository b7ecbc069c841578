// Line reader of the haplotype list: one definition per line, an id and the
// haplotype's data, up to a closing brace (inline lists) or to the end of an
// external file.

#include "model/haplo_db.h"

#include <memory>
#include <string>
#include <string_view>
#include <unordered_set>

#include "core/errors.h"

namespace {

const char* const READER = "Haplo_DB::NewReadHaplotypeList()";

// A line that opens the next part of the project file ends a list that has
// no closing brace.
bool starts_next_subsection(my_string const& line)
{
    my_string upper = line;
    upper.Upper();
    return upper.contains("DISTANCEMATRIX") || upper.contains("[SAMPLES]") ||
           upper.contains("[STRUCTURE]") || upper.contains("[MANTEL]");
}

bool is_blank(char c) { return c == ' ' || c == '\t'; }

// One definition line taken apart: the id, and the further words joined into
// the data string with the locus separator standing before each of them.
struct DefinitionLine {
    std::string id;
    std::string data;
    int words = 0;  // non-empty words after the id

    // The words after the id are what lies between single blanks or tabs, so
    // that a doubled blank gives an empty word, which takes a separator but
    // no locus. With separator 0 the words join (a DNA sequence split over several words).
    DefinitionLine(my_string const& line, char separator)
    {
        const char* p = line.str;
        const char* end = line.str + line.length;
        while (p < end && is_blank(*p))
            ++p;
        const char* id_end = p;
        while (id_end < end && !is_blank(*id_end))
            ++id_end;
        id.assign(p, id_end);
        if (id.empty())
            return;
        p = id_end;
        bool word_met = false;
        while (p < end) {
            const char* word = ++p;  // past the blank that ends the previous word
            while (p < end && !is_blank(*p))
                ++p;
            if (p > word) {
                word_met = true;
                ++words;
            }
            if (word_met) {
                if (separator != 0)
                    data += separator;
                data.append(word, p);
            }
        }
    }
};

}  // namespace

int Haplo_DB::NewReadHaplotypeList(std::istream& is, ProfileSettings& project_profile,
                                   bool external, int& line_counter)
{
    if (!is.good()) {
        *_ZOS_ << "\tUnable to read haplotype list, aborting reading procedure" << std::endl;
        E.error(ERROR, READER, 40);
        return 0;
    }
    // DNA sequences join their pieces, as they do in the samples' blocks:
    // a definition that kept the separators would never match the same
    // sequence given in a sample.
    char separator = ProfileSettings::DataType == DNA ? 0 : ProfileSettings::LocusSeparator;
    int expected_loci = -1;
    bool brace_seen = false;
    // Ids of the list, so that a repeated id is found without a scan of the list.
    std::unordered_set<std::string> ids;
    for (int i = 0; i < list.count; ++i)
        ids.insert(list.data[i]->id.str);

    my_string line;
    while (is.good() && !brace_seen) {
        while (is.peek() == ' ' || is.peek() == '\t')
            is.get();
        ++line_counter;
        line.read_line(is);
        int hash = line.find_first_of('#');
        if (hash >= 0)
            line.remove(hash, line.length - hash);
        if (starts_next_subsection(line))
            break;
        int brace = line.find_first_of('}');
        if (brace >= 0) {
            brace_seen = true;
            if (brace == 0)
                continue;
        }
        DefinitionLine definition(line, separator);
        if (definition.id.empty())
            continue;
        if (ids.count(definition.id) > 0) {
            delete_all();
            *_ZOS_ << "\tHaplotype \"" << definition.id.c_str() << "\" listed on line "
                   << line_counter << " is already defined previously, aborting reading procedure..."
                   << std::endl;
            E.error(ERROR, READER, 31);
            return 0;
        }
        int loci = separator == 0 ? static_cast<int>(definition.data.size()) : definition.words;
        if (expected_loci < 0) {
            expected_loci = loci;
        } else if (loci != expected_loci) {
            *_ZOS_ << "\tNumber of loci for haplotype \"" << definition.id.c_str()
                   << "\" is different (" << loci << ") from that previously defined ("
                   << expected_loci << ") on line " << line_counter << std::endl;
            E.error(ERROR, READER, 69);
            return 0;
        }
        auto haplotype = std::make_unique<HaploDef>(my_string(definition.id.c_str()));
        my_string data(definition.data.c_str());
        if (!haplotype->read_data(data, project_profile)) {
            delete_all();
            *_ZOS_ << "\tUnable to read haplotype definition on line " << line_counter
                   << ", aborting reading procedure" << std::endl;
            E.error(ERROR, READER, 33);
            return 0;
        }
        ids.insert(definition.id);
        list.Add(haplotype.release());
    }
    if (brace_seen || external)
        return 1;
    *_ZOS_ << "\tMissing closing brace in Haplotype definition list, aborting reading procedure"
           << std::endl;
    E.error(ERROR, READER, 194);
    return 0;
}
