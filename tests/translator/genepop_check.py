"""Checks GenePop files of drovexec against an independent GenePop reader.

  genepop_check.py written FILE.gen PROJECT.drp
      FILE.gen, written by drovexec from PROJECT.drp, holds the same samples,
      individuals and genotypes, up to a renumbering of the alleles of each
      locus (one code per allele, missing data as 0).
  genepop_check.py read FILE.gen PROJECT.drp
      PROJECT.drp, translated by drovexec from FILE.gen, holds the same number
      of copies of every allele at every locus in every sample.

Prints "ok" and exits 0 when the files agree; prints the first difference and
exits 1 otherwise. The project files are read in their simple block form: one
individual on two lines (id, count and the first gene copies, then the second
gene copies), '?' for a missing allele.
"""
import collections
import sys

from Bio.PopGen import GenePop


def project_samples(path):
    """[(sample name, [(id, [(allele1, allele2), ...]), ...]), ...]."""
    samples = []
    with open(path) as handle:
        lines = [line.split("#")[0].strip() for line in handle]
    i = 0
    while i < len(lines):
        line = lines[i]
        if line.replace(" ", "").startswith("SampleName="):
            name = line.split("=", 1)[1].strip().strip('"')
            samples.append((name, []))
        elif line.replace(" ", "").startswith("SampleData={"):
            i += 1
            while lines[i] != "}":
                if lines[i]:
                    first = lines[i].split()
                    second = lines[i + 1].split()
                    copies = [None if a == "?" else a for a in first[2:]]
                    others = [None if a == "?" else a for a in second]
                    samples[-1][1].append((first[0], list(zip(copies, others))))
                    i += 1
                i += 1
        i += 1
    return samples


def fail(text):
    print(text)
    sys.exit(1)


def both_files(gen_path, project_path):
    """The GenePop record and the project's samples, as many of each."""
    with open(gen_path) as handle:
        record = GenePop.read(handle)
    project = project_samples(project_path)
    if len(record.populations) != len(project):
        fail("samples: %d in GenePop, %d in project" % (len(record.populations), len(project)))
    return record, project


def check_written(gen_path, project_path):
    record, project = both_files(gen_path, project_path)
    codes = collections.defaultdict(dict)  # locus -> project allele -> code
    for pop, (name, individuals) in zip(record.populations, project):
        if [ind[0] for ind in pop] != [ind[0] for ind in individuals]:
            fail("individuals of %s differ" % name)
        for (ind_name, loci), (_, genotype) in zip(pop, individuals):
            if len(loci) != len(genotype):
                fail("%s: %d loci, %d in project" % (ind_name, len(loci), len(genotype)))
            for locus, (pair, original) in enumerate(zip(loci, genotype)):
                for code, allele in zip(pair, original):
                    if (code is None) != (allele is None):
                        fail("%s locus %d: %s for %s" % (ind_name, locus + 1, code, allele))
                    if allele is not None and codes[locus].setdefault(allele, code) != code:
                        fail("%s locus %d: allele %s has two codes" % (ind_name, locus + 1, allele))
    for locus, table in codes.items():
        if len(set(table.values())) != len(table):
            fail("locus %d: two alleles share a code" % (locus + 1))
    print("ok")


def check_read(gen_path, project_path):
    record, project = both_files(gen_path, project_path)
    for k, (pop, (name, individuals)) in enumerate(zip(record.populations, project)):
        expected = collections.Counter()
        for _, loci in pop:
            for locus, pair in enumerate(loci):
                expected.update((locus, a) for a in pair if a is not None)
        found = collections.Counter()
        for _, genotype in individuals:
            for locus, pair in enumerate(genotype):
                found.update((locus, int(a)) for a in pair if a is not None)
        if expected != found:
            fail("sample %d (%s): allele counts differ: %s" % (k + 1, name, expected - found or found - expected))
    print("ok")


if __name__ == "__main__":
    mode, gen_file, project_file = sys.argv[1:4]
    {"written": check_written, "read": check_read}[mode](gen_file, project_file)
