// Shared by the tests of individuals: a log to read reports back from, and a
// small allele database in which individuals are written one character per
// locus ("AB" / "BA": gene copy 1 carries A then B, gene copy 2 B then A).
#ifndef DROV_TESTS_MODEL_INDIVIDUALS_FIXTURE_H
#define DROV_TESTS_MODEL_INDIVIDUALS_FIXTURE_H

#include <gtest/gtest.h>

#include <string>

#include "model/allele_db.h"
#include "model/phenotype.h"
#include "model/pop_haplo_db.h"
#include "support/temp_log.h"

class IndividualsTest : public LogFolderTest {
protected:
    TAlleleDB db;

    // How often text occurs in the log so far.
    int reports(const std::string& text) const { return count_of(log_text(), text); }

    // The allele named c at locus L; loci are created with the recessive
    // slot "null" at position 0, which the character 'r' stands for.
    TAllele* allele(int L, char c)
    {
        for (int next = db.loci.count; next <= L; next++)
            db.InsertAllPos(next, my_string("null"), 0.0);
        if (c == 'r')
            return db.loci[L]->alleles[0];
        int pos = db.InsertAllPos(L, c, 0.0);
        return db.loci[L]->alleles[pos];
    }

    // A haplotype of one allele per character, loci from first_locus on.
    TPopHaplotype haplotype(const std::string& text, int first_locus = 0)
    {
        TPopHaplotype h;
        for (int i = 0; i < static_cast<int>(text.size()); i++)
            h.alleles.Add(allele(first_locus + i, text[i]));
        return h;
    }

    // An individual (owned by the caller) with the two gene copies given.
    TPhenotype* individual(const std::string& copy1, const std::string& copy2, double count = 1,
                           const char* name = "ind")
    {
        TPhenotype* p = new TPhenotype(my_string(name), count);
        p->set_pseudo_hapl(haplotype(copy1), 0);
        p->set_pseudo_hapl(haplotype(copy2), 1);
        return p;
    }
};

// The alleles of a haplotype as characters ('r' for a recessive slot).
inline std::string text(TPopHaplotype const& h)
{
    std::string s;
    for (int i = 0; i < h.alleles.count; i++)
        s += std::string(h.alleles[i]->name.str) == "null" ? 'r' : h.alleles[i]->name.str[0];
    return s;
}

#endif
