// The Gibbs sampler of the gametic phase of one genotypic sample: its
// gametes, individuals and the state of the chain.
//
// Least form: the sample object owns one through PopGenetics::GibbsSampler
// and deletes it; the sampler itself comes with the phase inference.
#ifndef DROV_ANALYSES_HAPLOTYPES_GENOT_SAMPLE_H
#define DROV_ANALYSES_HAPLOTYPES_GENOT_SAMPLE_H

class TGenotSample {
public:
    TGenotSample() = default;
    TGenotSample(TGenotSample const&) = delete;
    TGenotSample& operator=(TGenotSample const&) = delete;
};

#endif
