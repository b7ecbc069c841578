// The SampleData block of one sample: its two readers and its writer.
//
// The block is line-based. Haplotypic data give one line per haplotype: an
// identifier of the project's haplotype list, a frequency, and the haplotype
// itself (optional when the identifier is defined already). Genotypic data
// give two lines per individual: identifier, frequency and gene copy 1, then
// gene copy 2. '#' starts a comment, '}' closes the block, and a line naming
// the next sample or section before the closing brace is an error. With
// relative frequencies (Frequency=REL) a count is the frequency times the
// SampleSize given by the caller, rounded.

#include "model/population.h"

#include <climits>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iomanip>
#include <new>
#include <string>
#include <unordered_map>

#include "core/errors.h"
#include "core/keyword_line.h"

namespace {

const char* const GAMETIC = "Population::New_read_gametic_data()";
const char* const GENOTYPIC = "Population::New_read_genotypic_data()";

// Tokens end at a blank, a tab or the byte 255; a carriage return belongs to
// its token.
bool is_delimiter(char c)
{
    return c == ' ' || c == '\t' || c == '\xFF';
}

bool holds_token(const char* begin, const char* end)
{
    for (const char* p = begin; p < end; ++p)
        if (!is_delimiter(*p))
            return true;
    return false;
}

std::string formatted(const char* format, double value)
{
    int n = std::snprintf(nullptr, 0, format, value);
    std::string text(n, '\0');
    std::snprintf(&text[0], n + 1, format, value);
    return text;
}

// The lines of one block, read one at a time into the caller's line buffer
// and cut as the readers need them: without the blanks and tabs that begin
// the line, without the comment, and without a '}' and what follows it.
class BlockLines {
public:
    my_string& line;
    int& line_number;
    bool closed = false;       // a '}' was met
    bool brace_first = false;  // the last line read began with the '}'

    BlockLines(std::istream& in, my_string& line, int& line_number)
        : line(line), line_number(line_number), in_(in)
    {
    }

    // False when the input has nothing left to read, or holds a line too
    // long to read (see stopped).
    bool next()
    {
        if (!in_.good())
            return false;
        bool skipped = false;
        for (int c = in_.peek(); c == ' ' || c == '\t'; c = in_.peek()) {
            in_.get();
            skipped = true;
        }
        if (in_.peek() == std::istream::traits_type::eof() && !skipped)
            return false;
        line.read_line(in_);
        if (in_.bad())
            return false;
        ++line_number;
        clearLineAfterPoundSign(line);
        int brace = line.find_first_of('}');
        brace_first = brace == 0;
        if (brace >= 0) {
            closed = true;
            line.remove(brace, line.length - brace);
        }
        return true;
    }

    // Reading stopped at a line too long to read, which has been reported.
    bool stopped() const { return in_.bad(); }

    bool has_token() const { return holds_token(line.str, line.str + line.length); }

    // The line starts the next sample or a later section.
    bool names_section() const
    {
        my_string upper(line);
        upper.to_upper();
        return upper.contains("SAMPLENAME") || upper.contains("[STRUCTURE]") ||
               upper.contains("[MANTEL]");
    }

private:
    std::istream& in_;
};

// The first line of a haplotype or individual taken apart: identifier,
// frequency token and the text after them.
struct DataLine {
    std::string id;
    bool after_id = false;         // a delimiter follows the identifier
    std::string frequency;         // empty when no token follows the identifier
    bool after_frequency = false;  // a delimiter follows the frequency
    const char* rest = nullptr;    // the text after that delimiter
    const char* end = nullptr;

    explicit DataLine(my_string const& line)
    {
        const char* p = line.str;
        end = line.str + line.length;
        const char* q = p;
        while (q < end && !is_delimiter(*q))
            ++q;
        id.assign(p, q);
        if (q == end)
            return;
        after_id = true;
        p = q + 1;
        while (p < end && is_delimiter(*p))
            ++p;
        q = p;
        while (q < end && !is_delimiter(*q))
            ++q;
        frequency.assign(p, q);
        if (q == end)
            return;
        after_frequency = true;
        rest = q + 1;
    }

    bool has_text() const { return after_frequency && holds_token(rest, end); }
};

// The haplotype or gene copy of a line and its number of loci. DNA data
// concatenate the tokens; other data put the locus separator before every
// token (an empty token between two delimiters adds one separator more).
// Delimiters that end the line make no token.
struct LocusText {
    std::string text;
    int loci = 0;

