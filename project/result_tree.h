// Navigation tree of the result browser.
//
// The left frame of the result browser shows a tree of everything a
// project's runs wrote into its results file. The tree is a JavaScript file
// (settings::tree_data_file) of statements that the tree-menu script
// ("ftiens4.js") turns into folders and documents:
//   foldersTree = gFld("<i>title</i>", "link")          the root, once
//   <L tabs>auxL = insFld(parent, gFld("title", "link"))  a folder at level L >= 1
//   <L tabs>insDoc(parent, gLnk("R", "title", "link"))     a document at level L >= 0
// A folder at level L is inserted into auxL-1 (foldersTree for L = 1), a
// document into auxL (foldersTree for L = 0), so entries land in the folder
// made most recently at their level. Every section that appears in the tree
// writes, in the same call, the anchor its entry links to into the results.
//
// Anchor names begin with the run's stamp (settings::run_date without blanks
// and tabs, '/', ':' and '\' made '_'), followed by the section's suffix;
// links are the results file's bare name, '#' and the anchor name.
// Titles are shown as HTML text and links as written, each escaped for the
// JavaScript string it stands in; in links a blank is written "%20".
#ifndef DROV_PROJECT_RESULT_TREE_H
#define DROV_PROJECT_RESULT_TREE_H

#include <ostream>

#include "core/my_string.h"

class settings;

// Writes the statements of the tree file on a stream it does not own;
// nothing is written on a stream that failed.
class TJSOut {
public:
    std::ostream* out;

    explicit TJSOut(std::ostream& stream) : out(&stream) {}

    // The settings of the tree-menu script and the root folder. The icon
    // folder goes into ICONPATH as an absolute file link; resultFolder is
    // not used.
    void foldersTree(my_string const& iconFolder, my_string const& resultFolder,
                     my_string const& rootTitle, my_string const& rootLink);
    void aux(int level, my_string const& title, my_string const& link);  // a folder
    void doc(int level, my_string const& title, my_string const& link);  // a document
};

// An HTML named anchor: <A NAME="name"></A> and a line end.
class html_anchor {
public:
    my_string name;
    explicit html_anchor(my_string const& anchor_name) : name(anchor_name) {}
};
std::ostream& operator<<(std::ostream& os, html_anchor const& anchor);

// A text of the data (a sample, group, locus or individual name) as the
// results show it. The running text of both result files is markup (element
// content of the XML file, preformatted text of the HTML page), so &, < and >
// are escaped, and " too in the XML file. A field width set on the stream
// counts the characters of the text itself, not those of its escapes, so that
// columns stay aligned.
struct ResultText {
    my_string text;
};
ResultText result_text(my_string const& text);
std::ostream& operator<<(std::ostream& os, ResultText const& name);

// The run's anchor stamp, from settings::run_date.
my_string anchor_stamp(settings const& s);
// The link to an anchor of the results file: its bare name, '#', the anchor.
my_string results_link(settings const& s, my_string const& anchor_name);
// Writes the anchor into the results stream: an HTML anchor, or with XML
// output the anchor between a closing and a reopened data element.
void write_results_anchor(settings& s, my_string const& anchor_name);

// Opens the tree file for appending. When it cannot be opened the entries
// written through it are lost; the first failure on a tree file is reported
// once as a WARNING naming the file (by `function`).
bool open_tree_file(settings const& s, std::ofstream& tree, const char* function);

// The section entry points: the anchor (stamp + suffix) into the results
// stream, and a folder (aux) or document (doc) entry titled `title` at
// `level` linking to it into the tree file.
void print_js_aux_entry(settings& s, int level, const char* suffix, const char* title);
void print_js_doc_entry(settings& s, int level, const char* suffix, const char* title);
// The log file's entry at level 0 (the bare name of the reporter's log), no anchor.
void print_js_drovalen_log_entry(settings& s);

// Starts a new tree file: the settings block and the root folder titled
// "DROVALEN RESULTS (<project file name>)", then the log file's entry.
void start_tree_file(settings& s);

#endif
