// The translator frame: the table of formats, the import and export steps
// with their log lines, the comment header and the line helpers shared by
// the readers.
#include "translator/imp_exp.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <new>

#include "app/settings.h"
#include "core/errors.h"
#include "core/file_helpers.h"
#include "project/cleaner.h"
#include "project/project.h"

namespace {

// One row per format. A format plugs in here: its run-list word, its name in
// the comment header, and its reader and writer once they exist.
struct FormatEntry {
    int code;
    const char* word;         // as the run list names it
    const char* header_name;  // as the comment header names it
    int (imp_exp::*reader)();
    int (imp_exp::*writer)();
};

const FormatEntry formats[] = {
    {FORMAT_GENEPOP, "Genepop", "GenePop", &imp_exp::read_gen_pop, &imp_exp::write_gen_pop},
    {FORMAT_PHYLIP, "Phylip", "Phylip", &imp_exp::read_phylip, &imp_exp::write_phylip},
    {FORMAT_MEGA, "Mega", "Mega", &imp_exp::read_mega, &imp_exp::write_mega},
    {FORMAT_BIOSYS, "Biosys", "Biosys", &imp_exp::read_biosys, &imp_exp::write_biosys},
    {FORMAT_WINKESTA, "WinKesta", "WinKesta", &imp_exp::read_win_kesta, &imp_exp::write_win_kesta},
    {FORMAT_DROVALEN, "Drovalen", "Drovalen", &imp_exp::read_drovalen, &imp_exp::write_drovalen},
};

FormatEntry const* find_format(int code)
{
    for (FormatEntry const& entry : formats)
        if (entry.code == code)
            return &entry;
    return nullptr;
}

// Runs one step of a translation. A memory failure inside a reader or a
// writer ends the step with a log line instead of ending the program.
template <class Step>
int guarded(const char* where, Step step)
{
    try {
        return step();
    } catch (ExceptionType) {
        // The MEMORY report that threw is in the log already.
    } catch (std::bad_alloc const&) {
        E.error(ERROR, where, 0);
    }
    *_ZOS_ << "\t\tTranslation stopped: not enough memory" << std::endl;
    return 0;
}

// The settings that the preparation of genotypic data changes, put back
// however the preparation ends.
class KeptSettings {
public:
    explicit KeptSettings(settings& s)
        : s(s), task(s.TaskNumber), initial(s.InitialConditionsEM),
          replicates(s.NumBootstrapReplicatesEM)
    {
    }
    ~KeptSettings()
    {
        s.TaskNumber = task;
        s.InitialConditionsEM = initial;
        s.NumBootstrapReplicatesEM = replicates;
    }
    KeptSettings(KeptSettings const&) = delete;
    KeptSettings& operator=(KeptSettings const&) = delete;

private:
    settings& s;
    int task, initial, replicates;
};

} // namespace

imp_exp::imp_exp()
    : os(nullptr), stream_flag(0), spare_count(0), code(0), project(nullptr), diploid(0)
{
}

imp_exp::~imp_exp() = default;

void imp_exp::open_of_str()
{
    own_stream = std::make_unique<std::ofstream>(output_name.str,
                                                 std::ios::out | std::ios::trunc);
    os = own_stream.get();
    stream_flag = 1;
}

void imp_exp::close_of_str()
{
    if (os == nullptr)
        return;
    if (os == own_stream.get()) {
        own_stream->close();
        own_stream.reset();
    }
    os = nullptr;
}

int imp_exp::format_code(my_string const& word)
{
    for (FormatEntry const& entry : formats)
        if (same_text(word, entry.word))
            return entry.code;
    return 0;
}

int imp_exp::import_data(int format, char* input, char* output, std::ostream* stream)
{
    input_name = input;
    output_name = output;
    os = stream;
    code = format;
    input_files.assign(1, input_name.str);
    source_dir = "";
    source_copies.reset();
    *_ZOS_ << "\tReading  " << input_name << " ...";
    FormatEntry const* entry = find_format(code);
    if (entry == nullptr) {
        *_ZOS_ << "\n\t\tTranslator has no reader for this format" << std::endl;
        return 0;
    }
    int read = guarded("imp_exp::import_data()", [this, entry] {
        // The project format is copied as it is, without a header.
        if (code != FORMAT_DROVALEN)
            create_header();
        return (this->*entry->reader)();
    });
    if (read)
        *_ZOS_ << "\tdone." << std::endl;
    return read;
}

