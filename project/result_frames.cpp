#include "project/result_frames.h"

#include <cstdint>
#include <cstring>
#include <filesystem>
#include <string>
#include <system_error>

#include "app/settings.h"
#include "core/errors.h"
#include "core/file_helpers.h"
#include "core/xml.h"
#include "project/project.h"
#include "project/result_tree.h"

// Where the installed data folder lies from the program's folder; the build
// defines it from the install layout.
#ifndef DROV_DATA_FROM_PROGRAM
#define DROV_DATA_FROM_PROGRAM "../share/drovexec"
#endif

namespace {

// The closing text of a finished XML results file, and the part of it that a
// continuing run replaces (the line end after "</data>" and what follows).
const char* const xml_footer_end = "</data>\n\n</Drovalen>\n\n";
const std::uintmax_t xml_footer_cut = 15;

// A file of the results folder as linked from another one: its name without
// folder, blanks as "%20", escaped for an attribute value.
my_string bare_link(my_string const& path)
{
    my_string name = path;
    name.convert_to_html_slash();
    removePath(name);
    return xml_escape(name.convert_blank_to_html_blank());
}

// A path in link form: blanks as "%20", backslashes as '/'.
my_string link_form(my_string const& path)
{
    my_string link = path.convert_blank_to_html_blank();
    link.convert_to_html_slash();
    return link;
}

// "file:///" and the path as held, in link form, escaped for an attribute.
my_string file_link(my_string const& path)
{
    return xml_escape(my_string("file:///") + link_form(path));
}

// The results file name less its last 4 characters (".htm" or ".xml").
my_string results_base(settings const& s)
{
    my_string base = s.results_file;
    base.remove(base.length - 4, 4);
    return base;
}

// The browser check "ua.js" beside the tree-menu script.
my_string browser_check_file(settings const& s)
{
    my_string name = s.tree_script_file;
    name.convert_to_html_slash();
    name.extract_path();
    return name + "ua.js";
}

// A WARNING about a file of the result browser, its detail line in the log
// and in the results, where the reporter echoes it (after the header: the
// run holds the reports raised before it).
void warn_about_browser_file(const char* function, std::string const& detail)
{
    E.error(WARNING, function, 9);
    *_ZOS_ << "\t" << detail << "\n";
    if (E.results_stream != nullptr)
        *E.results_stream << "\t" << result_text(detail.c_str()) << "\n";
}

// True when the folder (empty, or ending with '/') holds the tree-menu script.
bool holds_tree_script(my_string const& folder)
{
    return can_read((folder + "ftiens4.js").str);
}

// Opens a page of the result browser afresh; a page that cannot be written
// is reported by `function`.
bool open_page(std::ofstream& out, my_string const& name, const char* function)
{
    out.open(name.str, std::ios::out | std::ios::trunc);
    if (out.is_open())
        return true;
    warn_about_browser_file(function, std::string("Unable to write the result browser file \"")
                                          + name.str + "\"");
    return false;
}

// The frameset page: the tree page on the left, the results on the right.
// The older form has wider tree columns and links the frames by their full
// file links instead of their bare names.
void write_frameset(settings const& s, bool older, const char* function)
{
    std::ofstream out;
    if (!open_page(out, s.main_page_file, function))
        return;
    my_string (*frame_link)(my_string const&) = older ? file_link : bare_link;
    my_string project = settings::input_file;
    project.rm_path();
    out << "\n<html>"
        << "\n<!--Drovalen results frame file-->\n"
        << "\n<head>"
        << "\n<title> Drovalen Result Browser - " << xml_escape(project)
        << "\n</title>"
        << "\n<script>"
        << "\nfunction op() { //This function is used with folders that do not open pages themselves. See online docs."
        << "\n}"
        << "\n</script>"
        << "\n</head>"
        << "\n"
        << "\n<!--"
        << "\n  The navigation tree on the left is drawn by the tree-menu script ftiens4.js"
        << "\n  (with ua.js and ftie4style.css) of the program's core directory;"
        << "\n  its entries come from the project's tree file."
        << "\n-->"
        << "\n"
        << "\n<FRAMESET cols=\"" << (older ? "250,*" : "200,*") << "\">"
        << "\n  <FRAME src=\"" << frame_link(s.tree_page_file) << "\" name=\"treeframe\">"
        << "\n  <FRAME SRC=\"" << frame_link(s.results_file) << "\" name=\"basefrm\">"
        << "\n</FRAMESET>"
        << "\n"
        << "\n"
        << "\n</html>"
        << "\n" << std::flush;
}

void write_tree_page(settings const& s)
{
    std::ofstream out;
    if (!open_page(out, s.tree_page_file, "write_result_frames()"))
        return;
    out << "\n   <!--"
        << "\n    Tree page of the result browser. The tree-menu script ftiens4.js"
        << "\n    (with ua.js, from the program's core directory) builds the tree from"
        << "\n    the statements of the tree file and draws it with initializeDocument()."
        << "\n    -->"
        << "\n"
        << "\n<html>"
        << "\n"
        << "\n<head>"
        << "\n"
        << "\n<style>"
        << "\n   BODY {background-color: white}"
        << "\n   TD {font-size: 8pt;"
        << "\n       font-family: verdana,helvetica;"
        << "\n\t   text-decoration: none;}"
        << "\n   A  {text-decoration: none;"
        << "\n       color: black}"
        << "\n"
        << "\n    .specialClass {font-family:garamond; font-size:12pt;color:green;font-weight:bold;text-decoration:underline}"
        << "\n</style>"
        << "\n"
        << "\n"
        << "\n<!-- Code for browser detection -->"
        << "\n<script src=\"" << file_link(browser_check_file(s)) << "\"></script>"
        << "\n"
        << "\n<!-- Infrastructure code for the tree -->"
        << "\n<script src=\"" << file_link(s.tree_script_file) << "\"></script>"
        << "\n"
        << "\n<!-- Execution of the code that actually builds the specific tree."
        << "\n     The variable foldersTree creates its structure with calls to"
        << "\n\t  gFld, insFld, and insDoc -->"
        << "\n<script src=\"" << bare_link(s.tree_data_file) << "\"></script>"
        << "\n"
        << "\n</head>"
        << "\n"
        << "\n<body topmargin=16 marginheight=16>"
        << "\n"
        << "\n<!-- Tree-menu script credit -->"
        << "\n<table border=0 style=\"position:absolute; top:0; left:0\"><tr><td>"
           "<a style=\"font-size:7pt; text-decoration:none; color:silver\" href=\""
        << file_link(s.tree_script_file) << "\" target=\"_blank\">tree menu: ftiens4.js</a>"
           "</td></tr></table>"
        << "\n"
        << "\n<!-- Build the browser's objects and display default view of the tree. -->"
        << "\n<script>initializeDocument()</script>"
        << "\n<noscript>"
        << "\nA tree for site navigation will open here if you enable JavaScript in your browser."
        << "\n</noscript>"
        << "\n"
        << "\n</body>"
        << "\n</html>"
        << "\n"
        << "\n" << std::flush;
}

// The older tree page: every file it loads by its full file link, the
// tree-menu style sheet linked in the head, and the tree drawn by a call in
// the head (the script draws it once the body exists).
void write_older_tree_page(settings const& s)
{
    std::ofstream out;
    if (!open_page(out, s.tree_page_file, "write_older_result_frames()"))
        return;
    out << "\n<html>"
        << "\n<!--Drovalen results tree file-->\n"
        << "\n<head>"
        << "\n<link rel=\"stylesheet\" href=\"" << file_link(s.tree_style_file) << "\">"
        << "\n<script src=\"" << file_link(browser_check_file(s)) << "\"></script>"
        << "\n<script src=\"" << file_link(s.tree_script_file) << "\"></script>"
        << "\n<script src=\"" << file_link(s.tree_data_file) << "\"></script>"
        << "\n<script>initializeDocument()</script>"
        << "\n</head>"
        << "\n"
        << "\n<body topmargin=16 marginheight=16>"
        << "\n</body>"
        << "\n</html>"
        << "\n" << std::flush;
}

bool ends_with_xml_footer(const char* file, std::uintmax_t size)
{
    std::size_t n = std::strlen(xml_footer_end);
    if (size < n)
        return false;
    std::ifstream in(file, std::ios::binary);
    in.seekg(static_cast<std::streamoff>(size - n));
    std::string tail(n, '\0');
    in.read(&tail[0], static_cast<std::streamsize>(n));
    return in && tail == xml_footer_end;
}

}  // namespace

