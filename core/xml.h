// XML result tags.
//
// With XML output the result file is one document whose running text sits in
// an open <data> element; every tagged section (a table, the settings, a
// reference) is cut out of it by a tag of its own. The classes here only
// produce the texts; the callers write them to the result stream.
#ifndef DROV_CORE_XML_H
#define DROV_CORE_XML_H

#include <ostream>

#include "core/my_string.h"

// True while entries of the result browser's navigation tree are written;
// the selection scan clears it while it runs its internal analyses. (The
// flag xmlOutput, XML or HTML results, is with the other globals in app/glbobj.h.)
extern bool htmlOutput;

// Escapes &, <, > and " so that the text can stand inside an attribute value
// or an element of the XML result file; without `quotes` a " stays as it is,
// as the running text of an HTML page may hold it.
my_string xml_escape(my_string const& text, bool quotes = true);

// One element of the XML result file, with at most one attribute.
class TXmlTag {
public:
    my_string name;       // element name (callers may extend it with +=)
    my_string attribute;  // name of the optional attribute
    my_string value;      // value of that attribute

    // Start date of the current run, carried by every opening tag;
    // "not set yet" until the first run sets it.
    static my_string time;

    explicit TXmlTag(char const* tag_name);

    my_string open();   // closes the running data element and opens this tag
    my_string close();  // closes this tag and opens a new data element
    my_string write();  // plain opening tag
    my_string end();    // plain closing tag
};

// A header block written between two data elements.
class THeader {
public:
    my_string text;
    explicit THeader(my_string const& header_text) : text(header_text) {}
};

// An HTML anchor kept between two data elements of the XML text.
class xml_anchor {
public:
    my_string name;
    explicit xml_anchor(my_string const& anchor_name) : name(anchor_name) {}
};

std::ostream& operator<<(std::ostream& os, THeader const& header);
std::ostream& operator<<(std::ostream& os, xml_anchor const& anchor);

// The tags that the whole document shares.
class DroXmlTags {
public:
    static TXmlTag rootTag;    // "Drovalen", the document's root element
    static TXmlTag refTag;     // "reference"
    static TXmlTag dataTag;    // "data", the running element
    static TXmlTag headerTag;  // "header"
};

#endif
