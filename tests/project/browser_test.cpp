// The result browser in a real browser: headless Chromium opens the frameset
// and the tree page of a run; the tree must show the run's entries with links
// into the results frame, and no page may raise a script error or miss a file
// it loads. The pages are written by the writers themselves, and by the built
// and the installed drovexec run in a data folder that holds no script.

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "app/e2e_fixture.h"
#include "project/result_frames.h"
#include "result_browser_fixture.h"
#include "support/run_settings.h"

namespace fs = std::filesystem;

namespace {

const char* const chromium = "/usr/bin/chromium";

// Headless Chromium keeping its profile, page dumps and log in `dir`.
class HeadlessChromium {
public:
    explicit HeadlessChromium(fs::path folder) : dir(std::move(folder)) {}

    // The DOM of the page once its scripts ran; the browser's log goes to `log`.
    std::string dump_dom(fs::path const& page)
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

    // Console lines of the last page's log: script errors and failed loads.
    std::string console_lines() const
    {
        std::istringstream lines(log);
        std::string line, found;
        while (std::getline(lines, line))
            if (line.find(":CONSOLE") != std::string::npos)
                found += line + "\n";
        return found;
    }

    std::string log;

private:
    fs::path dir;
};

void expect_all_in(std::string const& dom, std::vector<std::string> const& texts)
{
    for (std::string const& text : texts)
        EXPECT_NE(dom.find(text), std::string::npos) << text << "\n" << dom;
}

// The repository's tree-menu script as the core directory.
fs::path repository_resources()
{
    return fs::canonical(fs::path(DROV_TEST_DATA) / ".." / ".." / "resources");
}

class BrowserTest : public ResultBrowserTest {
protected:
    HeadlessChromium browser{dir};
};

TEST_F(BrowserTest, TreeShowsTheRunsEntriesWithoutScriptErrors)
{
    if (!fs::exists(chromium))
        GTEST_SKIP() << "no browser at " << chromium;
    // The pages of the run, and the older pages that draw the tree from the
    // head of the tree page.
    for (auto write_pages : {write_result_frames, write_older_result_frames}) {
        name_run("my data/proj 1.drp", repository_resources().string() + "/", false);
        write_small_run(false, "Pop <2> & \"b\\c\"");
        write_pages(s);

        browser.dump_dom(s.main_page_file.str);
        EXPECT_EQ(browser.console_lines(), "") << "frameset and its frames";
        std::string dom = browser.dump_dom(s.tree_page_file.str);
        EXPECT_EQ(browser.console_lines(), "") << "tree page";
        expect_all_in(dom, {"<i>DROVALEN RESULTS (proj 1.drp)</i>", ">Drovalen log file<",
                            ">Run of 08/12/26 at 18:55:29<", ">Settings<", ">Samples<", ">Pop 1<",
                            ">Pop &lt;2&gt; &amp; \"b\\c\"<",
                            "href=\"proj%201.htm#08_12_26at18_55_29_samp1\" target=\"basefrm\"",
                            "href=\"Drovalen_log.txt\" target=\"basefrm\""});
    }
}

// The program run as a user would: in a data folder of its own, which holds
// the project and its settings but none of the tree-menu files.
class DataFolderBrowserTest : public DrovexecTest {
protected:
    HeadlessChromium browser{root.path()};

    // Installs the build into `prefix` as `cmake --install` does for a user.
    void install(fs::path const& prefix)
    {
        std::string cache = read_text(fs::path(DROV_BINARY_DIR) / "CMakeCache.txt");
        std::string key = "CMAKE_COMMAND:INTERNAL=";
        std::string::size_type at = cache.find(key);
        ASSERT_NE(at, std::string::npos);
        at += key.size();
        std::string cmake = cache.substr(at, cache.find('\n', at) - at);
        std::string command = "'" + cmake + "' --install '" + DROV_BINARY_DIR + "' --prefix '" +
                              prefix.string() + "' > '" + (root / "install.log").string() + "' 2>&1";
        ASSERT_EQ(std::system(command.c_str()), 0) << read_text(root / "install.log");
    }
};

TEST_F(DataFolderBrowserTest, TreeOfARunInAFolderWithoutTheScript)
{
    if (!fs::exists(chromium))
        GTEST_SKIP() << "no browser at " << chromium;
    fs::path prefix = root / "installed";
    install(prefix);
    if (HasFatalFailure())
        return;

    struct Case {
        const char* name;
        fs::path program;
        fs::path browser_files;  // where the pages must find the tree-menu files
    };
    fs::path build = fs::canonical(DROV_BINARY_DIR);
    const Case cases[] = {
        {"the built program, files beside it", build / "drovexec", build},
        {"the installed program, files in its data folder", prefix / "bin" / "drovexec",
         prefix / "share" / "drovexec"},
    };
    for (Case const& c : cases) {
        SCOPED_TRACE(c.name);
        fs::remove_all(work);
        fs::create_directory(work);
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / "dna2.drp"));
        write("p.drs", run_settings_text({}));
        program = c.program;

        ASSERT_EQ(run("p.drp p.drs"), 0) << err;
        ASSERT_FALSE(fs::exists(work / "ftiens4.js"));
        fs::path folder = work / "p.res";
        std::string page = read_text(folder / "p_tree.htm");
        std::string files = "file:///" + fs::canonical(c.browser_files).string() + "/";
        for (auto at = files.find(' '); at != std::string::npos; at = files.find(' ', at))
            files.replace(at, 1, "%20");
        expect_all_in(page, {"<script src=\"" + files + "ua.js\"></script>",
                             "<script src=\"" + files + "ftiens4.js\"></script>"});

        browser.dump_dom(folder / "p_main.htm");
        EXPECT_EQ(browser.console_lines(), "") << "frameset and its frames";
        std::string dom = browser.dump_dom(folder / "p_tree.htm");
        EXPECT_EQ(browser.console_lines(), "") << "tree page";
        expect_all_in(dom, {"<i>DROVALEN RESULTS (p.drp)</i>",
                            "href=\"Drovalen_log.txt\" target=\"basefrm\"", ">Drovalen log file<",
                            ">Run of ", ">Settings<", "href=\"p.htm#", "_run_information\""});
    }
}

}  // namespace
