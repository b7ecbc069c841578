// The results of one AMOVA: variance components, fixation indices and their
// P-values. The project keeps those of its last AMOVA.
//
// Minimal form: the AMOVA computations fill it in once they exist.
#ifndef DROV_AMOVA_AMOVA_RESULTS_H
#define DROV_AMOVA_AMOVA_RESULTS_H

class amova_results {
public:
    amova_results() = default;
    ~amova_results() = default;
};

#endif
