#include "core/xml.h"

#include <sstream>
#include <string>

bool htmlOutput = true;

my_string TXmlTag::time("not set yet");

TXmlTag DroXmlTags::rootTag("Drovalen");
TXmlTag DroXmlTags::refTag("reference");
TXmlTag DroXmlTags::dataTag("data");
TXmlTag DroXmlTags::headerTag("header");

my_string xml_escape(my_string const& text, bool quotes)
{
    std::string out;
    for (char const* p = text.str; *p; ++p) {
        switch (*p) {
        case '&': out += "&amp;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        case '"': out += quotes ? "&quot;" : "\""; break;
        default: out += *p;
        }
    }
    return my_string(out.c_str());
}

TXmlTag::TXmlTag(char const* tag_name) : name(tag_name) {}

my_string TXmlTag::open()
{
    std::ostringstream tag;
    tag << "</" << DroXmlTags::dataTag.name << "> <" << name;
    if (!attribute.is_null() && !value.is_null())
        tag << ' ' << attribute << "=\"" << xml_escape(value) << '"';
    tag << " time=\"" << xml_escape(time) << "\">";
    // Only the first line counts: a line end inside a name or value ends the tag.
    std::string line = tag.str();
    line = line.substr(0, line.find('\n'));
    line += '\n';
    return my_string(line.c_str());
}

my_string TXmlTag::close()
{
    std::string text = "</" + std::string(name.str) + "> <" + DroXmlTags::dataTag.name.str + ">\n";
    return my_string(text.c_str());
}

my_string TXmlTag::write()
{
    std::string text = "<" + std::string(name.str) + ">\n";
    return my_string(text.c_str());
}

my_string TXmlTag::end()
{
    std::string text = "</" + std::string(name.str) + ">\n";
    return my_string(text.c_str());
}

std::ostream& operator<<(std::ostream& os, THeader const& header)
{
    my_string const& data = DroXmlTags::dataTag.name;
    os << "\n</" << data << ">\n"
       << "\n<header>\n" << xml_escape(header.text) << "\n</header>\n"
       << "<" << data << ">\n\n";
    return os;
}

std::ostream& operator<<(std::ostream& os, xml_anchor const& anchor)
{
    my_string const& data = DroXmlTags::dataTag.name;
    os << "</" << data << ">\n\n"
       << " <A NAME=\"" << xml_escape(anchor.name) << "\"></A> \n"
       << "<" << data << ">\n\n";
    return os;
}
