// End-to-end tests of the per-locus diversity table (standard diversity
// section) and the haplotype and allele frequency tables (haplotype-frequency
// section) with their batch line.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "app/e2e_fixture.h"
#include "support/run_settings.h"
#include "support/temp_log.h"

namespace fs = std::filesystem;
using ::testing::HasSubstr;

namespace {

class LocusTablesE2E : public DrovexecTest {
protected:
    std::string run_project(std::string const& fixture, std::string const& tasks,
                            std::string const& all_alleles = "0")
    {
        write("p.drp", read_text(fs::path(DROV_TEST_DATA) / "run" / fixture));
        write("p.drs", run_settings_text({{"TaskNumber", tasks}, {"ComputeAllAllelesEM", all_alleles}}));
        EXPECT_EQ(run("p.drp p.drs"), 0) << err;
        return read_text(work / "p.res" / "p.htm");
    }
};

// Two individuals at three loci. Locus 1, sizes 100 100 102 104: He = 4/3
// (1 - 6/16) = 0.83333, range 4, G-W 3/(4 + 1) = 0.6, both heterozygous.
// Locus 2 has one missing copy and one allele: no row. Locus 3, sizes 102
// 102 102 and "104.6" read as 105: He = 4/3 (1 - 10/16) = 0.5, range 3,
// G-W 2/4. Means over loci 1 and 3; s.d. of 3 and 2 = sqrt(0.5) = 0.707.
TEST_F(LocusTablesE2E, MicrosatelliteGenotypesTable)
{
    const std::string rule(69, '-');
    EXPECT_THAT(run_project("microsat_loci.drp", "1"),
                HasSubstr("\n\nResults are only shown for polymorphic loci\n" + rule + "\n"
                          "           Num.\n"
                          "           gene     Num.        Obs.      Exp.   Allelic        G-W\n"
                          "Locus#    copies   alleles      Het.       Het     range       stat.\n"
                          + rule + "\n"
                          "     1         4         3   1.00000   0.83333         4     0.60000\n"
                          "     3         4         2   0.50000   0.50000         3     0.50000\n"
                          + rule + "\n"
                          "  Mean     4.000     2.500   0.75000   0.66667     3.500     0.55000\n"
                          "  s.d.     0.000     0.707   0.35355   0.23570     0.707     0.07071\n"
                          + rule + "\n\n"));
}

// North: ACGTTAGCAT 3 times, ACGATAGCAT twice; site 4 alone varies.
TEST_F(LocusTablesE2E, HaplotypeFrequenciesAndBatchLine)
{
    write("glbstreams.txt", "flags\n_ALLELE_FREQS_\n");
    std::string text = run_project("dna2.drp", "9", "1");
    const std::string rule(49, '-');
    EXPECT_THAT(text, HasSubstr("\nHaplotype database content:\n\n"
                                "  No.     Freq.      s.d.    Haplotype:\n"
                                "    1   0.60000   0.24495    ACGTTAGCAT\n"
                                "    2   0.40000   0.24495    ACGATAGCAT\n"));
    EXPECT_THAT(text, HasSubstr("    3\t1\tG : 1.0000\t\n    4\t2\tT : 0.6000\tA : 0.4000\t\n"));
    // He of site 4 = 5/4 (1 - 13/25) = 0.6; the one polymorphic site makes
    // the Mean row, and an s.d. row of zeros.
    EXPECT_THAT(text, HasSubstr("Locus#    copies   alleles       Het\n" + rule + "\n"
                                "     4         5         2   0.60000\n" + rule + "\n"
                                "  Mean     5.000     2.000   0.60000\n"
                                "  s.d.     0.000     0.000   0.00000\n" + rule + "\n\n"));
    std::string batch = read_text(work / "allele_freqs.sum");
    EXPECT_THAT(batch, HasSubstr("p.drp\"\t\tSample \"North\"\tLocus_1\t1\tLocus_2\t1\t"));
    EXPECT_THAT(batch, HasSubstr("\tLocus_10\t1\n\"p.res/p.drp\"\t\tSample \"South\"\tLocus_1\t0.25\t0.75"));
}

}  // namespace
