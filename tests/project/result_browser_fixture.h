// Test fixture of the result-browser tests: a temporary results folder, the
// run's settings with the browser file names of a project in it, a results
// stream, and the project log.
#ifndef DROV_TESTS_PROJECT_RESULT_BROWSER_FIXTURE_H
#define DROV_TESTS_PROJECT_RESULT_BROWSER_FIXTURE_H

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <optional>
#include <string>

#include "app/glbobj.h"
#include "app/settings.h"
#include "core/errors.h"
#include "model/population.h"
#include "project/result_frames.h"
#include "project/result_tree.h"
#include "support/temp_log.h"

class ResultBrowserTest : public ::testing::Test {
protected:
    TempDir temp_dir;
    std::filesystem::path dir = temp_dir.path();
    settings s;
    std::fstream results;
    std::optional<TempLog> run_log;  // in the results folder, once a run is named

    void SetUp() override
    {
        xmlOutput = false;
        s.run_date = "08/12/26at18:55:29";
    }

    void TearDown() override
    {
        s.results_stream = nullptr;
        if (results.is_open())
            results.close();
        run_log.reset();
        xmlOutput = false;
    }

    // Names of a run of the project `project` (a path below the temporary
    // folder) with the core directory `core` in the settings `into` (the
    // fixture's own by default): results file, browser files, and the log in
    // the results folder.
    void name_run(std::string const& project, std::string const& core, bool xml)
    {
        name_run(project, core, xml, s);
    }
    void name_run(std::string const& project, std::string const& core, bool xml, settings& into)
    {
        std::filesystem::path path = dir / project;
        std::filesystem::path folder = path.parent_path() / (path.stem().string() + ".res");
        std::filesystem::create_directories(folder);
        into.results_dir = (folder.string() + "/").c_str();
        settings::input_file = (folder / path.filename()).string().c_str();
        into.results_file = (folder / (path.stem().string() + (xml ? ".xml" : ".htm"))).string().c_str();
        set_result_browser_names(into, my_string(core.c_str()));
        run_log.emplace(folder);
    }

    // Opens the results file afresh as the run's results stream.
    void open_results()
    {
        results.open(s.results_file.str, std::ios::out | std::ios::trunc);
        ASSERT_TRUE(results.is_open());
        s.results_stream = &results;
    }

    // One small run into a new results file of the named run: tree root and
    // log entry, the header, the run's folder and entries, a samples folder
    // with two sample anchors (the second named `second_sample`), the footer.
    void write_small_run(bool xml, const char* second_sample = "Pop <2> & \"b\"")
    {
        xmlOutput = xml;
        open_results();
        start_results(s, false, xml);
        print_js_aux_entry(s, 1, "", "Run of 08/12/26 at 18:55:29");
        print_js_doc_entry(s, 1, "_run_information", "Settings");
        results << "\nProject information:\n";
        std::ofstream tree;
        ASSERT_TRUE(open_tree_file(s, tree, "test"));
        TJSOut(tree).aux(2, my_string("Samples"), my_string());
        tree.close();
        Population first(my_string("Pop 1"));
        first.sample_index = 1;
        first.print_population_anchor(2, s, "samp");
        results << "results of Pop 1\n";
        Population second{my_string(second_sample)};
        second.sample_index = 2;
        second.print_population_anchor(2, s, "samp");
        results << "results of Pop 2\n";
        write_results_footer(results, xml);
        results.close();
        s.results_stream = nullptr;
    }

    std::string results_text()
    {
        results.flush();
        return read_text(s.results_file.str);
    }

    std::string log_text() const
    {
        _ZOS_->flush();
        return read_text(E.log_name.str);
    }
};

#endif
