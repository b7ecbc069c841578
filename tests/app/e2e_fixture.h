// Fixture of the end-to-end tests: the built drovexec runs in the working
// folder `work` of a fresh temporary folder, with a closed standard input and
// a fixed seed; its console output and exit status are kept for the checks.
#ifndef DROV_TESTS_APP_E2E_FIXTURE_H
#define DROV_TESTS_APP_E2E_FIXTURE_H

#include <gtest/gtest.h>

#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

#include <sys/wait.h>

#include "support/temp_log.h"

class DrovexecTest : public ::testing::Test {
protected:
    TempDir root;  // holds the working folder and the captured console output
    std::filesystem::path work = root / "work";  // the working folder of the program
    std::string out, err;
    std::filesystem::path program = binary();  // the drovexec that run() starts
    std::string seed = "-4242";                 // DROVEXEC_SEED of the runs

    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(binary()))
            << binary() << " is missing: build the drovexec target before these tests";
        std::filesystem::create_directory(work);
    }

    static std::filesystem::path binary()
    {
        return std::filesystem::path(DROV_BINARY_DIR) / "drovexec";
    }

    // Runs drovexec with these arguments; returns its exit status.
    int run(std::string const& arguments)
    {
        std::string command = "cd '" + work.string() + "' && DROVEXEC_SEED='" + seed + "' '"
                              + program.string() + "' " + arguments + " < /dev/null > '"
                              + (root / "out.txt").string() + "' 2> '"
                              + (root / "err.txt").string() + "'";
        int status = std::system(command.c_str());
        out = read_text(root / "out.txt");
        err = read_text(root / "err.txt");
        return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    }

    // Writes a file of the working folder, making its folders.
    void write(std::string const& name, std::string const& text)
    {
        std::filesystem::create_directories((work / name).parent_path());
        std::ofstream(work / name, std::ios::binary) << text;
    }
};

#endif
