#!/usr/bin/env python3
"""Independent count of the exports of a haplotypic 0/1 project.

Usage: sfs_independent_check.py DATA RESULT_FOLDER BASE ALL_FREQS

DATA holds one line per sample: its gene copies as 0/1 strings separated by
blanks. From the gene copies alone this script counts, per sample, the
derived alleles ("1") of every site and builds the derived-allele spectra of
each sample, of each pair (rows the later sample) and of all samples (a
multidimensional array flattened row-major, the first sample slowest), and
the relative frequency of every allele in every sample. It compares them
with the files the program wrote and prints every difference; the exit
status is 0 when there is none.
"""
import itertools
import sys


def cells(line):
    return [float(x) for x in line.rstrip("\n").split("\t")]


def main():
    data, folder, base, all_freqs = sys.argv[1:5]
    samples = [line.split() for line in open(data) if line.strip()]
    sizes = [len(copies) for copies in samples]
    sites = len(samples[0][0])
    derived = [[sum(copy[s] == "1" for copy in copies) for s in range(sites)]
               for copies in samples]
    problems = []

    def compare(name, expected):
        lines = open(folder + name).read().split("\n")
        rows = [line for line in lines[2:] if line]
        if "_joint" in name:  # each row begins with its label
            rows = [line.split("\t", 1)[1] for line in rows]
        flat = [x for row in rows for x in cells(row)]
        if flat != expected:
            problems.append("%s: expected %s, found %s" % (name, expected[:20], flat[:20]))

    for p, size in enumerate(sizes):
        spectrum = [0.0] * (size + 1)
        for s in range(sites):
            spectrum[derived[p][s]] += 1
        compare("%s_DAFpop%d.obs" % (base, p), spectrum)

    for i, j in itertools.combinations(range(len(sizes)), 2):
        i, j = j, i  # rows: the later sample
        joint = [[0.0] * (sizes[j] + 1) for _ in range(sizes[i] + 1)]
        for s in range(sites):
            joint[derived[i][s]][derived[j][s]] += 1
        compare("%s_jointDAFpop%d_%d.obs" % (base, i, j), [x for row in joint for x in row])

    shape = [size + 1 for size in sizes]
    multi = [0.0]
    for n in shape:
        multi = multi * n
    for s in range(sites):
        index = 0
        for p, n in enumerate(shape):
            index = index * n + derived[p][s]
        multi[index] += 1
    compare("%s_DSFS.obs" % base, multi)

    expected_lines = []
    for s in range(sites):
        for allele in sorted({copy[s] for copies in samples for copy in copies}):
            freqs = [sum(copy[s] == allele for copy in copies) / len(copies) for copies in samples]
            expected_lines.append((s + 1, allele, freqs))
    found = [line.split("\t") for line in open(all_freqs).read().split("\n") if line]
    if len(found) != len(expected_lines):
        problems.append("%s: %d lines, expected %d" % (all_freqs, len(found), len(expected_lines)))
    for (locus, allele, freqs), fields in zip(expected_lines, found):
        if fields[0] != "Locus_%d" % locus or fields[1] != allele or fields[-1] != "" or \
                fields[2:-1] != ["%.5g" % x for x in freqs]:
            problems.append("%s: %s against %s" % (all_freqs, fields, (locus, allele, freqs)))
            break

    for problem in problems:
        print(problem)
    return 1 if problems else 0


if __name__ == "__main__":
    sys.exit(main())
