// Haplotype definitions: checking their data by data type, turning their
// content into allele pointers, comparing them and writing them.

#include "model/haplo_def.h"

#include <cstdio>
#include <limits>
#include <string>

#include "core/errors.h"
#include "core/public.h"
#include "model/allele_db.h"

namespace {

bool is_letter(char c) { return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z'); }

// The characters that DNA, RFLP and microsatellite data take into a
// definition's content, and the scan of one line of such data: a '#' stops
// the taking but not the checking, a blank is skipped, a line feed ends the
// line, anything else is invalid.
class DataLineRules {
public:
    enum Step { GO_ON, END_OF_LINE, INVALID };

    DataLineRules(TDataType type, char missing)
        : type(type), missing(missing), separator(ProfileSettings::LocusSeparator) {}

    Step take(char c, std::string& content)
    {
        if (accepts(c)) {
            if (!in_comment)
                content += c;
            return GO_ON;
        }
        if (c == ' ')
            return GO_ON;
        if (c == '#') {
            in_comment = true;
            return GO_ON;
        }
        return c == '\n' ? END_OF_LINE : INVALID;
    }

    // Message of the table for data this type refuses.
    int invalid_message() const { return type == DNA ? 26 : type == RFLP ? 25 : 27; }

private:
    TDataType type;
    char missing;
    char separator;
    bool in_comment = false;

    bool accepts(char c) const
    {
        if (c == missing || (separator != 0 && c == separator))
            return true;
        switch (type) {
        case DNA: return is_letter(c) || c == '-' || (c >= '0' && c <= '3');
        case RFLP: return c == '-' || c == '0' || c == '1';
        default: return c >= '0' && c <= '9';
        }
    }
};

bool is_built_type(TDataType type) { return type == DNA || type == RFLP || type == MICROSAT; }

const char* const READ_DATA = "HaploDef::read_data()";

// Scans one line of a DNA, RFLP or microsatellite content, the characters
// coming from next() (EOF once none is left), into `built`. Returns the step
// that ended the scan: END_OF_LINE, INVALID (reported) or GO_ON when the
// characters ran out first.
template <class Next>
DataLineRules::Step scan_line(DataLineRules& rules, std::string& built, Next next)
{
    for (int c = next(); c != EOF; c = next()) {
        DataLineRules::Step step = rules.take(static_cast<char>(c), built);
        if (step == DataLineRules::INVALID)
            E.error(ERROR, READ_DATA, rules.invalid_message());
        if (step != DataLineRules::GO_ON)
            return step;
    }
    return DataLineRules::GO_ON;
}

}  // namespace

HaploDef::HaploDef() : HaploDef(my_string()) {}

HaploDef::HaploDef(my_string const& haplotype_id)
    : haplovect(10, 10), matrix_index(-1), id(haplotype_id), content(), count(0)
{
    haplovect.owns = 0;
}

HaploDef::HaploDef(HaploDef const& other) : HaploDef()
{
    *this = other;
}

HaploDef& HaploDef::operator=(HaploDef const& other)
{
    if (this == &other)
        return *this;
    id = other.id;
    matrix_index = other.matrix_index;
    content = other.content;
    count = other.count;
    haplovect.Reallocate(other.haplovect.count);
    for (int i = 0; i < other.haplovect.count; ++i)
        haplovect.Add(other.haplovect[i]);
    return *this;
}

// Trailing blanks and tabs go when the content ends with a blank (a content
// ending with a tab is kept as it is); the first character always stays.
void HaploDef::trim_trailing_blanks()
{
    if (content.length == 0 || content.str[content.length - 1] != ' ')
        return;
    int keep = content.length;
    while (keep > 1 && (content.str[keep - 1] == ' ' || content.str[keep - 1] == '\t'))
        --keep;
    content.remove(keep, content.length - keep);
}

int HaploDef::read_data(my_string& line, ProfileSettings& profile)
{
    TDataType type = ProfileSettings::DataType;
    if (type == STANDARD) {
        content = line;
    } else if (type == FREQUENCY) {
        content = "";
    } else if (is_built_type(type)) {
        DataLineRules rules(type, profile.MissingData);
        std::string built;
        int i = 0;
        DataLineRules::Step step = scan_line(rules, built, [&] {
            return i < line.length ? static_cast<unsigned char>(line.str[i++]) : EOF;
        });
        content = built.c_str();
        if (step == DataLineRules::INVALID || built.empty())
            return 0;
    }
    trim_trailing_blanks();
    return 1;
}

int HaploDef::read_data(std::istream& is, ProfileSettings& profile)
{
    TDataType type = ProfileSettings::DataType;
    if (type == STANDARD) {
        content.read_line(is);
        if (is.fail())  // not even an empty line was left
            return 0;
    } else if (type == FREQUENCY) {
        content = "";
        skip_comments(is);
        return 1;
    } else if (is_built_type(type)) {
        DataLineRules rules(type, profile.MissingData);
        std::string built;
        DataLineRules::Step step = scan_line(rules, built, [&is] { return is.get(); });
        content = built.c_str();
        if (step == DataLineRules::GO_ON) {
            // The last line of a file needs no line feed; it is not trimmed.
            if (is.eof())
                return built.empty() ? 0 : 1;
            if (type == MICROSAT)
                E.error(ERROR, READ_DATA, rules.invalid_message());
            return 0;
        }
        if (step == DataLineRules::INVALID || built.empty())
            return 0;
    } else {
        is.ignore(std::numeric_limits<std::streamsize>::max(), '\n');
    }
    trim_trailing_blanks();
    return 1;
}

void HaploDef::build_haplovect(TAlleleDB* db, char const& separator, int population, double weight)
{
    if (separator == 0) {
        haplovect.Reallocate(content.length);
        for (int i = 0; i < content.length; ++i) {
            int k = db->InsertAllPos(i, content.str[i], weight, population);
            haplovect.Add(db->allele_at(i, k));
        }
        return;
    }
    haplovect.Reallocate(db->loci.count);
    int locus = 0;
    const char* p = content.str;
    const char* end = content.str + content.length;
    while (p < end) {
        const char* word_end = p;
        while (word_end < end && *word_end != separator)
            ++word_end;
        if (word_end > p) {  // empty words consume no locus
            my_string allele(std::string(p, word_end).c_str());
            int k = db->InsertAllPos(locus, allele, weight, population);
            haplovect.Add(db->allele_at(locus, k));
            ++locus;
        }
        p = word_end + 1;
    }
}

bool HaploDef::hasSameAllelicContent(HaploDef const& other) const
{
    if (haplovect.count != other.haplovect.count)
        return false;
    for (int i = 0; i < haplovect.count; ++i)
        if (haplovect[i] != other.haplovect[i])
            return false;
    return true;
}

void HaploDef::flush()
{
    haplovect.Flush();
}

std::ostream& operator<<(std::ostream& os, HaploDef& h)
{
    if (h.content.length == 0)
        os << ' ' << h.id;
    else
        os << h.id << '\t' << h.content;
    return os;
}

void Print(HaploDef& h, void* stream)
{
    std::ostream& os = *static_cast<std::ostream*>(stream);
    os << h << '\n';
    os.flush();
}
