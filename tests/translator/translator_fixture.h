// Fixture of the translator tests: a translator on its own project, the log
// open in a fresh folder that is also the working folder (the export step
// writes and deletes its temporary results file there), and the two steps run
// on texts.
#ifndef DROV_TESTS_TRANSLATOR_TRANSLATOR_FIXTURE_H
#define DROV_TESTS_TRANSLATOR_TRANSLATOR_FIXTURE_H

#include <gtest/gtest.h>

#include <filesystem>
#include <sstream>
#include <string>

#include "project/project.h"
#include "support/temp_log.h"
#include "translator/imp_exp.h"

// The translator's temporary files ("dum_dro_<k>.drp", "trans_out_<k>.txt")
// left anywhere in `folder`, one path a line.
inline std::string translator_temporaries(std::filesystem::path const& folder)
{
    std::string left;
    for (auto const& entry : std::filesystem::recursive_directory_iterator(folder)) {
        std::string name = entry.path().filename().string();
        if (name.rfind("dum_dro_", 0) == 0 || name.rfind("trans_out_", 0) == 0)
            left += entry.path().string() + "\n";
    }
    return left;
}

class TranslatorTest : public LogFolderTest {
protected:
    Project project;
    imp_exp translator;
    std::filesystem::path saved_cwd = std::filesystem::current_path();
    int status = -1;  // what the last step returned

    void SetUp() override
    {
        std::filesystem::current_path(dir);
        translator.project = &project;
    }
    void TearDown() override { std::filesystem::current_path(saved_cwd); }

    // The import step on `source`, written as `name`: the project text.
    std::string import_text(int format, std::string const& name, std::string const& source)
    {
        std::string path = write_file(name, source).string();
        return import_file(format, path);
    }
    std::string import_file(int format, std::string const& path)
    {
        std::ostringstream out;
        std::string in = path, temporary = (dir / "dum_dro.drp").string();
        status = translator.import_data(format, in.data(), temporary.data(), &out);
        return out.str();
    }

    // The export step of `project_text` into `format`: the output text.
    std::string export_text(int format, std::string const& project_text)
    {
        std::string in = write_file("dum_dro.drp", project_text).string();
        std::string out_name = (dir / "out.txt").string();
        std::ostringstream out;
        status = translator.export_data(format, in.data(), out_name.data(), &out);
        return out.str();
    }

    // The GenePop reader alone (no header) on `source`.
    std::string read_gen_pop(std::string const& source, int diploid = 1)
    {
        translator.diploid = diploid;
        return read_alone(&imp_exp::read_gen_pop, "in.gen", source);
    }

    // One reader alone (no header) on `source`, written as `name`.
    std::string read_alone(int (imp_exp::*reader)(), std::string const& name,
                           std::string const& source)
    {
        translator.input_name = write_file(name, source).string().c_str();
        std::ostringstream out;
        translator.os = &out;
        status = (translator.*reader)();
        return out.str();
    }

    // Opens `project_text` as the export step does, without its preparation,
    // so that a test can change the project before calling a writer.
    bool open_project(std::string const& project_text)
    {
        settings::input_file = write_file("open.drp", project_text).string().c_str();
        return project.open() == 1;
    }
    // One writer alone on the project: the text it writes.
    std::string write_alone(int (imp_exp::*writer)())
    {
        std::ostringstream out;
        translator.os = &out;
        status = (translator.*writer)();
        return out.str();
    }
};

#endif