    LocusText(const char* begin, const char* end)
    {
        while (end > begin && is_delimiter(end[-1]))
            --end;
        char separator = ProfileSettings::LocusSeparator;
        bool concatenate = ProfileSettings::DataType == DNA || separator == 0;
        int tokens = 0;
        long n = end - begin;
        for (long start = 0; start < n;) {
            long stop = start;
            while (stop < n && !is_delimiter(begin[stop]))
                ++stop;
            if (!concatenate)
                text += separator;
            text.append(begin + start, begin + stop);
            if (stop > start)
                ++tokens;
            start = stop + 1;
        }
        loci = concatenate ? static_cast<int>(text.size()) : tokens;
    }
};

// State shared by the two readers while one block is read.
class BlockReader {
public:
    double sum = 0;      // of the counts
    double rel_sum = 0;  // of the relative frequencies (Frequency=REL)

    BlockReader(Population& sample, BlockLines& lines, const char* where)
        : sample(sample), lines(lines), where(where)
    {
    }

protected:
    Population& sample;
    BlockLines& lines;
    const char* where;
    int num_loci = -1;  // fixed by the first text of the block

    int line_number() const { return lines.line_number; }

    enum CountRead { COUNT_READ, NO_NUMBER, PAST_INT_RANGE };

    // The count of a frequency token converted as a whole: the frequency
    // itself (absolute counts) or the rounded frequency times SampleSize
    // (relative frequencies). Trailing text, negative, infinite or undefined
    // values are no number; a count that does not fit an int is refused too.
    CountRead count_of(std::string const& token, double& count)
    {
        char* stop = nullptr;
        double f = std::strtod(token.c_str(), &stop);
        if (token.empty() || *stop != '\0' || !std::isfinite(f) || f < 0)
            return NO_NUMBER;
        if (sample.profile.Frequency == 1) {
            rel_sum += f;
            count = std::trunc(f * sample.SampleSize + 0.5);
        } else {
            count = f;
        }
        return count <= INT_MAX ? COUNT_READ : PAST_INT_RANGE;
    }

    // A count, or the total over all samples that it adds to, that the
    // program cannot hold.
    int refuse_count_past_int_range(const char* kind, DataLine const& fields, bool total)
    {
        *_ZOS_ << "\tCount (\"" << fields.frequency << "\") of " << kind << " \"" << fields.id
               << "\" on line " << line_number()
               << (total ? " takes its total over all samples past " : " is past ") << INT_MAX
               << ", the largest count that can be held. Aborting reading project" << std::endl;
        E.error(ERROR, where, 179);
        return 0;
    }

    // The first text of a block fixes the number of loci of the others.
    bool same_loci(const char* kind, std::string const& id, int k)
    {
        if (num_loci < 0)
            num_loci = k;
        if (k == num_loci)
            return true;
        *_ZOS_ << "\tNumber of loci for " << kind << " \"" << id << "\" is different (" << k
               << ") from that previously defined (" << num_loci << ") on line "
               << line_number() << std::endl;
        E.error(ERROR, where, 69);
        return false;
    }

public:
    // Reads every data line up to the closing brace, a section word or the
    // end of the input; 0 after a reported failure.
    template <class ReadData>
    int read_lines(ReadData read_data)
    {
        while (lines.next()) {
            if (lines.brace_first)
                break;
            if (lines.names_section())
                return missing_brace_before_section();
            if (lines.has_token() && !read_data())
                return 0;
            if (lines.closed)
                break;
        }
        return lines.stopped() ? 0 : 1;
    }

protected:
    int missing_brace_before_section()
    {
        *_ZOS_ << "\tMissing closing brace for sample \"" << sample.name
               << "\". New section found on line " << line_number()
               << " before finding closing brace.  Aborting reading procedure" << std::endl;
        E.error(ERROR, where, 194);
        return 0;
    }
};

class HaplotypicReader : public BlockReader {
public:
    HaplotypicReader(Population& sample, BlockLines& lines, Haplo_DB& list)
        : BlockReader(sample, lines, GAMETIC), list(list)
    {
        // The first definition of an id wins, as a search from the start would.
        for (int i = 0; i < list.list.count; i++)
            by_id.emplace(list.list[i]->id.str, list.list[i]);
    }