void removePath(my_string& name)
{
    int slash = name.find_last_of('/');
    if (slash >= 0)
        name.remove(0, slash + 1);
}

my_string program_folder()
{
    std::error_code error;
    std::filesystem::path program = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || !program.has_parent_path())
        return my_string();
    return my_string((program.parent_path().string() + "/").c_str());
}

my_string browser_files_folder(my_string const& core_directory, my_string const& program)
{
    my_string core = core_directory;
    core.convert_to_slash();
    if (holds_tree_script(core) || program.is_null())
        return core;
    if (holds_tree_script(program))
        return program;
    std::filesystem::path data = std::filesystem::path(program.str) / DROV_DATA_FROM_PROGRAM;
    my_string installed((data.lexically_normal() / "").string().c_str());
    if (holds_tree_script(installed))
        return installed;
    const std::string searched = std::string("the core directory \"") + core.str
                                 + "\" nor in the program's folder \"" + program.str
                                 + "\" or its data folder \"" + installed.str + "\"";
    warn_about_browser_file("set_result_browser_names()",
                            "The tree-menu script \"ftiens4.js\" is neither in " + searched
                                + ": the result browser cannot show its navigation tree");
    return core;
}

void set_result_browser_names(settings& s, my_string const& core_directory)
{
    s.program_dir = browser_files_folder(core_directory, program_folder());
    my_string base = results_base(s);
    s.tree_page_file = base + "_tree.htm";
    s.tree_data_file = base + ".js";
    s.main_page_file = base + "_main.htm";
    s.tree_style_file = s.program_dir + "ftie4style.css";
    s.tree_script_file = s.program_dir + "ftiens4.js";
}

