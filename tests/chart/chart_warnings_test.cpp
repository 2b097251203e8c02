#include "chart/chart_parser.h"
#include "chart_test_helpers.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>
#include <vector>

namespace beatplate {
namespace {

struct Expected {
    int line;
    int column;
    std::string message;
    std::string detail = {};
};

std::vector<Expected> warningsOf(const std::string& chart)
{
    const ChartReading reading = test::readChart(chart);
    std::vector<Expected> found;
    for (const auto& warning : reading.diagnostics)
        found.push_back({ warning.line(), warning.column(), warning.message, warning.detail });
    return found;
}

void PrintTo(const Expected& entry, std::ostream* out)
{
    *out << entry.line << ":" << entry.column << " " << entry.message << " (" << entry.detail
         << ")";
}

bool operator==(const Expected& a, const Expected& b)
{
    return a.line == b.line && a.column == b.column && a.message == b.message
        && a.detail == b.detail;
}

struct WarningCase {
    const char* name;
    std::string chart;
    std::vector<Expected> warnings;
};

const std::string kWhole = "o o o o x x x x \n"; // one 16-character measure

TEST(ChartParser, WarnsAboutInputVeryLikelyNotMeant)
{
    const std::vector<WarningCase> cases = {
        { "span never closed", "oo(==\n", { { 1, 3, "span is never closed; it is not drawn." } } },
        { "span never closed in one branch of three",
          "#branch ooo\no\n(=\no\n",
          { { 3, 1, "span is never closed; it is not drawn." } } },
        { "branch group not completed",
          "#branch ooo\noooo\nxxxx\n",
          { { 2, 1, "branch group is not complete; its notes are not drawn." },
            { 1, 2, "event is beyond the last measure; it is not drawn." } } },
        { "branch group cut short by another",
          "#branch ooo\noooo\n#branch oxx\nxxxx\n",
          { { 2, 1, "branch group is not complete; the next one is written over it." },
            { 4, 1, "note is dropped: an earlier note holds its position." } } },
        { "events after the last measure",
          "oooo\n#bpm 150\n#hs 2\n#branch oxx\n#begingogo\n#endgogo\n#newline\n",
          { { 2, 2, "event is beyond the last measure; it is not drawn." },
            { 3, 2, "event is beyond the last measure; it is not drawn." },
            { 4, 2, "event is beyond the last measure; it is not drawn." },
            { 5, 2, "event is beyond the last measure; it is not drawn." } } },
        { "event placed past its measure's end",
          "#bpm 150 4 16\noooo\n#hs 2 4 15\noooo\n",
          { { 1, 2, "event is beyond the end of its measure." } } },
        { "marks beyond the page's right edge of a wide measure",
          "#meter 4 20\n#hs 2 4 79\n#bpm 120 4 65\n" + std::string(79, ' ') + "oo\n",
          { { 2, 2, "event is beyond the page's right edge; it is not drawn." },
            { 4, 80, "note is beyond the page's right edge." } } },
        { "the 17-character slip among whole lines",
          kWhole + "o o o o x x x x o\n" + kWhole,
          { { 2, 17, "note line is longer than whole measures.",
              "17 characters in measures of 16" } } },
        { "a slip whatever follows it: a line with a tab, a short line",
          kWhole + "o o o o x x x x o\n" + "o\to\n" + kWhole + "o o o o x x x x o\n" + "o\n",
          { { 2, 17, "note line is longer than whole measures.",
              "17 characters in measures of 16" },
            { 5, 17, "note line is longer than whole measures.",
              "17 characters in measures of 16" } } },
        { "a slip on the last line, a tab counted as its blanks",
          kWhole + kWhole + "o o o o x x x\tx\n",
          { { 3, 15, "note line is longer than whole measures.",
              "17 characters in measures of 16" } } },
        { "a slip beside a line not whole, told by a whole line on its other side",
          "o o o o x x x x o\n" + kWhole + kWhole + "(===\n" + "=======)x x x x o\n" + kWhole
              + "(===\n" + "=)o o o x x x x o\n" + "o\n",
          { { 1, 17, "note line is longer than whole measures.",
              "17 characters in measures of 16" },
            { 5, 17, "note line is longer than whole measures.",
              "17 characters in measures of 16" } } },
        { "numbers followed by other characters",
          "#bpm 150,5\n#level 7x\n#bpm 120 0x10 2\noooo\n",
          { { 1, 9, "number is followed by other characters.", "150,5" },
            { 2, 9, "number is followed by other characters.", "7x" },
            { 3, 11, "number is followed by other characters.", "0x10" } } },
        { "branch words that are ignored",
          "#branch oo\n#hs 2 oxoo\noooo\n#branch xxx\n",
          { { 1, 9, "branch word is ignored.", "oo" },
            { 2, 7, "branch word is ignored.", "oxoo" },
            { 4, 9, "branch word selects no branch.", "xxx" },
            { 4, 2, "event is beyond the last measure; it is not drawn." } } },
        { "level outside 0 to 10",
          "#level 11\n#level -1\n#level 10\n#level 0\n",
          { { 1, 8, "level is outside 0 to 10; it is drawn clamped." },
            { 2, 8, "level is outside 0 to 10; it is drawn clamped." } } },
        { "span opened inside a span",
          "(==<==>\n(==\n(=)\n",
          { { 1, 4, "span opened inside a span; the first is dropped." },
            { 3, 1, "span opened inside a span; the first is dropped." } } },
        { "text after U+001A, which ends the chart",
          "oooo\n;end\x1A"
          "oooo\n",
          { { 2, 5, "the chart ends here; the text after it is not read" } } },
        { "notes dropped where a note already is",
          "#branch xxx\noooo\nx  (=)\n",
          { { 1, 9, "branch word selects no branch.", "xxx" },
            { 1, 2, "event is beyond the last measure; it is not drawn." },
            { 2, 1, "branch group is not complete; its notes are not drawn." },
            { 3, 1, "note is dropped: an earlier note holds its position." },
            { 3, 4, "span is dropped: an earlier note holds its position." } } },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        auto expected = testCase.warnings;
        std::stable_sort(expected.begin(), expected.end(),
                         [](const Expected& a, const Expected& b) {
                             return std::pair(a.line, a.column) < std::pair(b.line, b.column);
                         });
        EXPECT_EQ(warningsOf(testCase.chart), expected);
    }
}

TEST(ChartParser, WellFormedChartsGiveNoWarning)
{
    // Fixtures written with a mistake on purpose give just the warnings for it.
    const std::map<std::string, std::vector<Expected>> meant = {
        { "stats_tempo_meter.txt",
          { { 13, 2, "event is beyond the last measure; it is not drawn." } } },
        { "stats_branches.txt",
          { { 17, 2, "event is beyond the last measure; it is not drawn." },
            { 18, 1, "branch group is not complete; its notes are not drawn." } } },
        { "stats_spans.txt", { { 11, 1, "span is never closed; it is not drawn." } } },
    };
    std::vector<std::filesystem::path> charts = { std::filesystem::path(BEATPLATE_SOURCE_DIR)
                                                  / "examples" / "example.txt" };
    for (const auto& entry : std::filesystem::directory_iterator(BEATPLATE_TEST_DATA_DIR)) {
        if (entry.path().extension() == ".txt")
            charts.push_back(entry.path());
    }
    ASSERT_GE(charts.size(), 10u);
    for (const auto& chart : charts) {
        const std::string name = chart.filename().string();
        SCOPED_TRACE(name);
        const auto found = meant.find(name);
        EXPECT_EQ(warningsOf(test::readFile(chart)),
                  found == meant.end() ? std::vector<Expected>{} : found->second);
    }
}

TEST(ChartParser, CountsWarningsBeyondTheLimit)
{
    std::string chart;
    for (std::size_t i = 0; i < kMaxDiagnostics + 5; ++i)
        chart += "#level 11\n";
    const ChartReading reading = test::readChart(chart);
    EXPECT_EQ(reading.diagnostics.size(), kMaxDiagnostics);
    EXPECT_EQ(reading.omittedWarnings, 5u);
}

} // namespace
} // namespace beatplate
