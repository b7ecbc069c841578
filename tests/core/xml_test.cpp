#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "core/xml.h"

namespace {

// Sets the run time of the tags for one test and puts the old one back.
class RunTime {
public:
    explicit RunTime(const char* time) : saved(TXmlTag::time) { TXmlTag::time = time; }
    ~RunTime() { TXmlTag::time = saved; }

private:
    my_string saved;
};

std::string text(my_string const& s)
{
    return s.str;
}

TEST(TXmlTag, OpenCarriesTheAttributeOnlyWhenNameAndValueAreSet)
{
    RunTime time("01/02/03 at 04:05:06");
    struct Case {
        const char* attribute;
        const char* value;
        const char* expected;
    };
    const Case cases[] = {
        {"", "", "</data> <tag time=\"01/02/03 at 04:05:06\">\n"},
        {"pop", "Lake 1", "</data> <tag pop=\"Lake 1\" time=\"01/02/03 at 04:05:06\">\n"},
        {"pop", "", "</data> <tag time=\"01/02/03 at 04:05:06\">\n"},
        {"", "Lake 1", "</data> <tag time=\"01/02/03 at 04:05:06\">\n"},
        // Values are escaped, so that the document stays well formed.
        {"pop", "A&\"B<c>", "</data> <tag pop=\"A&amp;&quot;B&lt;c&gt;\" time=\"01/02/03 at 04:05:06\">\n"},
        // A line end inside the value ends the tag there.
        {"pop", "two\nlines", "</data> <tag pop=\"two\n"},
    };
    for (Case const& c : cases) {
        TXmlTag tag("tag");
        tag.attribute = c.attribute;
        tag.value = c.value;
        EXPECT_EQ(text(tag.open()), c.expected) << c.attribute << "/" << c.value;
    }
}

TEST(TXmlTag, CloseWriteAndEnd)
{
    TXmlTag tag("mismatchSpatialExp");
    EXPECT_EQ(text(tag.close()), "</mismatchSpatialExp> <data>\n");
    EXPECT_EQ(text(DroXmlTags::rootTag.write()), "<Drovalen>\n");
    EXPECT_EQ(text(DroXmlTags::rootTag.end()), "</Drovalen>\n");
    EXPECT_EQ(text(DroXmlTags::dataTag.write()), "<data>\n");
    EXPECT_EQ(text(DroXmlTags::refTag.name), "reference");
    EXPECT_EQ(text(DroXmlTags::headerTag.name), "header");
}

TEST(TXmlTag, TimeReadsNotSetYetBeforeAnyRun)
{
    EXPECT_EQ(text(TXmlTag::time), "not set yet");
    TXmlTag tag("run");
    EXPECT_EQ(text(tag.open()), "</data> <run time=\"not set yet\">\n");
}

TEST(THeader, BlockBetweenTwoDataElements)
{
    std::ostringstream empty, escaped;
    empty << THeader(my_string(""));
    EXPECT_EQ(empty.str(), "\n</data>\n\n<header>\n\n</header>\n<data>\n\n");
    escaped << THeader(my_string("R&D <results>"));
    EXPECT_EQ(escaped.str(), "\n</data>\n\n<header>\nR&amp;D &lt;results&gt;\n</header>\n<data>\n\n");
}

TEST(XmlAnchor, AnchorBetweenTwoDataElements)
{
    std::ostringstream os;
    os << xml_anchor(my_string("pop\"1"));
    EXPECT_EQ(os.str(), "</data>\n\n <A NAME=\"pop&quot;1\"></A> \n<data>\n\n");
}

} // namespace
