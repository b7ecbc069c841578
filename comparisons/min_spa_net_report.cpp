// The tables of a minimum spanning network in the results: the tree links,
// the tree in NEXUS notation and the alternative links, written alike for
// the haplotypes of a sample and for those of the whole project.

#include <algorithm>
#include <iomanip>
#include <string>

#include "comparisons/min_spa_net.h"
#include "project/references.h"
#include "project/result_tree.h"

int network_label_width(int longest_id)
{
    return std::max(8, longest_id + 4);
}

void fixed_notation(std::ostream& out, int decimals)
{
    out.setf(std::ios::fixed, std::ios::floatfield);
    out.setf(std::ios::showpoint | std::ios::right);
    out.unsetf(std::ios::left);
    out << std::setprecision(decimals);
}

void print_spanning_network(std::ostream& out, TMinSpaNet const& net, int num_otus, int width,
                            std::function<my_string const&(int)> const& label,
                            std::function<void()> const& nexus, bool line_after_links)
{
    const int w = width;
    const std::string rule43(43, '='), dashes43(43, '-'), rule67(67, '=');
    out << "\n\n" << rule43 << "\n"
        << "MINIMUM SPANNING TREE between " << std::setw(8) << num_otus << " OTUs\n"
        << rule43 << "\n";
    References(out, my_string("Prim_R"));
    out << "\n" << std::setw(w - 5) << " " << "OTU 1  " << std::setw(w - 5) << " " << "OTU 2  "
        << "  Connection length\n"
        << std::setw(w + 2) << "=====  " << std::setw(w) << "====="
        << "    =================\n";
    const int links = std::min(num_otus, net.size()) - 1;
    for (int k = 0; k < links; ++k) {
        if (net.otu1[k] < 0)
            continue;
        fixed_notation(out, 5);
        out << std::setw(w) << result_text(label(net.otu1[k])) << "  " << std::setw(w)
            << result_text(label(net.otu2[k]))
            << "  " << std::setw(18) << net.link_length[k] << "\n";
    }
    if (line_after_links)
        out << std::endl;

    out << "\n" << dashes43 << "\n" << "NEXUS notation for MST" << "\n" << dashes43 << "\n\n";
    nexus();
    out << std::endl;

    out << "\n\n" << rule67 << "\n"
        << "Alternative connections between OTUs\n"
        << "to extend the minimum spanning tree into a MINIMUM SPANNING NETWORK\n"
        << rule67 << "\n\n"
        << std::setw(w - 3) << " " << "OTU" << std::setw(30) << "List of alternative links\n"
        << std::setw(w) << "===" << std::setw(30) << "=========================\n";
    fixed_notation(out, 5);
    const int otus = std::min(num_otus, net.size());
    for (int i = 0; i < otus; ++i) {
        MY_TArrayAsVector<int> const& links_of_i = net.alt_links[i];
        if (links_of_i.count == 0)
            continue;
        out << std::setw(w) << result_text(label(i));
        for (int c = 0; c < links_of_i.count; ++c) {
            int j = links_of_i[c];
            if (j >= otus)
                continue;
            out << std::setw(w + 1) << result_text(label(j)) << " (" << net.distance(i, j) << ") ";
        }
        out << "\n";
    }
    out << "\n" << std::endl;
}
