// The record of one analysis of molecular variance: degrees of freedom, sums
// of squared deviations and variance components of the hierarchy analysed,
// their totals, the five fixation indices with their permutation P-values,
// the null distributions of the components and the population-specific FST
// and FIS. The project keeps one for its global AMOVA; the locus-by-locus
// AMOVA keeps one per locus.
//
// d.f. and components are numbered by the rows of the design from the top of
// the hierarchy down, while the sums of squares sit in fixed level slots
// (among groups, among populations, within populations or among individuals,
// within individuals): amova_case tells a reader which row goes with which
// sum. Slots a design does not use hold 0.
#ifndef DROV_AMOVA_AMOVA_RESULTS_H
#define DROV_AMOVA_AMOVA_RESULTS_H

#include "core/value_array.h"

class amova_results {
public:
    int locus;       // 0-based locus of a locus-by-locus record; 0 otherwise
    int amova_case;  // the design that ran, 1..9; 0 when none (printed "Invalid AMOVA case")
    int df_1;
    double ssd_groups;
    double var_1;
    int df_2;
    double ssd_pops;    // among populations (within groups where there are groups)
    double var_2;
    int df_3;
    double ssd_within;  // within populations, or among individuals within populations
    double var_3;
    int df_4;
    double ssd_indiv;   // within individuals
    double var_4;
    int df_total;
    double ssd_total;
    double var_total;
    double fst_index;
    double fsc_index;
    double fct_index;
    double fit_index;
    double fis_index;
    // The P-value of each index is in the slot of that index; NOT_TESTED
    // until its permutation test has run.
    static constexpr double NOT_TESTED = -1.0;
    double p_fst;
    double p_fsc;
    double p_fct;
    double p_fit;
    double p_fis;
    // The value of var_1 .. var_4 after each permutation of its test.
    MY_TArrayAsVector<double> null_1;
    MY_TArrayAsVector<double> null_2;
    MY_TArrayAsVector<double> null_3;
    MY_TArrayAsVector<double> null_4;
    // One value per population in the AMOVA's population order, of the last
    // AMOVA that filled the record.
    MY_TArrayAsVector<double> pop_fst;
    MY_TArrayAsVector<double> pop_fis;
    MY_TArrayAsVector<double> pop_extra;  // filled by no design

    amova_results();
    amova_results(amova_results const&) = delete;
    amova_results& operator=(amova_results const&) = delete;

    // The one fill operation of the designs: the 25 values from df_1 to
    // p_fis in field order; pop_fst, pop_fis and pop_extra hold the n values
    // of each non-null array (none for a null one); amova_case := 0, which
    // the caller of the design sets afterwards.
    void set_amova_results(int df1, double ssdGroups, double var1, int df2, double ssdPops,
                           double var2, int df3, double ssdWithin, double var3, int df4,
                           double ssdIndiv, double var4, int dfTotal, double ssdTotal,
                           double varTotal, double fst, double fsc, double fct, double fit,
                           double fis, double pFst, double pFsc, double pFct, double pFit,
                           double pFis, double const* popFst, double const* popFis,
                           double const* popExtra, int n);
};

#endif
