// The texts of the report files: XML escaping and the UTF-8 of ANSI texts.
#include "check/ReportText.h"
#include "check/Reports.h"

#include <gtest/gtest.h>

namespace {

TEST(ReportText, XmlEscapesMarkupAndControlCharacters)
{
    EXPECT_EQ(XmlEscape("a&b<c>d\"e'f"), "a&amp;b&lt;c&gt;d&quot;e&apos;f");
    EXPECT_EQ(XmlEscape("tab\tlf\ncr\r"), "tab&#9;lf&#10;cr&#13;");
    EXPECT_EQ(XmlEscape(std::string("nul\0bel\x07" "del\x7F", 12)), "nul\\x00bel\\x07del\\x7F");
    EXPECT_EQ(XmlEscape("\xC3\xA4 stays"), "\xC3\xA4 stays");
}

TEST(ReportText, AnsiTextsBecomeUtf8)
{
    EXPECT_EQ(Latin1ToUtf8("Ger\xE4t \xB5s"), "Ger\xC3\xA4t \xC2\xB5s");
    EXPECT_EQ(Latin1ToUtf8("plain"), "plain");
}

TEST(Reports, JunitCarriesEveryVerdict)
{
    LibraryResults library;
    library.library = "C:\\libs\\a<b>.dll";
    library.seconds = 1.5;
    library.checks = {{"exports.required", CheckVerdict::Pass, "ok", 0.1},
                      {"exports.version", CheckVerdict::Warning, "absent", 0},
                      {"load.library", CheckVerdict::Fail, "Bad \"EXE\" & more", 0},
                      {"unload.twice", CheckVerdict::Skipped, "skipped: x", 0}};
    const std::string xml = FormatJunit({library});
    EXPECT_NE(xml.find("<testsuite name=\"a&lt;b&gt;.dll\" tests=\"4\" failures=\"1\" errors=\"0\" skipped=\"1\""),
              std::string::npos);
    EXPECT_NE(xml.find("<failure message=\"Bad &quot;EXE&quot; &amp; more\" type=\"fail\">"), std::string::npos);
    EXPECT_NE(xml.find("<skipped message=\"skipped: x\"/>"), std::string::npos);
    EXPECT_NE(xml.find("<system-out>warning: absent</system-out>"), std::string::npos);
}

}  // namespace
