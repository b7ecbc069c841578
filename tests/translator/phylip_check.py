"""Reads and writes Phylip files with an independent Phylip reader and writer.

  phylip_check.py read FILE.phy
      Prints each sequence of FILE.phy as the strict Phylip reader takes it:
      its name, a tab and its sequence, one line each.
  phylip_check.py write FILE.phy
      Writes a small DNA alignment into FILE.phy in the sequential Phylip
      layout (10-character names, each sequence on one line) and prints its
      sequences as the read mode does.
"""
import random
import sys

from Bio import AlignIO
from Bio.Align import MultipleSeqAlignment
from Bio.Seq import Seq
from Bio.SeqRecord import SeqRecord


def print_alignment(alignment):
    for record in alignment:
        print("%s\t%s" % (record.id, record.seq))


def read(path):
    with open(path) as handle:
        print_alignment(AlignIO.read(handle, "phylip"))


def write(path):
    generator = random.Random(45)
    ancestor = [generator.choice("ACGT") for _ in range(120)]
    records = []
    for name in ["Gorilla", "Pan_troglo", "Homo", "Pongo_pygm", "Hylobates"]:
        sequence = [generator.choice("ACGT") if generator.random() < 0.1 else base
                    for base in ancestor]
        records.append(SeqRecord(Seq("".join(sequence)), id=name))
    alignment = MultipleSeqAlignment(records)
    with open(path, "w") as handle:
        AlignIO.write(alignment, handle, "phylip-sequential")
    print_alignment(alignment)


if __name__ == "__main__":
    mode, path = sys.argv[1:3]
    {"read": read, "write": write}[mode](path)
