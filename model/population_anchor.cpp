// The place of a sample's results in the result browser: a named anchor in
// the results file and a document entry, titled with the sample's name, in
// the navigation tree.

#include "model/population.h"

#include "core/conversions.h"
#include "project/result_tree.h"

void Population::print_population_anchor(int level, settings& run_settings, const char* prefix)
{
    char index[16];
    my_itoa(sample_index, index, 10);
    my_string suffix = my_string("_") + prefix + index;
    print_js_doc_entry(run_settings, level, suffix.str, name.str);
}
