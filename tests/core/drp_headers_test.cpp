#include "core/drp_headers.h"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

#include "core/datatype.h"
#include "core/my_string.h"

namespace {

// Counts the flushes of a stream that writes into a string.
class FlushCounter : public std::stringbuf {
public:
    int flushes = 0;

protected:
    int sync() override
    {
        ++flushes;
        return std::stringbuf::sync();
    }
};

std::string gibbs_head(const char* title, TDataType type)
{
    std::ostringstream os;
    write_Drovalen_header_gibbs(my_string(title), 3, type, os);
    return os.str();
}

}  // namespace

TEST(DrpHeaders, GibbsHeadOfADnaPhaseFile)
{
    EXPECT_EQ(gibbs_head("Modal phase", DNA),
              "\n"
              "[Profile]\n"
              "\tTitle=\"Modal phase\"\n"
              "\tNbSamples=3\n"
              "\tGenotypicData=1\n"
              "\tGameticPhase=1\n"
              "\tRecessiveData=0\n"
              "\tDataType=DNA\n"
              "\tLocusSeparator=NONE\n"
              "\tMissingData='?'\n"
              "\n"
              "[Data]\n"
              "\t[[Samples]]\n"
              "\n");
}

TEST(DrpHeaders, DataTypeAndLocusSeparator)
{
    struct Case {
        int type;
        const char* lines;
    };
    const Case cases[] = {
        {DNA, "\tDataType=DNA\n\tLocusSeparator=NONE\n\tMissingData"},
        {RFLP, "\tDataType=RFLP\n\tLocusSeparator=NONE\n\tMissingData"},
        {MICROSAT, "\tDataType=MICROSAT\n\tLocusSeparator=TAB\n\tMissingData"},
        {STANDARD, "\tDataType=STANDARD\n\tLocusSeparator=TAB\n\tMissingData"},
        {FREQUENCY, "\tDataType=FREQUENCY\n\tLocusSeparator=TAB\n\tMissingData"},
        {5, "\tRecessiveData=0\n\tDataType=\tMissingData='?'\n"},
    };
    for (const Case& c : cases) {
        std::string head = gibbs_head("t", static_cast<TDataType>(c.type));
        EXPECT_NE(head.find(c.lines), std::string::npos) << c.type << "\n" << head;
    }
    EXPECT_EQ(gibbs_head("t", static_cast<TDataType>(5)).find("LocusSeparator"),
              std::string::npos);
}

TEST(DrpHeaders, PlainHeadHasTheFixedTitleAndUnknownPhase)
{
    std::ostringstream os;
    write_Drovalen_header(12, MICROSAT, os);
    std::string head = os.str();
    const std::string start =
        "\n[Profile]\n\tTitle=\"A series of simulated samples\"\n\tNbSamples=12\n";
    const std::string end = "\tMissingData='?'\n\n[Data]\n\t[[Samples]]\n\n";
    EXPECT_EQ(head.substr(0, start.size()), start);
    EXPECT_NE(head.find("\tGenotypicData=1\n\tGameticPhase=0\n\tRecessiveData=0\n"),
              std::string::npos);
    EXPECT_EQ(head.substr(head.size() - end.size()), end);
}

TEST(DrpHeaders, EmptyTitle)
{
    EXPECT_NE(gibbs_head("", STANDARD).find("\n\tTitle=\"\"\n"), std::string::npos);
}

TEST(DrpHeaders, SampleHeads)
{
    std::ostringstream gibbs;
    write_Drovalen_sample_header_gibbs(my_string("pop 1"), 24, gibbs);
    EXPECT_EQ(gibbs.str(), "\t\tSampleName=\"pop 1\"\n\t\tSampleSize=24\n\t\tSampleData= {\n");

    std::ostringstream plain;
    write_Drovalen_sample_header(7, 10, plain);
    EXPECT_EQ(plain.str(), "\t\tSampleName=\"Sample 7\"\n\t\tSampleSize=10\n\t\tSampleData= {\n");
}

TEST(DrpHeaders, FootersEndWithALineFeedAndFlush)
{
    FlushCounter gibbs_buf;
    std::ostream gibbs(&gibbs_buf);
    write_Drovalen_sample_footer_gibbs(gibbs);
    EXPECT_EQ(gibbs_buf.str(), "\n\t\t}\n");
    EXPECT_EQ(gibbs_buf.flushes, 1);

    FlushCounter plain_buf;
    std::ostream plain(&plain_buf);
    write_Drovalen_sample_footer(plain);
    EXPECT_EQ(plain_buf.str(), "}\n");
    EXPECT_EQ(plain_buf.flushes, 1);
}
