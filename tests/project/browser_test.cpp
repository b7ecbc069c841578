// The result browser in a real browser: headless Chromium opens the frameset
// of a finished small run and its tree page; the tree must show the run's
// entries with links into the results frame, and no page may raise a script
// error or miss a file it loads.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>

#include "model/population.h"
#include "project/result_frames.h"
#include "project/result_tree.h"
#include "result_browser_fixture.h"

namespace fs = std::filesystem;

namespace {

const char* const chromium = "/usr/bin/chromium";

class BrowserTest : public ResultBrowserTest {
protected:
    // Runs headless Chromium on the page; returns the dumped DOM and leaves
    // the browser's log (console messages included) in `log`.
    std::string dump_dom(fs::path const& page, std::string& log)
    {
        fs::path out = dir / "dom.txt";
        fs::path err = dir / "chromium.log";
        std::string url = "file://" + page.string();
        std::string command = std::string("timeout 120 ") + chromium +
                              " --headless --no-sandbox --disable-gpu --disable-background-networking"
                              " --no-first-run --disable-component-update --disable-sync"
                              " --enable-logging=stderr --v=0 --user-data-dir='" +
                              (dir / "profile").string() + "' --dump-dom '" + url + "' > '" +
                              out.string() + "' 2> '" + err.string() + "'";
        int status = std::system(command.c_str());
        EXPECT_EQ(status, 0) << command;
        log = read_text(err);
        return read_text(out);
    }

    // Console lines of the browser's log: script errors and failed loads.
    static std::string console_lines(std::string const& log)
    {
        std::istringstream lines(log);
        std::string line, found;
        while (std::getline(lines, line))
            if (line.find(":CONSOLE") != std::string::npos)
                found += line + "\n";
        return found;
    }
};

TEST_F(BrowserTest, TreeShowsTheRunsEntriesWithoutScriptErrors)
{
    if (!fs::exists(chromium))
        GTEST_SKIP() << "no browser at " << chromium;

    // The tree-menu script of the repository is the core directory.
    fs::path core = fs::canonical(fs::path(DROV_TEST_DATA) / ".." / ".." / "resources");
    name_run("my data/proj 1.drp", core.string() + "/", false);
    open_results();
    start_results(s, false, false);
    print_js_aux_entry(s, 1, "", "Run of 08/12/26 at 18:55:29");
    print_js_doc_entry(s, 1, "_run_information", "Settings");
    std::ofstream tree;
    ASSERT_TRUE(open_tree_file(s, tree, "test"));
    TJSOut(tree).aux(2, my_string("Samples"), my_string());
    tree.close();
    Population first(my_string("Pop 1"));
    first.sample_index = 1;
    first.print_population_anchor(2, s, "samp");
    Population second(my_string("Pop <2> & \"b\\c\""));
    second.sample_index = 2;
    second.print_population_anchor(2, s, "samp");
    write_results_footer(results, false);
    results.close();
    s.results_stream = nullptr;
    write_result_frames(s);

    std::string log;
    dump_dom(s.main_page_file.str, log);
    EXPECT_EQ(console_lines(log), "") << "frameset and its frames";

    std::string dom = dump_dom(s.tree_page_file.str, log);
    EXPECT_EQ(console_lines(log), "") << "tree page";
    for (const char* text : {"<i>DROVALEN RESULTS (proj 1.drp)</i>", ">Drovalen log file<", ">Run of 08/12/26 at 18:55:29<",
                             ">Settings<", ">Samples<", ">Pop 1<", ">Pop &lt;2&gt; &amp; \"b\\c\"<"})
        EXPECT_NE(dom.find(text), std::string::npos) << text << "\n" << dom;
    EXPECT_NE(dom.find("href=\"proj%201.htm#08_12_26at18_55_29_samp1\" target=\"basefrm\""),
              std::string::npos)
        << dom;
    EXPECT_NE(dom.find("href=\"Drovalen_log.txt\" target=\"basefrm\""), std::string::npos);

    // The copies beside the example project are the repository's script.
    fs::path examples = fs::path(DROV_TEST_DATA) / ".." / ".." / "examples";
    for (const char* name : {"ftiens4.js", "ua.js", "ftie4style.css", "DrovalenStyleSheet.xsl"})
        EXPECT_EQ(read_text(examples / name), read_text(core / name)) << name;
}

}  // namespace
