"""Checks drovexec's reader of Biosys genotype counts against known genotypes.

  biosys_check.py write FILE.bio
      writes the data set below (3 samples, 4 loci) as a Biosys file of data
      type 2: per sample and locus its genotypes with their counts, on two
      lines per locus.
  biosys_check.py check FILE.drp
      PROJECT.drp, translated by drovexec from that file, holds every sample
      with the same number of individuals and, at every locus, the same count
      of every genotype (the order of the two alleles aside).

Prints "ok" and exits 0 when they agree; prints the first difference and
exits 1 otherwise. This script knows nothing of drovexec's code: it writes
the layout that the Biosys format describes and reads the project files in
their simple block form (an individual on two lines: id, count and the
first gene copies, then the second gene copies).
"""
import collections
import sys

from project_blocks import fail, project_samples

LOCI = 4

# The individuals of each sample: per locus the two alleles.
SAMPLES = [
    ("Marsh", [
        [("01", "02"), ("11", "11"), ("21", "22"), ("31", "31")],
        [("01", "01"), ("11", "12"), ("22", "22"), ("31", "32")],
        [("02", "02"), ("12", "12"), ("21", "21"), ("31", "31")],
        [("01", "02"), ("11", "11"), ("21", "22"), ("32", "33")],
        [("01", "01"), ("11", "13"), ("21", "21"), ("31", "31")],
        [("01", "03"), ("12", "13"), ("21", "22"), ("31", "32")],
    ]),
    ("Heath", [
        [("02", "02"), ("11", "11"), ("22", "22"), ("33", "33")],
        [("02", "03"), ("11", "12"), ("21", "22"), ("31", "33")],
        [("03", "03"), ("11", "11"), ("22", "22"), ("33", "33")],
        [("01", "02"), ("12", "12"), ("21", "21"), ("31", "33")],
        [("02", "02"), ("11", "11"), ("22", "23"), ("32", "33")],
    ]),
    ("Dunes", [
        [("01", "01"), ("13", "13"), ("21", "21"), ("31", "31")],
        [("01", "01"), ("11", "13"), ("21", "23"), ("31", "32")],
        [("01", "04"), ("13", "13"), ("23", "23"), ("31", "31")],
        [("04", "04"), ("11", "11"), ("21", "21"), ("32", "32")],
        [("01", "01"), ("12", "13"), ("21", "21"), ("31", "31")],
        [("01", "04"), ("13", "13"), ("21", "23"), ("31", "31")],
        [("01", "01"), ("11", "13"), ("21", "21"), ("31", "32")],
    ]),
]


def genotype_counts(individuals, locus):
    """Counter of the unordered genotypes at one locus."""
    return collections.Counter(tuple(sorted(ind[locus])) for ind in individuals)


def write(path):
    lines = ["Known genotypes for the Biosys check",
             "NOTU=%d, NLOC=%d, CRT;" % (len(SAMPLES), LOCI),
             "(%d(1X,A7))" % LOCI,
             " ".join("LOC%d" % (k + 1) for k in range(LOCI)),
             "",
             "STEP DATA:",
             "DATYP=2",
             "(2X,3(1X,A2,A2,1X,I3)/3(1X,A2,A2,1X,I3))"]
    for number, (name, individuals) in enumerate(SAMPLES):
        if number > 0:
            lines.append("NEXT")
        lines.append(name)
        for locus in range(LOCI):
            fields = ["%s%s%s %3d" % (" ", a, b, n)
                      for (a, b), n in sorted(genotype_counts(individuals, locus).items())]
            half = (len(fields) + 1) // 2
            lines.append("  " + "".join(fields[:half]))
            lines.append("".join(fields[half:]))
    with open(path, "w") as handle:
        handle.write("\n".join(lines) + "\n")


def check(path):
    found = project_samples(path)
    if [s[0] for s in found] != [s[0] for s in SAMPLES]:
        fail("samples: %s, expected %s" % ([s[0] for s in found], [s[0] for s in SAMPLES]))
    for (name, size, records), (_, known) in zip(found, SAMPLES):
        individuals = [pairs for _, pairs in records]
        if size != len(known) or len(individuals) != len(known):
            fail("%s: size %s and %d individuals, expected %d" % (name, size, len(individuals), len(known)))
        for locus in range(LOCI):
            if any(len(ind) != LOCI for ind in individuals):
                fail("%s: an individual without %d loci" % (name, LOCI))
            got, expected = genotype_counts(individuals, locus), genotype_counts(known, locus)
            if got != expected:
                fail("%s locus %d: %s, expected %s" % (name, locus + 1, dict(got), dict(expected)))
    print("ok")


if __name__ == "__main__":
    mode, path = sys.argv[1:3]
    {"write": write, "check": check}[mode](path)
