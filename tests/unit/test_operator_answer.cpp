#include "app/AnswerReader.h"
#include "app/OperatorAnswer.h"

#include <gtest/gtest.h>

namespace {

std::string Normalised(std::string answer)
{
    NormaliseAnswer(answer);
    return answer;
}

}  // namespace

TEST(NormaliseAnswer, TrimsTheClassicSpaceClassAtBothEndsOnly)
{
    EXPECT_EQ("y", Normalised("  y\t"));
    EXPECT_EQ("y", Normalised("y\r"));
    EXPECT_EQ("Y", Normalised("\t\n\v\f\r Y \r\n"));
    EXPECT_EQ("a b\tc", Normalised(" a b\tc "));
    EXPECT_EQ("", Normalised(" \t\r"));
    // Bytes above 127 are not spaces in the classic locale.
    EXPECT_EQ("\xA0y\x85", Normalised("\xA0y\x85"));
}

TEST(IsYes, OnlyEmptyAndASingleYStart)
{
    for (const char* yes : {"", "Y", "y"})
        EXPECT_TRUE(IsYes(yes)) << yes;
    for (const char* no : {"yes", "Yes", "n", "N", "YY", "y y", "1"})
        EXPECT_FALSE(IsYes(no)) << no;
}

TEST(AcquisitionMilliseconds, ReadsTheLeadingIntegerLikeAtoi)
{
    EXPECT_EQ(0u, AcquisitionMilliseconds("0"));
    EXPECT_EQ(0u, AcquisitionMilliseconds("0.9"));
    EXPECT_EQ(0u, AcquisitionMilliseconds("-0"));
    EXPECT_EQ(0u, AcquisitionMilliseconds("ten"));
    EXPECT_EQ(0u, AcquisitionMilliseconds("-"));
    EXPECT_EQ(2000u, AcquisitionMilliseconds("2.5"));
    EXPECT_EQ(3000u, AcquisitionMilliseconds("3"));
    EXPECT_EQ(7000u, AcquisitionMilliseconds("+7s"));
    EXPECT_EQ(12000u, AcquisitionMilliseconds("012"));
}

TEST(AcquisitionMilliseconds, NegativeNumbersGiveZero)
{
    EXPECT_EQ(0u, AcquisitionMilliseconds("-5"));
    EXPECT_EQ(0u, AcquisitionMilliseconds("-99999999999999999999"));
}

TEST(AcquisitionMilliseconds, LimitsTimesWhoseMillisecondsDoNotFit32Bits)
{
    EXPECT_EQ(4294967000u, AcquisitionMilliseconds("4294967"));
    EXPECT_EQ(4294967000u, AcquisitionMilliseconds("4294968"));
    EXPECT_EQ(4294967000u, AcquisitionMilliseconds("99999999"));
    EXPECT_EQ(4294967000u, AcquisitionMilliseconds("184467440737095516160000"));
}

namespace {

// Hands out the bytes of a script; '!' is a read cut short by Ctrl+C.
class CScriptedInput : public I_ByteSource {
public:
    explicit CScriptedInput(std::string script) : m_script(std::move(script)) {}
    Result Read(char& byte) override
    {
        if (m_next == m_script.size())
            return kEnd;
        byte = m_script[m_next++];
        return byte == '!' ? kInterrupted : kByte;
    }

private:
    std::string m_script;
    std::size_t m_next = 0;
};

}  // namespace

TEST(AnswerReader, AReadCutShortByCtrlCIsNoEndOfInput)
{
    CScriptedInput input("!y!\r\n!!5\n\nno end");
    EXPECT_EQ("y", ReadAnswerLine(input));
    EXPECT_EQ("5", ReadAnswerLine(input));
    EXPECT_EQ("", ReadAnswerLine(input));
    EXPECT_EQ("no end", ReadAnswerLine(input));
    EXPECT_EQ("", ReadAnswerLine(input));
    EXPECT_EQ("", ReadAnswerLine(input));
}