    int read_line()
    {
        DataLine fields(lines.line);
        bool is_new = false;
        HaploDef* definition = find_or_add(fields.id, is_new);
        if (fields.frequency.empty()) {
            *_ZOS_ << "\tUnable to read haplotype \"" << fields.id << "\" frequency on line "
                   << line_number() << ", aborting reading procedure" << std::endl;
            E.error(ERROR, GAMETIC, 144);
            return 0;
        }
        double count = 0;
        CountRead read = count_of(fields.frequency, count);
        if (read == NO_NUMBER) {
            *_ZOS_ << "\tProblem reading haplotype frequency (\"" << fields.frequency
                   << "\") on line " << line_number() << " . Aborting reading file" << std::endl;
            E.error(ERROR, GAMETIC, 144);
            return 0;
        }
        if (read == PAST_INT_RANGE)
            return refuse_count_past_int_range("haplotype", fields, false);
        // The copies of a haplotype over all samples are kept in an int.
        if (count > INT_MAX - definition->count)
            return refuse_count_past_int_range("haplotype", fields, true);
        int stored = static_cast<int>(count);
        if (stored != count)
            warn_fractional_count(fields, stored);
        sum += stored;

        if (ProfileSettings::DataType != FREQUENCY) {
            bool has_text = fields.has_text();
            if (is_new && !has_text) {
                *_ZOS_ << "\tHaplotype \"" << fields.id << "\" listed on line " << line_number()
                       << " is undefined. Aborting reading project." << std::endl;
                E.error(ERROR, GAMETIC, 63);
                return 0;
            }
            if (definition->content.is_null()) {
                if (!define(*definition, fields))
                    return 0;
            } else if (has_text && !check_repeated(*definition, fields)) {
                return 0;
            }
        }
        if (stored != 0) {
            sample.haplotypes.Add(new PHaploDef(definition, stored));
            definition->count += stored;
            ++sample.num_haplotypes;
        }
        return 1;
    }

private:
    Haplo_DB& list;
    std::unordered_map<std::string, HaploDef*> by_id;  // exact, case-sensitive ids

    HaploDef* find_or_add(std::string const& id, bool& is_new)
    {
        auto found = by_id.find(id);
        if (found != by_id.end())
            return found->second;
        HaploDef* definition = new HaploDef(my_string(id.c_str()));
        list.list.Add(definition);
        by_id.emplace(id, definition);
        is_new = true;
        return definition;
    }

    // Records hold whole copies: a fractional absolute count is cut to its
    // integer part, and the sample size counts what is stored.
    void warn_fractional_count(DataLine const& fields, int stored)
    {
        E.error(WARNING, GAMETIC, 106);
        *_ZOS_ << "\tHaplotype \"" << fields.id << "\" count (" << fields.frequency
               << ") on line " << line_number() << " is not a whole number: " << stored
               << " copies kept" << std::endl;
    }

    // The sample's records go when its data turn out unreadable. The
    // definitions stay in the project's list: the records of the samples
    // read before this one point at them.
    void drop_records()
    {
        sample.haplotypes.Flush();
    }

    int define(HaploDef& definition, DataLine const& fields)
    {
        LocusText locus_text(fields.rest, fields.end);
        if (!same_loci("haplotype", fields.id, locus_text.loci))
            return 0;
        my_string text(locus_text.text.c_str());
        if (!definition.read_data(text, sample.profile)) {
            drop_records();
            *_ZOS_ << "\tUnable to read haplotype definition on line " << line_number()
                   << ", aborting reading procedure" << std::endl;
            E.error(ERROR, GAMETIC, 63);
            return 0;
        }
        return 1;
    }

