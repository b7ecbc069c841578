// The SampleData block in the identifier syntax of older project files, read
// character by character (the format translator reads its projects this way).
//
// Haplotypic records stand on one line: id, count and, optionally, the
// haplotype itself. Genotypic records take two lines: id, count and gene
// copy 1, then gene copy 2 as the whole next line. Between records blanks,
// line ends and '#' comments are skipped. An inline block ends at a '}' where
// a record would begin; an external file ends at its end. With relative
// frequencies (Frequency=REL) a count is the value times SampleSize, rounded.

#include "model/population.h"

#include <climits>
#include <cmath>
#include <limits>
#include <new>
#include <string>

#include "core/char_classes.h"
#include "core/conversions.h"
#include "core/errors.h"
#include "core/public.h"

namespace {

const char* const GAMETIC = "Population::read_gametic_data()";
const char* const GENOTYPIC = "Population::read_genotypic_data()";
const int END = std::istream::traits_type::eof();

void skip_line(std::istream& ifs)
{
    ifs.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
}

// Consumes the invisible characters of the current line. Returns the next
// visible character (left unread), '\n' when the line ends (a '#' comment
// counts as the line end; both are consumed) or END.
int next_on_line(std::istream& ifs)
{
    for (;;) {
        int c = ifs.peek();
        if (c == END)
            return END;
        if (c == '\n' || c == '#') {
            skip_line(ifs);
            return '\n';
        }
        if (is_visible(c))
            return c;
        ifs.get();
    }
}

// The characters up to a blank, tab, carriage return, '#', line end or the
// end of the input, none of which is consumed.
std::string token_on_line(std::istream& ifs)
{
    std::string token;
    for (int c = ifs.peek(); c != END && c != ' ' && c != '\t' && c != '\r' && c != '\n' &&
                             c != '#';
         c = ifs.peek())
        token += static_cast<char>(ifs.get());
    return token;
}

// The count token of a haplotypic record: characters before its first digit
// on the line are passed over, except that a '.' just before the digit
// belongs to the number (".5" is a half) and a '-' just before it makes the
// count negative, which is refused. False when the line ends first.
bool haplotype_count_token(std::istream& ifs, std::string& token)
{
    int before = 0;  // the character in front of the number
    for (;;) {
        int c = ifs.peek();
        if (c == END || c == '\n')
            return false;
        if (c == '#') {
            skip_line(ifs);
            return false;
        }
        if (is_digit(c))
            break;
        ifs.get();
        if (c == '.' && is_digit(ifs.peek())) {
            token = ".";
            break;
        }
        before = c;
    }
    if (before == '-')
        return false;
    token += token_on_line(ifs);
    return true;
}

// Ends the text at its first '#' and removes the blanks and tabs that end it.
void trim_gene_copy(std::string& text)
{
    std::string::size_type comment = text.find('#');
    if (comment != std::string::npos)
        text.erase(comment);
    std::string::size_type last = text.find_last_not_of(" \t");
    text.erase(last == std::string::npos ? 0 : last + 1);
}

// What both readers count while they read one block.
struct BlockSums {
    double counts = 0;  // the counts of the records, as stored
    double rel = 0;     // the relative frequencies (Frequency=REL)
    int records = 0;
};

// The count of a value: the value itself (ABS), or the value times the
// sample size, rounded (REL). False for a count that is not finite or does
// not fit an int.
bool count_of(double value, Population const& sample, BlockSums& sums, double& count)
{
    if (sample.profile.Frequency == 1) {
        sums.rel += value;
        count = std::trunc(value * sample.SampleSize + 0.5);
    } else {
        count = value;
    }
    return std::isfinite(count) && count <= INT_MAX;
}

// Reads the records of a block one by one, up to the '}' where a record would
// begin (left in the stream) or, for an external file, the end of the input.
// An inline block whose input ends first is refused through `missing_end`,
// given the last character read; 0 after a reported failure.
template <class ReadRecord, class MissingEnd>
int read_records(std::istream& ifs, int external, const char* where, int stream_fault,
                 ReadRecord read_record, MissingEnd missing_end)
{
    for (;;) {
        if (ifs.fail() && !ifs.eof()) {
            E.error(ERROR, where, stream_fault);
            return 0;
        }
        int last = 0;
        int c = next_visible(ifs, &last);
        if (c == END) {
            if (external)
                return 1;
            missing_end(last);
            return 0;
        }
        if (c == '}') {
            ifs.putback('}');
            return 1;
        }
        ifs.unget();
        if (!read_record())
            return 0;
    }
}

// Reads the haplotypic records of one block into a sample.
class GameticBlock {
public:
    GameticBlock(Population& sample, Haplo_DB& list, std::istream& ifs, HaploIdIndex& ids)
        : sample(sample), list(list), ifs(ifs), ids(ids)
    {
        if (ids.indexed > list.list.count) {
            ids.by_id.clear();
            ids.indexed = 0;
        }
        // The first definition of an id wins, as a search from the start would.
        for (; ids.indexed < list.list.count; ++ids.indexed)
            ids.by_id.emplace(list.list[ids.indexed]->id.str, list.list[ids.indexed]);
    }

    int read(int external)
    {
        return read_records(ifs, external, GAMETIC, 147, [this] { return read_record(); },
                            report_missing_end);
    }

    BlockSums sums;

private:
    Population& sample;
    Haplo_DB& list;
    std::istream& ifs;
    HaploIdIndex& ids;  // exact, case-sensitive ids

