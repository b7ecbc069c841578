// The frame of the result browser: the frameset page, the tree page, and the
// opening (header) and closing (footer) of the results file, in HTML or XML.
//
// The browser lives in the project's results folder: the frameset page
// ("<proj>_main.htm") shows the tree page ("<proj>_tree.htm") on the left and
// the results file ("<proj>.htm" or "<proj>.xml") on the right. The tree page
// loads the tree-menu script ("ua.js", "ftiens4.js") from the browser files
// folder (the core directory, or the program's own folder when the core
// directory lacks the script, so that a run in any data folder shows its
// tree) and the project's tree file ("<proj>.js") from the results folder;
// an XML results file names the style sheet "DrovalenStyleSheet.xsl" of the
// browser files folder. Links inside the results folder are bare file names,
// links to the browser files folder absolute file links ("file:///" and the
// path); both write blanks as "%20" and backslashes as '/'. Names are escaped
// for the HTML and XML they stand in.
#ifndef DROV_PROJECT_RESULT_FRAMES_H
#define DROV_PROJECT_RESULT_FRAMES_H

#include <fstream>
#include <ostream>

#include "core/my_string.h"

class settings;

// Removes everything up to and including the last '/'; a text without '/'
// stays whole.
void removePath(my_string& name);

// The folder of the running program, ending with '/'; empty when the system
// does not tell it.
my_string program_folder();

// The folder whose tree-menu script ("ftiens4.js", "ua.js", "ftie4style.css")
// and XML style sheet ("DrovalenStyleSheet.xsl") the result pages load: the
// core directory when it holds "ftiens4.js", else the program's folder when it
// does (a build), else the data folder installed with the program. When none
// holds it the core directory is kept and a WARNING says the tree cannot be
// shown. Returned with '/' separators.
my_string browser_files_folder(my_string const& core_directory, my_string const& program);

// The names of the browser files from settings::results_file and the core
// directory: tree page, tree file and frameset page (the results file name
// less its last 4 characters, then "_tree.htm", ".js", "_main.htm"), the
// tree-menu script and style (the browser files folder, then "ftiens4.js",
// "ftie4style.css"), and that folder itself (settings::program_dir).
void set_result_browser_names(settings& s, my_string const& core_directory);

// Writes the frameset page and the tree page, both created afresh.
void write_result_frames(settings& s);
// The older form of both pages: tree columns of 250 pixels, every file
// linked by its full file link, the tree drawn from the head of the tree page.
void write_older_result_frames(settings& s);
// The opening of a new results file, and the closing of every results file.
void write_results_header(std::ostream& out, settings const& s, bool xml);
void write_results_footer(std::ostream& out, bool xml);
// The older HTML-only header and footer of a results file.
void write_older_results_header(std::ostream& out);
void write_older_results_footer(std::ostream& out);

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
