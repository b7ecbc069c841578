// The Biosys reader: a Biosys file becomes the text of a genotypic project.
//
// The file holds a title, a header line of key=value pairs (NOTU, the number
// of populations, and NLOC, the number of loci), a listing of the loci up to
// a line holding "STEP DATA", a data-type line (DATYP=1, 2 or 3), a format
// statement and the data of the populations. Data type 1 gives one record
// per individual (biosys_reader.cpp); data types 2 and 3 give per population
// and locus a list of genotypes with their counts or frequencies, from which
// individuals are made up (biosys_counts.cpp).
//
// The project is always genotypic, gametic phase unknown, STANDARD data with
// alleles separated by white space. The reader copies the locus listing into
// comments and prints back how it understood the format statement, so that
// the user can compare the two. An allele field that holds only blanks, as a
// field past the end of a short line does, is missing data ("?"), so that
// every individual keeps one allele per locus.
#ifndef DROV_TRANSLATOR_BIOSYS_READER_H
#define DROV_TRANSLATOR_BIOSYS_READER_H

#include <istream>
#include <ostream>
#include <string>
#include <vector>

#include "translator/biosys_format.h"

class imp_exp;

class BiosysReader {
public:
    BiosysReader(imp_exp& translator, std::istream& in, std::ostream& out);

    // 1 when the file was read; 0 after writing the cause to the log, when
    // the file gives no data type 1 to 3, a format statement that cannot be
    // read, a gene copy too long, or fewer populations than NOTU.
    int run();

private:
    imp_exp& translator;
    std::istream& in;
    std::ostream& out;
    std::string line;  // the line read last; empty once the file has ended
    int notu = 0;      // populations
    int nloc = 0;      // loci
    int data_type = 0;
    BiosysFormat format;

    // The next line into `line`; false, and an empty line, at the end of the file.
    bool next_line();
    void read_title();
    void read_header();
    void copy_locus_listing();
    void read_data_type();
    int read_format_statement();
    void write_format_comments();

    // Data type 1: the records of the individuals.
    int read_individuals();
    bool read_record(std::string& copy1, std::string& copy2);
    // Data types 2 and 3: the genotype lists of every locus.
    struct Genotype {
        std::string first, second;  // the alleles of gene copy 1 and 2
        int copies;                 // the individuals that carry it
    };
    // Gene copy 1 and 2 of made-up individual k + 1, locus after locus.
    std::vector<std::string> made_up1, made_up2;
    int read_genotype_lists();
    std::vector<Genotype> read_genotype_list(int sample_size);
    void add_locus(int locus, std::vector<Genotype> const& genotypes);

    // The `width` characters of the line at `column`, blanks past its end.
    static std::string field(std::string const& line, std::size_t column, int width);
    // An allele field: "?" when it holds only blanks, else the field unchanged.
    static std::string allele(std::string const& line, std::size_t column, int width);
    // The comment and the log line of a file that ends before population
    // `population` (counted from 1); returns 0.
    int ended_before(int population);
    // The log line of a file that cannot be read on; returns 0.
    static int refuse(std::string const& cause);
};

#endif
