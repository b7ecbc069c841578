// Line reader of a distance matrix's data: an optional label line, then one
// line per row holding the row's distances up to its diagonal (LabelPosition
// COLUMN puts each row's label in front of its distances).

#include "model/dist_mat.h"

#include <cmath>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"

namespace {

const char* const READER = "DistMat::ReadDistanceMatrix()";

// Reads the next line, counts it and cuts it at its first '#'. False when the
// input held no further line.
bool next_line(std::istream& is, my_string& line, int& line_counter)
{
    line.read_line(is);
    if (is.fail())
        return false;
    ++line_counter;
    int hash = line.find_first_of('#');
    if (hash >= 0)
        line.remove(hash, line.length - hash);
    return true;
}

// Cuts the line before its first '}'; true when there was one.
bool cut_at_brace(my_string& line)
{
    int brace = line.find_first_of('}');
    if (brace < 0)
        return false;
    line.remove(brace, line.length - brace);
    return true;
}

// The words of a line, separated by blanks and tabs; views into the line.
void split_words(my_string const& line, std::vector<std::string_view>& words)
{
    words.clear();
    const char* p = line.str;
    const char* end = line.str + line.length;
    while (p < end) {
        while (p < end && (*p == ' ' || *p == '\t' || *p == '\n'))
            ++p;
        const char* start = p;
        while (p < end && *p != ' ' && *p != '\t' && *p != '\n')
            ++p;
        if (p > start)
            words.emplace_back(start, static_cast<std::size_t>(p - start));
    }
}

// A distance must be a whole word that strtod reads, and a finite number.
bool read_distance(std::string_view word, double& value)
{
    char* used = nullptr;
    value = std::strtod(word.data(), &used);
    return used == word.data() + word.size() && std::isfinite(value);
}

my_string to_my_string(std::string_view word)
{
    return my_string(std::string(word).c_str());
}

bool is_next_section(my_string const& line)
{
    my_string upper = line;
    upper.Upper();
    return upper.contains("[SAMPLES]") || upper.contains("[STRUCTURE]") ||
           upper.contains("[MANTEL]");
}

}  // namespace

bool DistMat::read_label_line(std::istream& is, int& line_counter)
{
    my_string line;
    next_line(is, line, line_counter);  // no line left reads as an empty one
    if (is.bad())  // a line too long to read, reported where it stands
        return false;
    if (line.contains('}')) {
        *_ZOS_ << "\tUnexpected closing brace found on line " << line_counter
               << ". Aborting reading distance matrix." << std::endl;
        E.error(ERROR, READER, 12);
        return false;
    }
    std::vector<std::string_view> words;
    split_words(line, words);
    int found = static_cast<int>(words.size());
    for (int i = 0; i < found && i < n; ++i)
        labels[i] = to_my_string(words[i]);
    if (found < n) {
        *_ZOS_ << "\tMissing labels on line " << line_counter << ". Only " << found
               << " labels were found while " << n
               << " were expected. Last correctly read label was \""
               << (found > 0 ? to_my_string(words[found - 1]) : my_string())
               << "\". Aborting reading Distance Matrix" << std::endl;
        E.error(ERROR, READER, 12);
        return false;
    }
    if (found > n) {
        *_ZOS_ << "\tWarning: More labels than anticipated (" << size
               << ") are declared on line " << line_counter << std::endl;
        E.error(WARNING, READER, 15);
    }
    return true;
}

bool DistMat::ReadDistanceMatrix(std::istream& is, bool external, int& line_counter)
{
    ensure_labels();
    while (is.peek() == ' ' || is.peek() == '\t')
        is.get();
    if (label_position == LINE && !read_label_line(is, line_counter))
        return false;

    my_string line;
    std::vector<std::string_view> words;
    bool brace_seen = false;
    int rows_read = 0;
    for (int r = 0; r < n && is.good(); ++r) {
        if (!next_line(is, line, line_counter))
            break;
        if (cut_at_brace(line))
            brace_seen = true;
        split_words(line, words);
        int first_value = 0;
        if (label_position == COLUMN) {
            if (words.empty()) {
                *_ZOS_ << "\tUnable to read label #" << r + 1 << " on line " << line_counter
                       << ". Aborting reading Distance Matrix" << std::endl;
                E.error(ERROR, READER, 12);
                return false;
            }
            labels[r] = to_my_string(words[0]);
            first_value = 1;
        }
        int values = static_cast<int>(words.size()) - first_value;
        for (int j = 0; j <= r && j < values; ++j) {
            std::string_view word = words[first_value + j];
            double value = 0.0;
            if (!read_distance(word, value)) {
                *_ZOS_ << "\tBad value (\"" << to_my_string(word) << "\") for distance #" << j + 1
                       << " on line " << line_counter << ". Aborting reading distance matrix."
                       << std::endl;
                E.error(ERROR, READER, 13);
                return false;
            }
            rows[r][j] = value;
        }
        // A short row would leave distances at 0.0 unnoticed: it is refused.
        if (values < r + 1) {
            *_ZOS_ << "\tUnable to read distance #" << values + 1 << " on line " << line_counter
                   << ". Aborting reading distance matrix." << std::endl;
            E.error(ERROR, READER, 13);
            return false;
        }
        if (values > r + 1) {
            *_ZOS_ << "\tWarning:  Too many distances are defined on line " << line_counter << "("
                   << r + 2 << " instead of " << r + 1 << ")" << std::endl;
            E.error(WARNING, READER, 15);
        }
        ++rows_read;
    }
    if (is.bad())
        return false;
    if (rows_read < n) {
        *_ZOS_ << "\tInvalid dimension for distance matrix: " << n
               << " rows were expected, but only " << rows_read
               << " were found. Aborting reading project." << std::endl;
        E.error(ERROR, READER, 13);
        return false;
    }
    if (brace_seen || external)
        return true;
    // The brace may stand on a line of its own after the last row.
    while (next_line(is, line, line_counter)) {
        if (line.contains('}'))
            return true;
        if (is_next_section(line))
            break;
    }
    if (is.bad())
        return false;
    *_ZOS_ << "\tNo closing brace in Matrix Data \"" << name << "\"definition."
           << " Aborting reading project." << std::endl;
    E.error(ERROR, READER, 21);
    return false;
}
