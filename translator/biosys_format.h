// A Biosys format statement as plain numbers, and the numbers of Biosys files.
//
// A Biosys file gives the columns of its data lines by a statement in the
// notation of Fortran edit descriptors, such as (A7,3X,10(1X,A2,A2)): a name
// of 7 characters, 3 to skip, then 10 loci of one blank and two alleles of 2
// characters each. A "/" starts the next line of a record. Only the shapes
// of the three data types are read, not Fortran formats in general:
//   1 individual genotypes  (A7,3X,10(1X,A2,A2))
//   2 genotype counts       (2X,10(1X,A2,A2,1X,I3))
//   3 genotype frequencies  (2X,10(1X,A2,A2,1X,F4.3))
#ifndef DROV_TRANSLATOR_BIOSYS_FORMAT_H
#define DROV_TRANSLATOR_BIOSYS_FORMAT_H

#include <string>

struct BiosysFormat {
    // A statement of this many lines or more is refused.
    static const int max_lines = 10;
    // The longest text of one gene copy of an individual of data type 1; no
    // number of a statement may exceed it, since no field that wide can be read.
    static const int max_copy_length = 19999;

    int name_width = 0;  // data type 1: the individual's name opens its first line
    int skip = 0;        // characters after the name (type 1) or before a locus line's first genotype
    int line_count = 1;  // 1 plus the slashes of the statement
    // Per format line: its loci (type 1) or genotypes (types 2 and 3), the
    // characters before each, the widths of the two alleles, and the width of
    // the count (type 2) or of the frequency (type 3, decimals not kept).
    int loci[max_lines] = {};
    int gap[max_lines] = {};
    int first_width[max_lines] = {};
    int second_width[max_lines] = {};
    int third_width[max_lines] = {};

    // The sum of the loci of the format lines.
    int total_loci() const;
};

// A number as Biosys files write it in their header, counts and format
// items: its decimal digits, any other character skipped (so A2 reads 2); a
// '-' before the digits makes it negative; no digit gives 0. Kept within the
// int range.
int biosys_number(std::string const& text);

#endif
