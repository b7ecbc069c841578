// The "[Profile]" section in the identifier syntax of older project files.
//
// Every entry is an identifier of the keyword table, an '=' and a value read
// by the tokenizer. An invalid value of most keys is replaced by the key's
// default with a WARNING and the reading goes on; a missing value of a key
// whose value the rest of the file depends on stops the reading. An
// identifier that is no profile key is an error: entries are never skipped.

#include "project/profile_settings.h"

#include <cstring>
#include <new>

#include "app/glbobj.h"
#include "core/conversions.h"
#include "core/errors.h"
#include "core/keyword_line.h"
#include "core/public.h"

namespace {

const char* const ID_CONTENT = "ProfileSettings::read_profile_id_content()";

// An integer by stream extraction (it may stand on a later line). False when
// no number comes next; the stream is then usable again.
bool extract_int(std::istream& ifs, int& n)
{
    if (ifs >> n)
        return true;
    ifs.clear();
    return false;
}

// The keys whose values are 0 or 1, tested as an unsigned number so that
// negative values are invalid too.
bool is_flag(int n) { return static_cast<unsigned>(n) <= 1u; }

// A flag key read by stream extraction: no number gives `fallback` with the
// report `missing` and stops the reading; a value other than 0 or 1 gives
// `fallback` with the report `invalid` and goes on.
int read_flag(std::istream& ifs, int& field, int fallback, const char* where,
              ErrorType missing_kind, int missing, int invalid)
{
    int n = 0;
    if (!extract_int(ifs, n)) {
        field = fallback;
        E.error(missing_kind, where, missing);
        return 0;
    }
    if (!is_flag(n)) {
        field = fallback;
        E.error(WARNING, where, invalid);
        return 1;
    }
    field = n;
    return 1;
}

// The value of a text-word key (the rest of the text up to a blank on the
// same line), for the number keys read with my_atof.
double read_number_word(std::istream& ifs)
{
    my_string word;
    ifs >> word;
    return my_atof(word.str);
}

// Skips the rest of the line up to and including the first c; false when the
// line (or the input) ends first.
bool skip_past_on_line(std::istream& ifs, char c)
{
    for (;;) {
        int got = ifs.get();
        if (ifs.fail() || got == '\n')
            return false;
        if (got == c)
            return true;
    }
}

}  // namespace

int ProfileSettings::get_profile_settings(std::istream& ifs)
{
    skip_comments(ifs);
    if (!position_after(ifs, "Profile", "", ""))
        return 0;
    skip_comments(ifs);
    my_string identifier;
    while (get_next_ident(ifs, identifier)) {
        if (!is_identifier(identifier) || !read_profile_id_content(ifs, identifier)) {
            E.error(ERROR, "ProfileSettings::get_profile_settings(ifstream& ifs", 98);
            return 0;
        }
    }
    return 1;
}

int ProfileSettings::read_profile_id_content(std::istream& ifs, my_string key)
{
    using Reader = int (ProfileSettings::*)(std::istream&);
    static const struct {
        const char* key;
        Reader read;
    } readers[] = {
        {"title", &ProfileSettings::read_Title},
        {"nbsamples", &ProfileSettings::read_NbSamples},
        {"nbgroups", &ProfileSettings::read_NbGroups},
        {"nbloci", &ProfileSettings::read_NbLoci},
        {"datatype", &ProfileSettings::read_DataType},
        {"genotypicdata", &ProfileSettings::read_GenotypicData},
        {"gameticphase", &ProfileSettings::read_GameticPhase},
        {"locusseparator", &ProfileSettings::read_LocusSeparator},
        {"locilabels", &ProfileSettings::read_LociLabels},
        {"missingdata", &ProfileSettings::read_MissingData},
        {"usedhapllist", &ProfileSettings::read_UsedHaplList},
        {"locuslisting", &ProfileSettings::read_LocusListing},
        {"frequency", &ProfileSettings::read_Frequency},
        {"individuallevel", &ProfileSettings::read_IndividualLevel},
        {"interleave", &ProfileSettings::read_Interleave},
        {"recessivedata", &ProfileSettings::read_RecessiveData},
        {"recessiveallele", &ProfileSettings::read_RecessiveAllele},
        {"frequencythreshold", &ProfileSettings::read_freq_threshold},
        {"epsilonvalue", &ProfileSettings::read_eps_val},
    };
    for (auto const& entry : readers)
        if (same_text(key, entry.key) && (this->*entry.read)(ifs))
            return 1;

    // An unknown identifier, or a value that stops the reading.
    E.error(ERROR, ID_CONTENT, 98);
    return 0;
}

