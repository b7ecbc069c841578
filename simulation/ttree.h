// Coalescent genealogy of a simulated sample and the simulator's shared
// per-site table of mutation hits.
//
// Minimal form: the tip count and the hit table, which the owners of a
// genealogy test and empty; the simulator adds the nodes and the builders.
#ifndef DROV_SIMULATION_TTREE_H
#define DROV_SIMULATION_TTREE_H

#include "core/value_array.h"

class TNode {
public:
    // Per site, the number of mutations that hit it in the current replicate.
    static MY_TArrayAsVector<long> hits;
};

class TTree {
public:
    int num_tips;    // 0 for an empty genealogy
    int num_active;  // lineages not yet coalesced

    TTree() : num_tips(0), num_active(0) {}
    TTree(TTree const&) = delete;
    TTree& operator=(TTree const&) = delete;
};

#endif
