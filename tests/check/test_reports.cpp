// The texts of the report files: XML escaping and the UTF-8 of ANSI texts.
#include "check/recording/ReportText.h"
#include "check/recording/Reports.h"

#include <gtest/gtest.h>

namespace {

TEST(ReportText, XmlEscapesMarkupAndControlCharacters)
{
    EXPECT_EQ(XmlEscape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(XmlEscape("tab\tlf\ncr\r"), "tab&#9;lf&#10;cr&#13;");
    EXPECT_EQ(XmlEscape(std::string("nul\0bel\x07" "del\x7F", 12)), "nul\\x00bel\\x07del\\x7F");
    EXPECT_EQ(XmlEscape("\xC3\xA4 stays"), "\xC3\xA4 stays");
}

TEST(ReportText, AnsiTextsBecomeUtf8InTheirCodePage)
{
    EXPECT_EQ(AnsiToUtf8("Ger\xE4t \xB5s", 1252), "Ger\xC3\xA4t \xC2\xB5s");
    // 0x80-0x9F are letters and signs in 1252, not the C1 controls of Latin-1.
    EXPECT_EQ(AnsiToUtf8("\x80 \x89 \x9C", 1252), "\xE2\x82\xAC \xE2\x80\xB0 \xC5\x93");
    EXPECT_EQ(AnsiToUtf8("\xE4", 1251), "\xD0\xB4");
    EXPECT_EQ(AnsiToUtf8("plain"), "plain");
}

TEST(Reports, JunitCarriesEveryVerdict)
{
    LibraryResults library;
    library.library = "C:\\libs\\a<b>.dll";
    library.seconds = 1.5;
    library.checks = {{"exports.required", CheckVerdict::Pass, "ok", 0.1},
                      {"exports.version", CheckVerdict::Warning, "absent", 0},
                      {"load.library", CheckVerdict::Fail, "Bad \"EXE\" & more", 0, "load"},
                      {"data.count_vs_getdata", CheckVerdict::Info, "a queue", 0},
                      {"unload.twice", CheckVerdict::Skipped, "skipped: x", 0}};
    const std::string xml = FormatJunit({library});
    EXPECT_NE(xml.find("<testsuite name=\"a&lt;b&gt;.dll\" tests=\"5\" failures=\"1\" errors=\"0\" skipped=\"1\""),
              std::string::npos);
    EXPECT_NE(xml.find("<failure message=\"Bad &quot;EXE&quot; &amp; more (rule: load)\" type=\"fail\">"),
              std::string::npos);
    EXPECT_NE(xml.find("<system-out>info: a queue</system-out>"), std::string::npos);
    EXPECT_NE(xml.find("<skipped message=\"skipped: x\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<system-out>warning: absent</system-out>"), std::string::npos);
}

}  // namespace
