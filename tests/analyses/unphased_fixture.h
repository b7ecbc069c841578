// Shared by the tests of the EM and of the linkage-disequilibrium test: a
// genotypic sample of unknown phase whose individuals are written one
// character per locus, and the twelve individuals at two loci whose
// maximum-likelihood haplotype frequencies were found by maximising the
// likelihood directly (ln L -20.555378; AB 0.454940, Ab 0.045060,
// aB 0.086727, ab 0.413273).
#ifndef DROV_TESTS_ANALYSES_UNPHASED_FIXTURE_H
#define DROV_TESTS_ANALYSES_UNPHASED_FIXTURE_H

#include <string>

#include "analyses/popgen/pop_genetics.h"
#include "app/settings.h"
#include "core/random.h"
#include "model/individuals_fixture.h"

class UnphasedTest : public IndividualsTest {
protected:
    PopGenetics sample;
    settings s;

    void SetUp() override
    {
        sample.profile.MissingData = '?';
        sample.profile.GenotypicData = 1;
        sample.profile.GameticPhase = 0;
        sample.alleleDB = &db;
        sample.RecessiveAllelesEM = 0;
        s.RecessiveAllelesEM = 0;
        s.EMCheckPhenRedundancy = 0;
        seed(-4242);
    }

    static void seed(long value) { ran3(&value); }

    void add(const std::string& copy1, const std::string& copy2, double count = 1)
    {
        sample.individuals.phenotypes.Add(individual(copy1, copy2, count));
        sample.SampleSize += 2 * count;
    }

    // Two loci A/a and B/b: AABB x3, aabb x2, AaBb x4, Aabb, aaBb, AaBB.
    void twelve_individuals()
    {
        add("AB", "AB", 3);
        add("ab", "ab", 2);
        add("AB", "ab", 4);
        add("Ab", "ab");
        add("aB", "ab");
        add("AB", "aB");
    }
};

#endif