    // A defined haplotype given with its text again: the texts must agree.
    int check_repeated(HaploDef& definition, DataLine const& fields)
    {
        std::string where_repeated = std::string(GAMETIC) + ",  " + fields.id + " : ";
        E.error(WARNING, where_repeated.c_str(), 146);
        *_ZOS_ << "\tHaplotype " << fields.id << " defined on line " << line_number()
               << " has already been defined previously..." << std::endl;
        LocusText locus_text(fields.rest, fields.end);
        if (!same_loci("haplotype", fields.id, locus_text.loci))
            return 0;
        my_string text(locus_text.text.c_str());
        HaploDef repeated;
        if (!repeated.read_data(text, sample.profile)) {
            drop_records();
            *_ZOS_ << "\tUnable to read haplotype definition on line " << line_number()
                   << ". Aborting reading project." << std::endl;
            E.error(ERROR, GAMETIC, 33);
            return 0;
        }
        if (std::strcmp(repeated.content.str, definition.content.str) != 0) {
            drop_records();
            *_ZOS_ << "\tDefinition of haplotype " << fields.id << " defined on line "
                   << line_number() << " does not match its previous definition, aborting "
                   << "reading project." << std::endl;
            E.error(ERROR, GAMETIC, 31);
            return 0;
        }
        return 1;
    }
};

class GenotypicReader : public BlockReader {
public:
    GenotypicReader(Population& sample, BlockLines& lines)
        : BlockReader(sample, lines, GENOTYPIC)
    {
    }

    // Reads the two lines of one individual.
    int read_individual()
    {
        DataLine fields(lines.line);
        std::string const& id = fields.id;
        if (!fields.after_id) {
            *_ZOS_ << "\tUnable to read genotype ID on line " << line_number()
                   << ", aborting reading procedure" << std::endl;
            return 0;
        }
        if (fields.frequency.empty()) {
            *_ZOS_ << "\tUnable to read read genotype frequency on line " << line_number()
                   << ". Aborting reading project" << std::endl;
            E.error(ERROR, "New_read_genotypic_data()", 149);
            return 0;
        }
        double count = 0;
        CountRead read = count_of(fields.frequency, count);
        if (read == PAST_INT_RANGE)
            return refuse_count_past_int_range("genotype", fields, false);
        if (read == NO_NUMBER) {
            *_ZOS_ << "\tProblem reading genotype frequency (\"" << fields.frequency
                   << "\") on line " << line_number() << " . Aborting reading project"
                   << std::endl;
            E.error(ERROR, GENOTYPIC, 149);
            return 0;
        }
        if (!fields.after_frequency) {
            *_ZOS_ << "\tUnable to read genotype \"" << id << "\" definition on line "
                   << line_number() << ". Aborting reading project" << std::endl;
            E.error(ERROR, GENOTYPIC, 149);
            return 0;
        }
        if (!fields.has_text()) {
            *_ZOS_ << "\tUnable to read phenotype \"" << id << "\" definition on line "
                   << line_number() << ". Aborting reading project" << std::endl;
            E.error(ERROR, GENOTYPIC, 150);
            return 0;
        }
        sum += count;
        LocusText copy1(fields.rest, fields.end);
        if (!same_loci("genotype", id, copy1.loci))
            return 0;
        ++sample.num_haplotypes;

        // The second line is read even when the first one closed the block.
        if (!lines.next() || lines.brace_first) {
            *_ZOS_ << "\tMissing second gene copy of genotype \"" << id << "\" on line "
                   << line_number() << ". Aborting reading project" << std::endl;
            E.error(ERROR, GENOTYPIC, 150);
            return 0;
        }
        if (lines.names_section())
            return missing_brace_before_section();
        LocusText copy2(lines.line.str, lines.line.str + lines.line.length);
        if (copy2.loci != copy1.loci) {
            *_ZOS_ << "\tNumber of loci for genotype \"" << id << "\" is different ("
                   << copy2.loci << ") from that previously defined (" << copy1.loci
                   << ") on line " << line_number() << std::endl;
            E.error(ERROR, GENOTYPIC, 69);
            return 0;
        }
        ++sample.num_haplotypes;
        store(id, count, copy1.text, copy2.text);
        return 1;
    }

private:
    void store(std::string const& id, double count, std::string const& copy1,
               std::string const& copy2)
    {
        try {
            TPhenotype* individual = new TPhenotype(my_string(id.c_str()), count);
            individual->gene_copy[0] = copy1.c_str();
            individual->gene_copy[1] = copy2.c_str();
            sample.individuals.phenotypes.Add(individual);
        } catch (std::bad_alloc const&) {
            E.error(MEMORY, GENOTYPIC, 0);
        }
    }
};

}  // namespace

int Population::New_read_gametic_data(std::istream& in, Haplo_DB& haplotype_list, int external,
                                      int& line_number, my_string& line)
{
    num_haplotypes = 0;
    BlockLines lines(in, line, line_number);
    HaplotypicReader reader(*this, lines, haplotype_list);
    if (!reader.read_lines([&] { return reader.read_line(); }))
        return 0;
    return finish_block(external, lines.closed, reader.sum, reader.rel_sum, false);
}

