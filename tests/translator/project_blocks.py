"""The samples of a project file, for the check scripts of the translations.

The project is read in its simple block form: "#" starts a comment, and an
individual is on two lines (id, count and the first gene copies, then the
second gene copies).
"""
import sys


def project_samples(path):
    """[(sample name, sample size, [(id, [(allele1, allele2) per locus]), ...]), ...].

    The size is None when the sample gives none.
    """
    with open(path) as handle:
        lines = [line.split("#")[0].strip() for line in handle]
    samples = []
    i = 0
    while i < len(lines):
        compact = lines[i].replace(" ", "")
        if compact.startswith("SampleName="):
            samples.append((lines[i].split("=", 1)[1].strip().strip('"'), [None], []))
        elif compact.startswith("SampleSize="):
            samples[-1][1][0] = int(compact.split("=", 1)[1])
        elif compact.startswith("SampleData={"):
            i += 1
            while lines[i] != "}":
                if lines[i]:
                    first = lines[i].split()
                    second = lines[i + 1].split()
                    samples[-1][2].append((first[0], list(zip(first[2:], second))))
                    i += 1
                i += 1
        i += 1
    return [(name, size[0], individuals) for name, size, individuals in samples]


def fail(text):
    """Prints the difference found and ends the check with status 1."""
    print(text)
    sys.exit(1)
