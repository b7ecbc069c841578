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
#include "project/result_frames.h"
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
    // folder) with the core directory `core`: results file, browser files,
    // and the log in the results folder.
    void name_run(std::string const& project, std::string const& core, bool xml)
    {
        std::filesystem::path path = dir / project;
        std::filesystem::path folder = path.parent_path() / (path.stem().string() + ".res");
        std::filesystem::create_directories(folder);
        s.results_dir = (folder.string() + "/").c_str();
        settings::input_file = (folder / path.filename()).string().c_str();
        s.results_file = (folder / (path.stem().string() + (xml ? ".xml" : ".htm"))).string().c_str();
        set_result_browser_names(s, my_string(core.c_str()));
        run_log.emplace(folder);
    }

    // Opens the results file afresh as the run's results stream.
    void open_results()
    {
        results.open(s.results_file.str, std::ios::out | std::ios::trunc);
        ASSERT_TRUE(results.is_open());
        s.results_stream = &results;
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
