#include "project/project.h"

#include <ctime>
#include <fstream>

#include "app/glbobj.h"
#include "app/startup.h"
#include "core/errors.h"
#include "core/xml.h"

Project::Project() : run_possible(0) {}

Project::~Project() = default;

void Project::build_res_bac_names()
{
    my_string stem = settings::input_file;
    stem.remove_extension();
    run_settings.results_file = stem + ".htm";
    run_settings.backup_file = stem + ".bac";
    run_settings.project_dir = run_settings.results_file;
    run_settings.project_dir.extract_path();
}

int Project::run()
{
    if (!run_possible)
        return 0;
    xmlOutput = run_settings.XMLOutput != 0;

    char date[80];
    std::time_t now = std::time(nullptr);
    std::strftime(date, sizeof date, "%d/%m/%y at %H:%M:%S", std::localtime(&now));
    TXmlTag::time = date;

    my_string stem = settings::input_file;
    stem.remove_extension();
    my_string name = stem;
    name.rm_path();
    run_settings.results_dir = stem + ".res/";
    run_settings.results_file = run_settings.results_dir + name + (xmlOutput ? ".xml" : ".htm");

    std::fstream results(run_settings.results_file.str, std::ios::out | std::ios::trunc);
    if (!results.is_open())
        return 0;
    run_settings.results_stream = &results;
    run_settings.print_pretty_settings(results);
    run_settings.results_stream = nullptr;
    results.close();
    return results.fail() ? 0 : 1;
}

int Project::explore(char*)
{
    return 1;
}

void Project::print_error_message()
{
    my_string name = DrovalenExeDirectory + "dro_pro.txt";
    std::ofstream marker(name.str);
    if (marker.is_open())
        marker << "error" << std::endl;
}

void Project::clean()
{
    E.results_stream = nullptr;
}