int Population::New_read_genotypic_data(std::istream& in, int external, int& line_number,
                                        my_string& line)
{
    num_haplotypes = 0;
    BlockLines lines(in, line, line_number);
    GenotypicReader reader(*this, lines);
    if (!reader.read_lines([&] { return reader.read_individual(); }))
        return 0;
    return finish_block(external, lines.closed, reader.sum, reader.rel_sum, true);
}

// The closing brace of an inline block, then the checks of its counts.
int Population::finish_block(int external, bool closed, double sum, double rel_sum,
                             bool genotypic)
{
    const char* where = genotypic ? GENOTYPIC : GAMETIC;
    if (!external && !closed) {
        *_ZOS_ << "\tMissing closing brace for sample \"" << name
               << "\", aborting reading procedure" << std::endl;
        E.error(ERROR, where, 194);
        return 0;
    }
    check_block_sums(where, sum, rel_sum, genotypic);
    return 1;
}

// The counts of a block against SampleSize (absolute counts) or the relative
// frequencies against 1, then the sample size in gene copies.
void Population::check_block_sums(const char* where, double sum, double rel_sum, bool genotypic)
{
    bool relative = profile.Frequency == 1;
    if (!relative && sum != SampleSize) {
        std::string text = std::string(where) + " (SampleSize=" +
                           formatted("%.0f", std::trunc(SampleSize)) + "; Sum. Freq.=" +
                           formatted("%.0f", std::trunc(sum)) + ")";
        E.error(WARNING, text.c_str(), genotypic ? 148 : 141);
    }
    if (relative && std::fabs(1 - rel_sum) > 0.001) {
        std::string text = std::string(where) + " sum of Relative frequencies=" +
                           formatted("%f", rel_sum);
        E.error(WARNING, text.c_str(), 174);
    }
    SampleSize = genotypic ? 2 * sum : sum;
    inv_sample_size = SampleSize != 0 ? 1 / SampleSize : 1;
}

namespace {

void write_count(std::ostream& os, double count)
{
    os << std::setw(10) << std::fixed << std::setprecision(2) << count;
}

}  // namespace

std::ostream& operator<<(std::ostream& os, Population const& sample)
{
    std::ios::fmtflags flags = os.flags();
    std::streamsize precision = os.precision();
    os << std::right;

    bool genotypic = sample.profile.GenotypicData != 0;
    double size = genotypic ? sample.SampleSize * 0.5 : sample.SampleSize;
    os << "\t\tSampleName=\"" << sample.name << "\"\n";
    os << "\t\tSampleSize=" << formatted("%.0f", std::trunc(size)) << "\n";
    os << "\t\tSampleData={" << "\n";

    MY_TIArrayAsVector<TPhenotype> const& individuals = sample.individuals.phenotypes;
    if (individuals.count > 0 && genotypic) {
        for (int i = 0; i < individuals.count; i++) {
            TPhenotype const* p = individuals[i];
            os << std::setw(16) << p->name;
            write_count(os, p->count);
            os << "\t" << p->gene_copy[0] << "\n";
            os << std::string(26, ' ') << "\t" << p->gene_copy[1] << "\n";
        }
    } else if (individuals.count > 0) {
        // Each gene copy becomes a haplotype named after the sample.
        my_string stem = sample.name.convert_blank_to_underline();
        int number = 0;
        for (int i = 0; i < individuals.count; i++) {
            TPhenotype const* p = individuals[i];
            for (my_string const& copy : p->gene_copy) {
                if (copy.is_null())
                    continue;
                std::string id = std::string(stem.str) + "_" + std::to_string(++number);
                os << std::setw(30) << id;
                write_count(os, p->count);
                os << "\t" << copy << "\n";
            }
        }
    } else {
        for (int i = 0; i < sample.haplotypes.count; i++) {
            PHaploDef const* record = sample.haplotypes[i];
            HaploDef const* definition = record->haplotype;
            os << std::setw(16) << (definition ? definition->id : my_string("ERROR"));
            os << std::setw(10) << record->count << "\t";
            if (definition)
                os << definition->content;
            os << "\n";
        }
    }
    os << "\t\t}" << std::endl;

    os.flags(flags);
    os.precision(precision);
    return os;
}
