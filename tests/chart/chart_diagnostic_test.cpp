#include "base/text_codec.h"
#include "chart/chart_diagnostic.h"
#include "chart/chart_text_reader.h"
#include "chart/warning_tracker.h"
#include "chart_test_helpers.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace beatplate {
namespace {

using test::checkChart;

std::vector<std::string> checkLines(const std::string& path, const ChartReading& check)
{
    std::vector<std::string> lines;
    for (const auto& diagnostic : check.diagnostics)
        lines.push_back(formatDiagnosticLine(path, diagnostic));
    lines.push_back(formatCheckSummary(path, check.diagnostics, check.complete));
    return lines;
}

TEST(ChartParserCheck, ReportsEveryErrorAndWarningOfAChartInCompilerFormat)
{
    const std::string chart = "#title \xE3\x83\x86\xE3\x82\xB9\xE3\x83\x88\n"
                              "#bmp 150\n"
                              "#bpm 150,5\n"
                              "o o x o\xE3\x80\x80o\n"
                              "oooooooooooooooo\n"
                              "oooooooooooooooox\n"
                              "oooooooooooooooo\n"
                              "#level 12\n"
                              "#bpm -1\n"
                              "(==\n"
                              "\xFF\n";
    const auto check = checkChart(chart, ChartEncoding::Utf8);
    EXPECT_EQ(checkLines("songs/chart.txt", check),
              (std::vector<std::string>{
                  "songs/chart.txt:2:2: error: unknown command. (#bmp; did you mean #bpm?)",
                  "songs/chart.txt:3:9: warning: number is followed by other characters. (150,5)",
                  "songs/chart.txt:4:8: error: parse error. ('　' U+3000)",
                  "songs/chart.txt:6:17: warning: note line is longer than whole measures. (17 "
                  "characters in measures of 16)",
                  "songs/chart.txt:8:8: warning: level is outside 0 to 10; it is drawn clamped.",
                  "songs/chart.txt:9:6: error: bpm must be positive.",
                  "songs/chart.txt:10:1: warning: span is never closed; it is not drawn.",
                  "songs/chart.txt:11:1: error: encoding error. (0xFF cannot be read as UTF-8)",
                  "songs/chart.txt: 4 errors, 4 warnings",
              }));
    EXPECT_TRUE(check.hasErrors());
    // The lines with errors are left out, a note line's measures kept blank.
    EXPECT_EQ(check.document.title, u"テスト");
    EXPECT_EQ(check.document.measures.size(), 6u);
    EXPECT_EQ(check.document.events.size(), 1u);
}

TEST(ChartParserCheck, AnErrorLineLeavesTheRestOfTheChartAsItWas)
{
    // The line in error still takes its branch's turn and its measure, so no warning follows
    // from it; nor does an end of reading before the chart's end.
    const auto branched = checkChart("#branch ooo\no\no,\no\n#branch oxx\noooo\n");
    EXPECT_EQ(checkLines("a.txt", branched),
              (std::vector<std::string>{ "a.txt:3:2: error: parse error. (',')",
                                         "a.txt: 1 error, 0 warnings" }));
    EXPECT_EQ(branched.document.measures.size(), 2u);
    const auto stopped =
        checkChart("(==\n#bpm 120\n" + std::string(kMaxLineLength + 1, '=') + "\n)");
    EXPECT_EQ(stopped.diagnostics.size(), 1u);
    EXPECT_FALSE(stopped.complete);
}

TEST(ChartParserCheck, StopsAtALimitOrAfterTooManyDiagnostics)
{
    const auto clean = checkChart("oooo\n");
    EXPECT_EQ(checkLines("a.txt", clean),
              std::vector<std::string>{ "a.txt: 0 errors, 0 warnings" });
    EXPECT_FALSE(clean.hasErrors());

    const auto tooLong =
        checkChart(";\n#bpm x\n" + std::string(kMaxLineLength + 1, 'o') + "\n#bmp\n");
    EXPECT_EQ(
        checkLines("a.txt", tooLong),
        (std::vector<std::string>{
            "a.txt:2:6: error: bpm needs a number.", "a.txt:3:1048577: error: line is too long.",
            "a.txt: 2 errors, 0 warnings (the rest of the chart was not checked)" }));

    std::string flood = "#level 11\n";
    for (std::size_t i = 0; i <= kMaxDiagnostics; ++i)
        flood += ",\n";
    const auto stopped = checkChart(flood);
    EXPECT_EQ(stopped.diagnostics.size(), kMaxDiagnostics + 1);
    EXPECT_FALSE(stopped.complete);
    EXPECT_EQ(formatCheckSummary("a.txt", stopped.diagnostics, stopped.complete),
              "a.txt: 1000 errors, 1 warning (the rest of the chart was not checked)");

    // Warnings past the limit are counted, and an error after them is still found.
    std::string warned;
    for (std::size_t i = 0; i < kMaxDiagnostics + 5; ++i)
        warned += "#level 11\n";
    const auto late = checkChart(warned + ",\n");
    EXPECT_TRUE(late.hasErrors());
    EXPECT_TRUE(late.complete);
    EXPECT_EQ(late.omittedWarnings, 5U);
    EXPECT_EQ(formatCheckSummary("a.txt", late.diagnostics, late.complete, late.omittedWarnings),
              "a.txt: 1 error, 1005 warnings (5 not listed)");
}

TEST(ChartDiagnostic, DescribesCharactersAndColumnsAsUsersSeeThem)
{
    EXPECT_EQ(describeCharacter(U','), "','");
    EXPECT_EQ(describeCharacter(U'\u3000'), "'\u3000' U+3000");
    EXPECT_EQ(describeCharacter(U'\U0001F3B5'), "'\U0001F3B5' U+1F3B5");
    EXPECT_EQ(describeCharacter(U'\r'), "U+000D");
    EXPECT_EQ(describeCharacter(U' '), "U+0020");
    EXPECT_EQ(describeCharacter(0xD800), "U+D800");
    // A surrogate pair is one character of the line.
    const std::u16string line = { u'a', 0xD83C, 0xDFB5, u'b' };
    EXPECT_EQ(columnAt(line, 0), 1);
    EXPECT_EQ(columnAt(line, 3), 3);
    EXPECT_EQ(columnAt(line, 9), 4);
    const std::u16string full(kExcerptLength, u'あ');
    EXPECT_EQ(excerptOf(full), utf8Of(full));
    EXPECT_EQ(excerptOf(full + u"k"), utf8Of(full) + "…");
}

TEST(ChartDiagnostic, FormatsTheReportLineWithTheColumn)
{
    const ChartDiagnostic withDetail{
        { 3, 5 }, ChartSeverity::Error, "parse error.", "','", ChartErrorKind::Content
    };
    EXPECT_EQ(formatReportLine(withDetail), "parse error. (column 5: ',')");
    const ChartDiagnostic plain{
        { 3, 1 }, ChartSeverity::Warning, "span is never closed.", "", ChartErrorKind::Content
    };
    EXPECT_EQ(formatReportLine(plain), "span is never closed. (column 1)");
    EXPECT_EQ(formatDiagnosticLine("-", plain), "-:3:1: warning: span is never closed.");
}

} // namespace
} // namespace beatplate