// Title, NbSamples and NbGroups report as read_profile_id_content.
int ProfileSettings::read_Title(std::istream& ifs)
{
    my_string value;
    if (!get_qstring(ifs, value)) {
        E.error(ERROR, ID_CONTENT, 93);
        return 0;
    }
    Title = value;
    return 1;
}

int ProfileSettings::read_NbSamples(std::istream& ifs)
{
    int n = 0;
    if (!extract_int(ifs, n)) {
        E.error(ERROR, ID_CONTENT, 94);
        return 0;
    }
    if (n < 0) {
        E.error(ERROR, ID_CONTENT, 95);
        return 0;
    }
    NbSamples = n;
    return 1;
}

int ProfileSettings::read_NbGroups(std::istream& ifs)
{
    int n = 0;
    if (!extract_int(ifs, n)) {
        E.error(ERROR, ID_CONTENT, 96);
        return 0;
    }
    if (n < 1 || n > 1000) {
        E.error(ERROR, ID_CONTENT, 97);
        return 0;
    }
    NbGroups = n;
    return 1;
}

int ProfileSettings::read_NbLoci(std::istream& ifs)
{
    // The digits must follow the '=' directly: "NbLoci = 3" has no value.
    int n = 0;
    if (!get_int(ifs, n) || n > 10) {
        NbLoci = NbLociDefault;
        E.error(WARNING, "ProfileSettings::read_NbLoci()", 81);
        return 1;
    }
    NbLoci = n;
    return 1;
}

int ProfileSettings::read_DataType(std::istream& ifs)
{
    static const struct {
        const char* word;
        TDataType type;
    } types[] = {{"DNA", DNA}, {"RFLP", RFLP}, {"MICROSAT", MICROSAT},
                 {"STANDARD", STANDARD}, {"FREQUENCY", FREQUENCY}};
    my_string value;
    if (get_qstring(ifs, value)) {
        value.to_upper();
        for (auto const& t : types) {
            if (same_text(value, t.word)) {
                DataType = t.type;
                return 1;
            }
        }
    }
    DataType = DataTypeDefault;
    E.error(WARNING, "ProfileSettings::read_DataType()", 75);
    return 1;
}

int ProfileSettings::read_GenotypicData(std::istream& ifs)
{
    return read_flag(ifs, GenotypicData, GenotypicDataDefault,
                     "ProfileSettings::read_GenotypicData()", WARNING, 73, 74);
}

int ProfileSettings::read_GameticPhase(std::istream& ifs)
{
    return read_flag(ifs, GameticPhase, GameticPhaseDefault,
                     "ProfileSettings::read_GameticPhase()", WARNING, 88, 89);
}

int ProfileSettings::read_IndividualLevel(std::istream& ifs)
{
    return read_flag(ifs, IndividualLevel, IndividualLevelDefault,
                     "ProfileSettings::read_IndividualLevel()", ERROR, 83, 84);
}

int ProfileSettings::read_Interleave(std::istream& ifs)
{
    return read_flag(ifs, Interleave, InterleaveDefault, "ProfileSettings::read_Interleave()",
                     WARNING, 85, 86);
}

// One of , / : ; | as it stands; TAB, WHITESPACE or NONE (also "\0") in any
// case; or one character between quotes. Anything else gives the blank.
int ProfileSettings::read_LocusSeparator(std::istream& ifs)
{
    my_string token;
    token.read_token(ifs);
    if (token.length == 1) {
        if (std::strchr(",/:;|", token.str[0]) != nullptr) {
            LocusSeparator = token.str[0];
            return 1;
        }
    } else if (token.length >= 2) {
        token.to_upper();
        if (token.contains("TAB")) {
            LocusSeparator = '\t';
            return 1;
        }
        if (token.contains("WHITESPACE")) {
            LocusSeparator = ' ';
            return 1;
        }
        if (token.contains("NONE") || token.contains("\\0")) {
            LocusSeparator = 0;
            return 1;
        }
        my_string quoted;
        if (getQuotedString(token, quoted, "LocusSeparator", -1)) {
            quoted.remove_blanks();
            if (quoted.length == 1) {
                LocusSeparator = quoted.str[0];
                return 1;
            }
        }
    }
    LocusSeparator = LocusSeparatorDefault;
    E.error(WARNING, "ProfileSettings::read_LocusSeparator()", 82);
    return 1;
}

