// The report of the distances between the haplotypes of the project's list
// that the genetic-structure analyses use: the matrix with its distance
// method, references and haplotype list, and the minimum spanning tree and
// network between the haplotypes.

#include <algorithm>
#include <iomanip>
#include <string>

#include "app/glbobj.h"
#include "app/settings.h"
#include "comparisons/min_spa_net.h"
#include "core/rectmat.h"
#include "core/xml.h"
#include "project/project.h"
#include "project/references.h"
#include "project/result_tree.h"

namespace {

const int NUM_DISTANCE_NAMES = 10;

// The name of the method of the data type; empty for a method the table
// does not name.
const char* method_name(int m)
{
    auto entry = [](int e) -> const char* {
        return e >= 0 && e < NUM_DISTANCE_NAMES ? DistanceNames[e] : "";
    };
    switch (ProfileSettings::DataType) {
    case DNA: return entry(m);
    case RFLP: return m == 0 ? entry(0) : m == 1 ? entry(3) : "";
    case MICROSAT: return m >= 0 ? entry(7 + m) : "";
    case STANDARD:
    case FREQUENCY: return entry(0);
    default: return "";
    }
}

void print_matrix_section(Project& p, std::ostream& out)
{
    settings& s = p.run_settings;
    print_js_doc_entry(s, 2, p.samples->atGroupLevel ? "_gr_amova_dm" : "_pop_amova_dm",
                       "Euclidean distances");
    const std::string dashes(75, '-'), equals(66, '=');
    out << dashes << "\n"
        << "Matrix of Euclidian square distances used in the genetic structure section:\n"
        << dashes << "\n\n";
    const char* keys[] = {"Jukes_T_Cantor_C", "Jin_L_Nei_M",    "Uzzell_T_Corbin_K",
                          "Tamura_K",         "Kimura_M",       "Tajima_F_Nei_M",
                          "Tamura_K_Nei_M"};
    const int num_keys = sizeof keys / sizeof keys[0];
    for (int k = 0; k < num_keys; ++k)
        References(out, my_string(keys[k]), k == 0 ? 0 : k + 1 == num_keys ? 2 : 1);
    out << "\nEuclidean square distance matrix used for AMOVA computations: "
        << result_text(p.title()) << "\n\n"
        << "     Distance method: " << method_name(s.DistanceMethodAMOVA) << "\n\n";
    write_distance_matrix(out, p.dist_mat, true);
    out << "\n\n" << equals << "\n\n"
        << "Corresponding list of Haplotypes: " << result_text(p.title()) << "\n\n" << "\n";
    TXmlTag labels("hapDistMatrixLabels");
    if (xmlOutput)
        out << labels.open() << "\n";
    out << "Ext_Id  \tFreq." << std::endl;
    MY_TIArrayAsVector<HaploDef> const& list = p.haplo_list.list;
    for (int i = 0; i < list.count; ++i)
        out << result_text(list.data[i]->id) << "\t" << list.data[i]->count << "\t"
            << result_text(list.data[i]->content) << "\n";
    if (xmlOutput)
        out << labels.close() << "\n";
    out << equals << "\n\n";
}

void print_network_section(Project& p, std::ostream& out)
{
    settings& s = p.run_settings;
    print_js_doc_entry(s, 2, p.samples->atGroupLevel ? "_gr_glob_spann" : "_pop_glob_spann",
                       "Minimum Spanning Network");
    MY_TIArrayAsVector<HaploDef> const& list = p.haplo_list.list;
    const int H = list.count;
    // Only OTUs that have both a matrix row and a haplotype label are shown.
    DistMat& d = p.dist_mat;
    const int n = std::min({d.size, H, d.constant_mode ? d.size : d.n});
    if (d.size != H)
        out << "\nThe distance matrix has " << d.size << " rows for " << H
            << " haplotypes: the network covers the first " << n << " of them\n";
    RectMat copy(n, n);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            copy(i, j) = d(i, j);
    TMinSpaNet net(&copy);
    net.MakeNetwork();
    int longest = 0;
    for (int i = 0; i < H; ++i)
        longest = std::max(longest, list.data[i]->id.length);
    print_spanning_network(
        out, net, n, network_label_width(longest),
        [&list](int k) -> my_string const& { return list.data[k]->id; },
        [&] { net.printMST(out, "MST_AMOVA", p.haplo_list); }, false);
}

}  // namespace

void Project::print_distance_matrix()
{
    std::fstream* results = run_settings.results_stream;
    if (!results)
        return;
    if (run_settings.PrintDistanceMatrix)
        print_matrix_section(*this, *results);
    if (run_settings.PrintMinSpannNetworkGlob)
        print_network_section(*this, *results);
}
