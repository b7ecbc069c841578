// The frame of the result browser: the frameset page, the tree page, and the
// opening (header) and closing (footer) of the results file, in HTML or XML.
//
// The browser lives in the project's results folder: the frameset page
// ("<proj>_main.htm") shows the tree page ("<proj>_tree.htm") on the left and
// the results file ("<proj>.htm" or "<proj>.xml") on the right. The tree page
// loads the tree-menu script ("ua.js", "ftiens4.js") from the core directory
// and the project's tree file ("<proj>.js") from the results folder; an XML
// results file names the style sheet "DrovalenStyleSheet.xsl" of the core
// directory. Links inside the results folder are bare file names, links to
// the core directory absolute file links ("file:///" and the path); both
// write blanks as "%20" and backslashes as '/'. Names are escaped for the
// HTML and XML they stand in.
#ifndef DROV_PROJECT_RESULT_FRAMES_H
#define DROV_PROJECT_RESULT_FRAMES_H

#include <fstream>
#include <ostream>

#include "core/my_string.h"

class settings;

// Removes everything up to and including the last '/'; a text without '/'
// stays whole.
void removePath(my_string& name);

// The names of the browser files from settings::results_file and the core
// directory: tree page, tree file and frameset page (the results file name
// less its last 4 characters, then "_tree.htm", ".js", "_main.htm"), the
// tree-menu script and style (core directory, then "ftiens4.js",
// "ftie4style.css"), and the core directory itself with '/' separators.
void set_result_browser_names(settings& s, my_string const& core_directory);

// Writes the frameset page and the tree page, both created afresh.
void write_result_frames(settings& s);
// The opening of a new results file, and the closing of every results file.
void write_results_header(std::ostream& out, settings const& s, bool xml);
void write_results_footer(std::ostream& out, bool xml);

// Opens the results stream of a run on settings::results_file. With
// settings::append_results, XML output and an existing results file, that file
// is continued: when it ends with the XML footer the footer's last 15
// characters are cut off, so that the new run's text follows its last
// "</data>"; any other ending is kept and the new text follows it, with a
// WARNING. Otherwise the file is created afresh. Returns 0 when the file
// cannot be opened, 1 for a new file, 2 for a continued one.
int open_results_file(settings& s, std::fstream& results, bool xml);

// Starts the text of a run on settings::results_stream. A new results file
// gets the full header and a new tree file (root and log entry); a continued
// one gets its data element reopened and keeps its tree (a missing tree file
// is started anew).
void start_results(settings& s, bool continued, bool xml);

#endif