int imp_exp::export_data(int format, char* input, char* output, std::ostream* stream)
{
    input_name = input;
    output_name = output;
    os = stream;
    code = format;
    FormatEntry const* entry = find_format(code);
    if (entry == nullptr) {
        *_ZOS_ << "\t\tTranslator has no writer for this format" << std::endl;
        return 0;
    }
    int written = code == FORMAT_DROVALEN
                      ? guarded("imp_exp::export_data()", [this] { return write_drovalen(); })
                      : open_and_write(entry->writer);
    source_copies.reset();
    if (written == 1)
        *_ZOS_ << "    Writing  " << output_name << "... done." << std::endl;
    return written;
}

// The temporary project opened and prepared, then written. The project
// reader and the data preparation write their results, if any, into a
// results file of their own, deleted at the end of the step.
int imp_exp::open_and_write(int (imp_exp::*writer)())
{
    settings::input_file = input_name;
    settings& s = project->run_settings;
    s.project_dir = source_dir;
    s.extern_copies.clear();
    if (source_copies)
        source_copies->get_extern_copies(s.extern_copies);
    s.results_file = create_temporary("", "trans_out", ".txt");
    if (s.results_file.is_null()) {
        *_ZOS_ << "\t\tTranslator is unable to create a temporary results file" << std::endl;
        return 0;
    }
    std::fstream results(s.results_file.str, std::ios::out | std::ios::trunc);
    s.results_stream = &results;

    int written = guarded("imp_exp::export_data()", [this, writer] {
        if (!project->open()) {
            *_ZOS_ << "\t\tTranslator is unable to open the Drovalen File" << std::endl;
            return 0;
        }
        if (!prepare_project()) {
            *_ZOS_ << "\t\tTranslator is unable to prepare the data of the Drovalen File"
                   << std::endl;
            return 0;
        }
        return (this->*writer)();
    });

    s.results_stream = nullptr;
    s.extern_copies.clear();
    results.close();
    project->clean();
    MY_DeleteFile(s.results_file.str);
    return written;
}

bool imp_exp::may_write(my_string const& name) const
{
    for (std::string const& input : input_files)
        if (same_file(name.str, input.c_str())) {
            *_ZOS_ << "\t\tTranslator will not write " << name << ": it is the input file "
                   << input.c_str() << " of this translation" << std::endl;
            return false;
        }
    return true;
}

bool imp_exp::may_make(my_string const& name) const
{
    if (!may_write(name))
        return false;
    if (same_file(name.str, output_name.str)) {
        *_ZOS_ << "\t\tTranslator will not write " << name << ": it is the output file "
               << output_name << " of this translation" << std::endl;
        return false;
    }
    return true;
}

my_string imp_exp::create_temporary(my_string const& folder, const char* stem,
                                    const char* extension)
{
    // "x" creates the file only when no file has its name, in one step, so
    // that neither a user's file nor another translation's is ever taken.
    for (int k = 1; k <= 100000; ++k) {
        std::string name = std::string(folder.str) + stem + "_" + std::to_string(k) + extension;
        if (std::FILE* file = std::fopen(name.c_str(), "wx")) {
            std::fclose(file);
            return my_string(name.c_str());
        }
        if (!std::filesystem::exists(name))
            break;  // the folder takes no new file
    }
    return my_string();
}

namespace {

// Lines of a note or a refusal as one log line, without the indentation they
// have in a file.
std::string one_line(std::string const& text)
{
    std::string line;
    for (char c : text) {
        bool blank = c == ' ' || c == '\t' || c == '\n';
        if (!blank)
            line += c;
        else if (!line.empty() && line.back() != ' ')
            line += ' ';
    }
    if (!line.empty() && line.back() == ' ')
        line.pop_back();
    return line;
}

} // namespace

int imp_exp::refuse(const char* text)
{
    *os << text;
    *_ZOS_ << "\t\t" << one_line(text) << std::endl;
    return WRITER_REFUSED;
}

int imp_exp::refuse_frequencies(const char* format)
{
    std::string text = "  The data are haplotype frequencies without the haplotypes' sequences\n"
                       "  or alleles: they cannot be written into "
                       + std::string(format) + " format.\n";
    return refuse(text.c_str());
}

int imp_exp::refuse_long_alleles(const char* format)
{
    std::string text = "  Impossible to write this data into " + std::string(format)
                       + " format, because each\n"
                         "  character is supposed to be a single allele.\n";
    return refuse(text.c_str());
}

