// The AMOVA result record: a fresh record holds zeros, untested P-values and
// empty arrays, and a record whose AMOVA ran no design says so by its case 0.

#include "amova/amova_results.h"

amova_results::amova_results()
    : locus(0), amova_case(0), df_1(0), ssd_groups(0), var_1(0), df_2(0), ssd_pops(0),
      var_2(0), df_3(0), ssd_within(0), var_3(0), df_4(0), ssd_indiv(0), var_4(0),
      df_total(0), ssd_total(0), var_total(0), fst_index(0), fsc_index(0), fct_index(0),
      fit_index(0), fis_index(0), p_fst(NOT_TESTED), p_fsc(NOT_TESTED), p_fct(NOT_TESTED),
      p_fit(NOT_TESTED), p_fis(NOT_TESTED),
      null_1(0, 1000), null_2(0, 1000), null_3(0, 1000), null_4(0, 1000), pop_fst(0, 10),
      pop_fis(), pop_extra()
{
}

namespace {

// The record holds one AMOVA's values: those of an earlier fill go, and the
// storage stays, so that refilling the project's record after every AMOVA
// (the selection scan runs thousands) allocates nothing.
void replace(MY_TArrayAsVector<double>& to, double const* values, int n)
{
    to.count = 0;
    if (values == nullptr)
        return;
    for (int i = 0; i < n; ++i)
        to.Add(values[i]);
}

}  // namespace

void amova_results::set_amova_results(int df1, double ssdGroups, double var1, int df2,
                                      double ssdPops, double var2, int df3, double ssdWithin,
                                      double var3, int df4, double ssdIndiv, double var4,
                                      int dfTotal, double ssdTotal, double varTotal, double fst,
                                      double fsc, double fct, double fit, double fis,
                                      double pFst, double pFsc, double pFct, double pFit,
                                      double pFis, double const* popFst, double const* popFis,
                                      double const* popExtra, int n)
{
    df_1 = df1;
    ssd_groups = ssdGroups;
    var_1 = var1;
    df_2 = df2;
    ssd_pops = ssdPops;
    var_2 = var2;
    df_3 = df3;
    ssd_within = ssdWithin;
    var_3 = var3;
    df_4 = df4;
    ssd_indiv = ssdIndiv;
    var_4 = var4;
    df_total = dfTotal;
    ssd_total = ssdTotal;
    var_total = varTotal;
    fst_index = fst;
    fsc_index = fsc;
    fct_index = fct;
    fit_index = fit;
    fis_index = fis;
    p_fst = pFst;
    p_fsc = pFsc;
    p_fct = pFct;
    p_fit = pFit;
    p_fis = pFis;
    replace(pop_fst, popFst, n);
    replace(pop_fis, popFis, n);
    replace(pop_extra, popExtra, n);
    amova_case = 0;
}