// NbLoci labels on the line of the '{', separated by blanks; a '}' ends the
// list. NbLoci must come first: with NbLoci 0 no label is kept.
int ProfileSettings::read_LociLabels(std::istream& ifs)
{
    const char* const where = "ProfileSettings::read_LociLabels()";
    delete[] LociLabels;
    LociLabels = nullptr;
    bool opened = skip_past_on_line(ifs, '{');
    if (NbLoci == 0)
        return 1;
    if (!opened) {
        E.error(ERROR, where, 76);
        return 0;
    }
    try {
        LociLabels = new my_string[NbLoci];
    } catch (std::bad_alloc const&) {
        E.error(MEMORY, where, 0);
    }
    for (int i = 0; i < NbLoci; i++) {
        ifs >> LociLabels[i];
        int brace = LociLabels[i].find_first_of('}');
        if (brace < 0)
            continue;
        LociLabels[i].remove(brace, LociLabels[i].length - brace);
        // A '}' standing alone ends the list before this label.
        int labels_given = brace > 0 ? i + 1 : i;
        if (labels_given < NbLoci) {
            E.error(ERROR, where, 76);
            return 0;
        }
        return 1;
    }
    skip_past_on_line(ifs, '}');
    return 1;
}

int ProfileSettings::read_MissingData(std::istream& ifs)
{
    char c = 0;
    if (!get_qchar(ifs, c)) {
        MissingData = MissingDataDefault;
        E.error(WARNING, "ProfileSettings::read_MissingData()", 78);
        return 1;
    }
    MissingData = c;
    return 1;
}

int ProfileSettings::read_UsedHaplList(std::istream& ifs)
{
    my_string value;
    if (!get_qstring(ifs, value)) {
        UsedHaplList = UsedHaplListDefault;
        E.error(WARNING, "    ProfileSettings::read_UsedHaplList()", 77);
        return 0;
    }
    UsedHaplList = value;
    return 1;
}

int ProfileSettings::read_LocusListing(std::istream& ifs)
{
    const char* const where = "ProfileSettings::read_LocusListing()";
    my_string word;
    LocusListing = LocusListingDefault;
    if (!get_word(ifs, word)) {
        E.error(WARNING, where, 79);
        return 1;
    }
    word.to_upper();
    if (same_text(word, "TABLE"))
        LocusListing = 0;
    else if (same_text(word, "ONE_BY_ONE"))
        LocusListing = 1;
    else
        E.error(WARNING, where, 80);
    return 1;
}

int ProfileSettings::read_Frequency(std::istream& ifs)
{
    const char* const where = "ProfileSettings::read_Frequency()";
    my_string word;
    Frequency = FrequencyDefault;
    if (!get_word(ifs, word)) {
        E.error(WARNING, where, 87);
        return 0;
    }
    word.to_upper();
    if (same_text(word, "ABS"))
        Frequency = 0;
    else if (same_text(word, "REL"))
        Frequency = 1;
    else
        E.error(WARNING, where, 87);
    return 1;
}

int ProfileSettings::read_RecessiveData(std::istream& ifs)
{
    my_string word;
    ifs >> word;
    RecessiveData = same_text(word, "1") || same_text(word, "yes") || same_text(word, "YES") ||
                    same_text(word, "Y");
    return 1;
}

int ProfileSettings::read_dist_mat(std::istream& ifs)
{
    my_string word;
    ifs >> word;
    word.to_lower();
    GivenDistMat = same_text(word, "yes") || same_text(word, "y") || same_text(word, "1") ? 0 : 1;
    return 1;
}

int ProfileSettings::read_RecessiveAllele(std::istream& ifs)
{
    my_string value;
    get_qstring(ifs, value);
    if (value.contains(' ')) {
        RecessiveAllele = RecessiveAlleleDefault;
        RecessiveData = 0;
        E.error(WARNING, "ProfileSettings::read_RecessiveAllele()", 90);
        return 1;
    }
    RecessiveAllele = value;
    return 1;
}

int ProfileSettings::read_freq_threshold(std::istream& ifs)
{
    double value = read_number_word(ifs);
    if (value > 1e-16 && value < 1.0) {
        FrequencyThreshold = value;
        return 1;
    }
    FrequencyThreshold = 1e-5;
    E.error(WARNING, "ProfileSettings::read_freq_threshold()", 91);
    return 0;
}

int ProfileSettings::read_eps_val(std::istream& ifs)
{
    double value = read_number_word(ifs);
    if (value > 0 && value < 1.0) {
        EpsilonValue = value;
        return 1;
    }
    EpsilonValue = 1e-7;
    E.error(WARNING, "ProfileSettings::read_eps_val", 92);
    return 0;
}