void write_result_frames(settings& s)
{
    write_frameset(s, false, "write_result_frames()");
    write_tree_page(s);
}

void write_older_result_frames(settings& s)
{
    write_frameset(s, true, "write_older_result_frames()");
    write_older_tree_page(s);
}

void write_results_header(std::ostream& out, settings const& s, bool xml)
{
    if (!xml) {
        out << "\n<html>"
            << "\n<!--Drovalen results file-->\n"
            << "\n<head>"
            << "\n<style>"
            << "\nBODY {background-color: white; font-size: 8pt; font-family: Courier New}"
            << "\n</style>"
            << "\n</head>\n"
            << "\n<body bgcolor=white>\n"
            << "\n<PRE>"
            << "\n" << std::flush;
        return;
    }
    my_string style_sheet = s.tree_style_file.convert_blank_to_html_blank();
    style_sheet.convert_to_html_slash();
    style_sheet.extract_path();
    style_sheet = my_string("file:///") + style_sheet + "DrovalenStyleSheet.xsl";
    out << "<?xml version=\"1.0\" encoding=\"ISO-8859-1\"?>"
        << "\n<?xml-stylesheet type=\"text/xsl\" href=\"" << xml_escape(style_sheet) << "\"?>"
        << "\n<!--Drovalen results file-->\n"
        << "\n"
        << DroXmlTags::rootTag.write()
        << "\n"
        << DroXmlTags::dataTag.write()
        << "\n" << std::flush;
}

void write_results_footer(std::ostream& out, bool xml)
{
    if (xml)
        out << "\n" << DroXmlTags::dataTag.end() << "\n" << DroXmlTags::rootTag.end();
    else
        out << "\n</PRE>" << "\n</body>" << "\n</html>\n";
    out << "\n" << std::flush;
}

void write_older_results_header(std::ostream& out)
{
    out << "\n<html>"
        << "\n<!--Drovalen results file-->\n"
        << "\n<head>"
        << "\n</head>"
        << "\n<style>"
        << "\nbody    { background : white; color : black; margin: 10 }"
        << "\n</style>\n"
        << "\n<body bgcolor=white>\n"
        << "\n<PRE>"
        << "\n" << std::flush;
}

void write_older_results_footer(std::ostream& out)
{
    out << "\n</PRE>" << "\n</body>" << "\n</HTML>\n" << "\n" << std::flush;
}

int open_results_file(settings& s, std::fstream& results, bool xml)
{
    const char* name = s.results_file.str;
    std::error_code error;
    std::uintmax_t size = std::filesystem::file_size(name, error);
    bool exists = !error && std::filesystem::is_regular_file(name, error);
    if (s.append_results && xml && exists) {
        bool footer_cut = false;
        if (ends_with_xml_footer(name, size)) {
            std::filesystem::resize_file(name, size - xml_footer_cut, error);
            footer_cut = !error;
        }
        if (!footer_cut) {
            E.error(WARNING, "open_results_file()", 59);
            *_ZOS_ << "\tThe XML results file \"" << s.results_file
                   << "\" does not end with its closing elements: the new run is added after its end\n";
        }
        results.open(name, std::ios::in | std::ios::out | std::ios::ate);
        return results.is_open() ? 2 : 0;
    }
    results.open(name, std::ios::out | std::ios::trunc);
    return results.is_open() ? 1 : 0;
}

void start_results(settings& s, bool continued, bool xml)
{
    if (!continued || !can_read(s.tree_data_file.str))
        start_tree_file(s);
    if (s.results_stream == nullptr)
        return;
    if (!continued)
        write_results_header(*s.results_stream, s, xml);
    else if (xml)
        *s.results_stream << "\n" << DroXmlTags::dataTag.write() << "\n";
    else
        *s.results_stream << "\n<PRE>\n";
}

void Project::New_print_html_frames_output(bool)
{
    write_result_frames(run_settings);
}

void Project::New_print_html_results_header(bool xml)
{
    if (run_settings.results_stream != nullptr)
        write_results_header(*run_settings.results_stream, run_settings, xml);
}

void Project::New_print_html_results_footer(bool, bool xml)
{
    if (run_settings.results_stream != nullptr)
        write_results_footer(*run_settings.results_stream, xml);
}

void Project::print_html_frames_output()
{
    write_older_result_frames(run_settings);
}

void Project::print_html_results_header()
{
    if (run_settings.results_stream != nullptr)
        write_older_results_header(*run_settings.results_stream);
}

void Project::print_html_results_footer()
{
    if (run_settings.results_stream != nullptr)
        write_older_results_footer(*run_settings.results_stream);
}

// The tree file is started by the run itself (start_results), so these
// older entry points have nothing left to write.
void Project::print_js_header() {}

void Project::New_print_js_header(bool) {}
