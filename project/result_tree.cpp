#include "project/result_tree.h"

#include <fstream>
#include <string>

#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "core/xml.h"

namespace {

// Escapes the text for a JavaScript string between single or double quotes.
my_string js_escape(my_string const& text)
{
    std::string out;
    for (const char* p = text.str; *p; ++p) {
        if (*p == '\\' || *p == '"' || *p == '\'')
            out += '\\';
        out += *p;
    }
    return my_string(out.c_str());
}

// A title as the tree shows it: HTML text inside a JavaScript string.
my_string tree_title(my_string const& title)
{
    return js_escape(xml_escape(title));
}

// A link inside a JavaScript string, with its blanks written "%20".
my_string tree_link(my_string const& link)
{
    return js_escape(link.convert_blank_to_html_blank());
}

std::ostream& indent(std::ostream& os, int level)
{
    for (int i = 0; i < level; ++i)
        os << '\t';
    return os;
}

// "foldersTree" at level 0, else "aux" and the level.
std::string tree_variable(int level)
{
    return level <= 0 ? std::string("foldersTree") : "aux" + std::to_string(level);
}

void print_js_entry(settings& s, int level, const char* suffix, const char* title,
                    bool folder, const char* function)
{
    std::ofstream tree;
    bool tree_open = open_tree_file(s, tree, function);
    my_string anchor = anchor_stamp(s) + suffix;
    write_results_anchor(s, anchor);
    if (!tree_open)
        return;
    TJSOut js(tree);
    my_string link = results_link(s, anchor);
    if (folder)
        js.aux(level, my_string(title), link);
    else
        js.doc(level, my_string(title), link);
}

}  // namespace

void TJSOut::foldersTree(my_string const& iconFolder, my_string const&,
                         my_string const& rootTitle, my_string const& rootLink)
{
    if (!*out)
        return;
    my_string icons = iconFolder.convert_blank_to_html_blank();
    icons.convert_to_html_slash();
    *out << "\nUSETEXTLINKS = 1"
         << "\nSTARTALLOPEN = 0"
         << "\nWRAPTEXT = 1"
         << "\nPRESERVESTATE = 0"
         << "\nHIGHLIGHT = 1"
         << "\nICONPATH = 'file:///" << js_escape(icons)
         << "'    //change if the gif's folder is a subfolder, for example: 'images/'"
         << "\n\nfoldersTree = gFld(\"<i>" << tree_title(rootTitle) << "</i>\", \""
         << tree_link(rootLink) << "\")\n";
}

void TJSOut::aux(int level, my_string const& title, my_string const& link)
{
    if (!*out)
        return;
    if (level < 1)
        level = 1;  // folders hang below the root
    indent(*out, level) << "aux" << level << " = insFld(" << tree_variable(level - 1)
                        << ", gFld(\"" << tree_title(title) << "\", \"" << tree_link(link)
                        << "\"))\n";
}

void TJSOut::doc(int level, my_string const& title, my_string const& link)
{
    if (!*out)
        return;
    if (level < 0)
        level = 0;
    indent(*out, level) << "insDoc(" << tree_variable(level) << ", gLnk(\"R\", \""
                        << tree_title(title) << "\", \"" << tree_link(link) << "\"))\n";
}

std::ostream& operator<<(std::ostream& os, html_anchor const& anchor)
{
    return os << "<A NAME=\"" << xml_escape(anchor.name) << "\"></A>\n";
}

ResultText result_text(my_string const& text)
{
    return ResultText{text};
}

std::ostream& operator<<(std::ostream& os, ResultText const& name)
{
    const std::streamsize width = os.width(0);
    const std::string fill(width > name.text.length ? width - name.text.length : 0, os.fill());
    const bool left = (os.flags() & std::ios::adjustfield) == std::ios::left;
    if (!left)
        os << fill;
    os << xml_escape(name.text, xmlOutput);
    if (left)
        os << fill;
    return os;
}

my_string anchor_stamp(settings const& s)
{
    my_string stamp = s.run_date;
    stamp.remove_blanks();
    stamp.convert_to_underline();
    return stamp;
}

my_string results_link(settings const& s, my_string const& anchor_name)
{
    my_string name = s.results_file;
    name.rm_path();
    return name + "#" + anchor_name;
}

void write_results_anchor(settings& s, my_string const& anchor_name)
{
    if (s.results_stream == nullptr)
        return;
    if (xmlOutput)
        *s.results_stream << xml_anchor(anchor_name);
    else
        *s.results_stream << html_anchor(anchor_name);
}

bool open_tree_file(settings const& s, std::ofstream& tree, const char* function)
{
    tree.open(s.tree_data_file.str, std::ios::out | std::ios::app);
    if (tree.is_open())
        return true;
    // One warning per tree file, not one per lost entry.
    static my_string reported;
    if (std::string(reported.str) != s.tree_data_file.str) {
        reported = s.tree_data_file;
        E.error(WARNING, function, 9);
        *_ZOS_ << "\tUnable to open the result tree file \"" << s.tree_data_file
               << "\": its entries are lost\n";
    }
    return false;
}

void print_js_aux_entry(settings& s, int level, const char* suffix, const char* title)
{
    print_js_entry(s, level, suffix, title, true, "print_js_aux_entry()");
}

void print_js_doc_entry(settings& s, int level, const char* suffix, const char* title)
{
    print_js_entry(s, level, suffix, title, false, "print_js_doc_entry()");
}

void print_js_drovalen_log_entry(settings& s)
{
    std::ofstream tree;
    if (!open_tree_file(s, tree, "print_js_drovalen_log_entry()"))
        return;
    my_string log_name = E.log_name;
    log_name.rm_path();
    TJSOut(tree).doc(0, my_string("Drovalen log file"), log_name);
}

void start_tree_file(settings& s)
{
    std::ofstream tree(s.tree_data_file.str, std::ios::out | std::ios::trunc);
    if (!tree.is_open()) {
        open_tree_file(s, tree, "start_tree_file()");  // reports the lost tree once
        return;
    }
    my_string project = settings::input_file;
    project.rm_path();
    TJSOut(tree).foldersTree(s.program_dir, s.results_dir,
                             my_string("DROVALEN RESULTS (") + project + ")", my_string());
    tree.close();
    print_js_drovalen_log_entry(s);
}