void imp_exp::tell(std::string const& text)
{
    std::cout << text << std::flush;
    *_ZOS_ << "\t\t" << one_line(text) << std::endl;
}

bool imp_exp::keep_existing(std::string const& name)
{
    if (!std::filesystem::exists(name))
        return true;
    // The back-up name is taken as a new empty file first, so that the
    // rename replaces nothing but that file.
    my_string backup = create_temporary("", name.c_str(), ".bac");
    if (!backup.is_null() && std::rename(name.c_str(), backup.str) == 0) {
        *_ZOS_ << "\t\tThe file " << name << " was there already: it is kept as " << backup
               << std::endl;
        return true;
    }
    if (!backup.is_null())
        MY_DeleteFile(backup.str);
    *_ZOS_ << "\t\tTranslator will not write " << name
           << ": a file of that name is there and cannot be kept under another name" << std::endl;
    return false;
}

namespace {

// The project reader keeps the second line of an individual whole, with the
// blanks that indent it under the first gene copy. Without a locus separator
// every character is a locus, so that indentation would become loci of its
// own; it carries no data in any form.
void unindent_gene_copies(Samples& samples)
{
    for (int i = 0; i < samples.Populations.count; ++i) {
        MY_TIArrayAsVector<TPhenotype>& individuals = samples.Populations.data[i]->individuals.phenotypes;
        for (int k = 0; k < individuals.count; ++k)
            for (my_string& copy : individuals.data[k]->gene_copy) {
                int blanks = 0;
                while (copy.str[blanks] == ' ' || copy.str[blanks] == '\t')
                    ++blanks;
                copy.remove(0, blanks);
            }
    }
}

} // namespace

// What every writer relies on: the allele database with the recessive-allele
// slot at position 0 of every locus, the allele vector of every haplotype
// definition, and for genotypic data the two pseudo-haplotypes of every
// individual (from its unindented gene copies), the gametic phase taken as
// unknown. No analysis runs. 0 when the task checks refuse the data (no
// sample, entries of unequal lengths): the writers would write them wrong.
int imp_exp::prepare_project()
{
    Project& p = *project;
    settings& s = p.run_settings;
    if (p.profile.GenotypicData == 0) {
        if (!p.make_run_possible())
            return 0;
        p.build_all_vectors(p.allele_db);
        return 1;
    }
    unindent_gene_copies(*p.samples);
    KeptSettings kept(s);
    p.profile.GameticPhase = 0;
    s.TaskNumber = settings::AMOVA_PERMUTATION_PREPARATION;
    s.InitialConditionsEM = 0;
    s.NumBootstrapReplicatesEM = 0;
    if (!p.make_run_possible())
        return 0;
    p.samples->compute_stuff(&p, s);
    return 1;
}

void imp_exp::create_header()
{
    std::time_t now = std::time(nullptr);
    create_header(*std::localtime(&now));
}

void imp_exp::create_header(std::tm const& local_time)
{
    char stamp[81];
    std::strftime(stamp, sizeof stamp, "%d/%m/%Y at %H:%M:%S)", &local_time);
    FormatEntry const* entry = find_format(code);
    *os << "#File created by Drovalen translator on " << stamp << '\n'
        << "#The input file was \"" << input_name << "\"  with format ";
    if (entry != nullptr)
        *os << '"' << entry->header_name << "\" ";
    *os << "\n\n";
}

int imp_exp::unable_to_open_input()
{
    return unable_to_open_input(input_name);
}

int imp_exp::unable_to_open_input(my_string const& file)
{
    *_ZOS_ << "\n\t\tTranslator is unable to open the input file " << file << std::endl;
    return 0;
}

bool imp_exp::read_line(std::istream& in, std::string& line)
{
    if (!std::getline(in, line))
        return false;
    if (!line.empty() && line.back() == '\r')
        line.pop_back();
    return true;
}

bool imp_exp::is_line_blank(std::string const& line)
{
    return line.find_first_not_of(" \t") == std::string::npos;
}

void imp_exp::remove_double_quotes(std::string& text)
{
    text.erase(std::remove(text.begin(), text.end(), '"'), text.end());
}

std::string imp_exp::unquoted(std::string text)
{
    for (char& c : text)
        if (c == '"')
            c = ' ';
    return text;
}

bool imp_exp::is_line_blank_rm(std::string& line)
{
    std::size_t last = line.find_last_not_of(" \t");
    if (last == std::string::npos)
        return true;
    line.erase(last + 1);
    return false;
}
