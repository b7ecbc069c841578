#include "project/references.h"

#include <cstring>

#include "app/glbobj.h"

// The reference table: the published literature on which the methods of the
// program rest. Analyses cite an entry by its key.
const Citation reference_table[] = {
    // Diversity indices, theta estimators and DNA polymorphism
    {"Nei_M_1973", "Nei M. 1973."},
    {"Nei_M_1978", "Nei M. 1978."},
    {"Nei_M_1987", "Nei M. 1987."},
    {"Nei_M_Li_W", "Nei M. and Li W.-H. 1979."},
    {"Garza_J_Williamson_E", "Garza J.C. and Williamson E.G. 2001."},
    {"Nei_M_Tajima_F", "Nei M. and Tajima F. 1981."},
    {"Tajima_F_1983", "Tajima F. 1983."},
    {"Tajima_F_1993", "Tajima F. 1993."},
    {"Watterson_G_1975", "Watterson G.A. 1975."},
    {"Zouros_E", "Zouros E. 1979."},
    {"Ohta_T_Kimura_M", "Ohta T. and Kimura M. 1973."},
    {"Kimura_M_Crow_J", "Kimura M. and Crow J.F. 1964."},
    {"Ewens_W", "Ewens W.J. 1972."},
    // Distances between sequences
    {"Jukes_T_Cantor_C", "Jukes T.H. and Cantor C.R. 1969."},
    {"Kimura_M", "Kimura M. 1980."},
    {"Tamura_K", "Tamura K. 1992."},
    {"Tajima_F_Nei_M", "Tajima F. and Nei M. 1984."},
    {"Tamura_K_Nei_M", "Tamura K. and Nei M. 1993."},
    {"Jin_L_Nei_M", "Jin L. and Nei M. 1990."},
    {"Uzzell_T_Corbin_K", "Uzzell T. and Corbin K.W. 1971."},
    // Mismatch distribution and demographic expansions
    {"Li_W", "Li W.-H. 1977."},
    {"Slatkin_M_Hudson_R", "Slatkin M. and Hudson R.R. 1991."},
    {"Rogers_A_Harpending_H", "Rogers A.R. and Harpending H. 1992."},
    {"Harpending_H", "Harpending H.C. 1994."},
    {"Rogers_A", "Rogers A.R. 1995."},
    // Neutrality tests and the coalescent
    {"Tajima_F_1989", "Tajima F. 1989."},
    {"Tajima_F_1996", "Tajima F. 1996."},
    {"Fu_Y_1995", "Fu Y.-X. 1995."},
    {"Fu_Y_1997", "Fu Y.-X. 1997."},
    {"Fu_Y_Li_W", "Fu Y.-X. and Li W.-H. 1993."},
    {"Strobeck_C", "Strobeck C. 1987."},
    {"Watterson_G_1978", "Watterson G.A. 1978."},
    {"Slatkin_M_1994b", "Slatkin M. 1994b."},
    {"Slatkin_M_1996", "Slatkin M. 1996."},
    {"Chakraborty_R", "Chakraborty R. 1990."},
    {"Hudson_R", "Hudson R.R. 1990."},
    {"Kingman_J", "Kingman J.F.C. 1982."},
    // Linkage disequilibrium, Hardy-Weinberg equilibrium, haplotype inference
    {"Lewontin_R_Kojima_K", "Lewontin R.C. and Kojima K. 1960."},
    {"Lewontin_R_1964", "Lewontin R.C. 1964."},
    {"Lewontin_R_1988", "Lewontin R.C. 1988."},
    {"Slatkin_M_1994a", "Slatkin M. 1994a."},
    {"Guo_S_Thompson_E", "Guo S.W. and Thompson E.A. 1992."},
    {"Levene_H", "Levene H. 1949."},
    {"Dempster_A_Laird_N_Rubin_D", "Dempster A.P., Laird N.M. and Rubin D.B. 1977."},
    {"Long_J_Williams_R_Urbanek_M", "Long J.C., Williams R.C. and Urbanek M. 1995."},
    {"Hawley_M_Kidd_K", "Hawley M.E. and Kidd K.K. 1995."},
    {"Clark_A", "Clark A.G. 1990."},
    {"Niu_T_etal", "Niu T., Qin Z.S., Xu X. and Liu J.S. 2002."},
    // The Gibbs sampler of gametic phase
    {"QKR_Ref", "Stephens M., Smith N.J. and Donnelly P. 2001."},
    // Genetic structure: variance components and F-statistics
    {"Cockerham_C_1969", "Cockerham C.C. 1969."},
    {"Cockerham_C_1973", "Cockerham C.C. 1973."},
    {"Weir_B_Cockerham_C", "Weir B.S. and Cockerham C.C. 1984."},
    {"Weir_B", "Weir B.S. 1996."},
    {"Weir_B_Hill_W", "Weir B.S. and Hill W.G. 2002."},
    {"Excoffier_L_Smouse_P_Quattro_J", "Excoffier L., Smouse P.E. and Quattro J.M. 1992."},
    {"Long_J", "Long J.C. 1986."},
    {"Wright_S", "Wright S. 1951."},
    // Population comparisons, Mantel test, assignment, spanning networks
    {"Reynolds_J_Weir_B_Cockerham_C", "Reynolds J., Weir B.S. and Cockerham C.C. 1983."},
    {"Slatkin_M_1991", "Slatkin M. 1991."},
    {"Slatkin_M_1995", "Slatkin M. 1995."},
    {"Gaggiotti_O_Excoffier_L", "Gaggiotti O.E. and Excoffier L. 2000."},
    {"Hudson_R_Slatkin_M_Maddison_W", "Hudson R.R., Slatkin M. and Maddison W.P. 1992."},
    {"Rousset_F", "Rousset F. 1996."},
    {"Goldstein_D_etal", "Goldstein D.B., Ruiz Linares A., Cavalli-Sforza L.L. and Feldman M.W. 1995."},
    {"Raymond_M_Rousset_F", "Raymond M. and Rousset F. 1995."},
    {"Goudet_J_etal", "Goudet J., Raymond M., de Meeus T. and Rousset F. 1996."},
    {"Mantel_N", "Mantel N. 1967."},
    {"Smouse_P_Long_J_Sokal_R", "Smouse P.E., Long J.C. and Sokal R.R. 1986."},
    {"Paetkau_D_etal_1995", "Paetkau D., Calvert W., Stirling I. and Strobeck C. 1995."},
    {"Paetkau_D_etal_1997", "Paetkau D., Waits L.P., Clarkson P.L., Craighead L. and Strobeck C. 1997."},
    {"Waser_P_Strobeck_C", "Waser P.M. and Strobeck C. 1998."},
    {"Kruskal_J", "Kruskal J.B. 1956."},
    {"Prim_R", "Prim R.C. 1957."},
    // Loci under selection from genome scans
    {"Lewontin_R_Krakauer_J", "Lewontin R.C. and Krakauer J. 1973."},
    {"Beaumont_M_Nichols_R", "Beaumont M.A. and Nichols R.A. 1996."},
    {"Slatkin_M_Voelm_L", "Slatkin M. and Voelm L. 1991."},
};

const int reference_table_size = sizeof reference_table / sizeof reference_table[0];

my_string References::get_reference(my_string key)
{
    for (int i = 0; i < reference_table_size; ++i)
        if (std::strcmp(reference_table[i].key, key.str) == 0)
            return my_string(reference_table[i].text);
    return my_string();
}

References::References(std::ostream& out, my_string const& key, int position)
{
    my_string citation = get_reference(key);
    if (!xmlOutput) {
        out << "           <i>" << citation << "</i>" << "\n";
        return;
    }
    switch (position) {
    case 0: out << "</data>\n<Reference>" << citation << "</Reference>\n"; break;
    case 1: out << "<Reference>" << citation << "</Reference>\n"; break;
    case 2: out << "<Reference>" << citation << "</Reference>\n<data>\n"; break;
    default: break;
    }
}

References::References(std::ostream& out, my_string const& key)
{
    my_string citation = get_reference(key);
    if (xmlOutput)
        out << "Reference: </data>\n<Reference>" << citation << "</Reference>\n<data>\n";
    else
        out << "Reference: <i>" << citation << "</i>" << "\n";
}