    // An inline block whose input ended before its '}'.
    static void report_missing_end(int last)
    {
        *_ZOS_ << " ** read gametic data1_l_172:the character is not the expected one c:";
        if (last != 0)
            *_ZOS_ << static_cast<char>(last);
        *_ZOS_ << std::endl;
        E.error(ERROR, GAMETIC, 100);
    }

    HaploDef* find_or_add(my_string const& id)
    {
        auto found = ids.by_id.find(id.str);
        if (found != ids.by_id.end())
            return found->second;
        HaploDef* definition = new HaploDef(id);
        list.list.Add(definition);
        ids.by_id.emplace(id.str, definition);
        ids.indexed = list.list.count;
        return definition;
    }

    // The sample's records go when its data turn out unreadable.
    int drop_records()
    {
        sample.haplotypes.Flush();
        return 0;
    }

    int read_record()
    {
        my_string id;
        ifs >> id;
        if (ifs.fail()) {
            E.error(ERROR, GAMETIC, 142);
            return 0;
        }
        HaploDef* definition = find_or_add(id);

        std::string token;
        double count = 0;
        // The copies of a haplotype over all samples are kept in an int.
        if (!haplotype_count_token(ifs, token) ||
            !count_of(my_atof(token.c_str()), sample, sums, count) ||
            count > INT_MAX - definition->count) {
            E.error(ERROR, GAMETIC, 144);
            return 0;
        }
        int c = next_on_line(ifs);
        if (c == '}' || c == END) {
            *_ZOS_ << " ** read gametic data2_l_285:the character is not the expected one c:";
            if (c == '}')
                *_ZOS_ << '}';
            *_ZOS_ << std::endl;
            E.error(ERROR, GAMETIC, 100);
            return 0;
        }
        // Records hold whole copies: the sample size counts what is stored.
        int copies = static_cast<int>(count);
        sums.counts += copies;

        bool has_text = c != '\n';
        if (definition->content.is_null()) {
            if (!define(*definition, has_text))
                return 0;
        } else if (has_text && !check_repeated(*definition)) {
            return 0;
        }
        if (copies != 0) {
            sample.haplotypes.Add(new PHaploDef(definition, copies));
            definition->count += copies;
            ++sums.records;
        }
        return 1;
    }

    int define(HaploDef& definition, bool has_text)
    {
        if (has_text || ProfileSettings::DataType == FREQUENCY)
            return definition.read_data(ifs, sample.profile) ? 1 : drop_records();
        std::string where = std::string(GAMETIC) + " (Hapl " + definition.id.str + ")";
        E.error(ERROR, where.c_str(), 145);
        return 0;
    }

    // A defined haplotype given with a text again: the texts must agree.
    int check_repeated(HaploDef& definition)
    {
        std::string where = std::string(GAMETIC) + ",  " + definition.id.str + " : ";
        E.error(WARNING, where.c_str(), 146);
        HaploDef repeated;
        if (!repeated.read_data(ifs, sample.profile))
            return drop_records();
        if (!repeated.content.is_null() &&
            std::string(repeated.content.str) != definition.content.str) {
            E.error(ERROR, GAMETIC, 31);
            return drop_records();
        }
        // The end of the input is not a fault here: the block's end decides.
        return skip_comments(ifs) || ifs.eof() ? 1 : 0;
    }
};

// Reads the genotypic records of one block into a sample.
class GenotypicBlock {
public:
    GenotypicBlock(Population& sample, std::istream& ifs) : sample(sample), ifs(ifs) {}

    int read(int external)
    {
        return read_records(ifs, external, GENOTYPIC, 151, [this] { return read_individual(); },
                            [](int) { E.error(ERROR, GENOTYPIC, 64); });
    }

    BlockSums sums;

private:
    Population& sample;
    std::istream& ifs;

    int read_individual()
    {
        std::string id = token_on_line(ifs);
        std::string token;
        int after_id = next_on_line(ifs);
        if (after_id != '\n' && after_id != END)
            token = token_on_line(ifs);
        double count = 0;
        if (token.empty() || !count_of(my_atof(token.c_str()), sample, sums, count) ||
            count <= 0) {
            E.error(ERROR, GENOTYPIC, 149);
            return 0;
        }
        sums.counts += static_cast<int>(count);
        std::string copy1, copy2;
        int c = next_on_line(ifs);
        if (c == '\n' || c == END || !std::getline(ifs, copy1) || !std::getline(ifs, copy2)) {
            E.error(ERROR, GENOTYPIC, 150);
            return 0;
        }
        trim_gene_copy(copy1);
        trim_gene_copy(copy2);
        try {
            TPhenotype* individual = new TPhenotype(my_string(id.c_str()), count);
            individual->gene_copy[0] = copy1.c_str();
            individual->gene_copy[1] = copy2.c_str();
            sample.individuals.phenotypes.Add(individual);
        } catch (std::bad_alloc const&) {
            E.error(MEMORY, GENOTYPIC, 0);
        }
        ++sums.records;
        return 1;
    }
};

}  // namespace

int Population::read_gametic_data(std::istream& ifs, Haplo_DB& haplotype_list, int external,
                                  HaploIdIndex* ids)
{
    HaploIdIndex own;
    GameticBlock block(*this, haplotype_list, ifs, ids ? *ids : own);
    if (!block.read(external))
        return 0;
    check_block_sums(GAMETIC, block.sums.counts, block.sums.rel, false);
    num_haplotypes = block.sums.records;
    return 1;
}

int Population::read_genotypic_data(std::istream& ifs, int external)
{
    GenotypicBlock block(*this, ifs);
    if (!block.read(external))
        return 0;
    check_block_sums(GENOTYPIC, block.sums.counts, block.sums.rel, true);
    num_haplotypes = block.sums.records;
    return 1;
}
