// Literature references written under the results of a method.
//
// A citation key names an entry of the program's fixed reference table (an
// author-year citation of the published method); constructing a References
// object writes that citation into the results in the current output form:
// an italic line of the HTML results, or a <Reference> element of the XML
// results, where the block of citations closes the running data element
// before it and reopens it after it. An unknown key writes an empty citation.
#ifndef DROV_PROJECT_REFERENCES_H
#define DROV_PROJECT_REFERENCES_H

#include <ostream>

#include "core/my_string.h"

class References {
public:
    // One citation of a block: position 0 the first, 1 one inside, 2 the
    // last (a block of two is 0 then 2). HTML: "           <i>citation</i>"
    // for every position; XML: the <Reference> element, closing the data
    // element before position 0 and reopening it after position 2; any
    // other position writes nothing in XML.
    References(std::ostream& out, my_string const& key, int position);
    // A single citation with its label "Reference: ".
    References(std::ostream& out, my_string const& key);

    // The citation of the key (exact, case-sensitive match), or an empty text.
    static my_string get_reference(my_string key);
};

// One entry of the reference table: a key built from the authors' surnames
// and initials (with a year or letter where an author has several works)
// and its citation "Surname I., Surname I. and Surname I. Year.".
struct Citation {
    const char* key;
    const char* text;
};
extern const Citation reference_table[];
extern const int reference_table_size;

#endif
