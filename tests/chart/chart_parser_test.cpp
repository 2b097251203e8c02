#include "base/chart_limits.h"
#include "chart/chart_parser.h"
#include "chart_test_helpers.h"
#include "support/test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace beatplate {
namespace {

using test::notesOf;
using test::parseChart;
using test::parseFailure;
using test::readChart;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

ChartNote note(char kind, std::uint32_t measure, std::uint32_t tick, std::int32_t branch = 0)
{
    return { static_cast<NoteKind>(kind), 0, 0, { measure, tick, branch } };
}

ChartNote span(char kind, std::uint32_t measure, std::uint32_t tick, std::int32_t length,
               std::int32_t count = 0, std::int32_t branch = 0)
{
    return { static_cast<NoteKind>(kind), length, count, { measure, tick, branch } };
}

MeasureInfo plainMeasure(std::int32_t branchMask = 0)
{
    return { 4, 1.0, branchMask };
}

// --- The parse loop ---

struct SourceCase {
    std::string bytes;
    std::u16string text;
    int lineCount;
};

TEST(ChartParser, KeepsTheSourceTextAndCountsEveryLine)
{
    const std::vector<SourceCase> cases = {
        { "", u"\n", 1 },
        { "oooo", u"oooo\n", 1 },
        { "oooo\n", u"oooo\n\n", 2 },
        { ";a\r\n\r\n;b\r\n", u";a\n\n;b\n\n", 4 },
        { ";a\r;b", u";a\n;b\n", 2 },
        { ";a\r\r\n;b\r", u";a\n\n;b\n\n", 4 },
        { ";a\n\x1A;b\n", u";a\n\n", 2 },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.bytes);
        const auto chart = readChart(testCase.bytes);
        EXPECT_EQ(chart.text, testCase.text);
        EXPECT_EQ(test::lineCountOf(chart), testCase.lineCount);
    }
}

TEST(ChartParser, GivesTheDocumentAway)
{
    const auto chart = readChart("oooo\n");
    EXPECT_EQ(chart.document.notes.size(), 4u);
    EXPECT_EQ(chart.text, u"oooo\n\n");
    EXPECT_EQ(*parseChart(""), ChartDocument{});
}

TEST(ChartParser, FinalLineBreakChangesOnlyTheSourceText)
{
    const auto first = readChart("#bpm 150\noooo");
    const auto second = readChart("#bpm 150\noooo\n");
    EXPECT_EQ(first.document, second.document);
    EXPECT_EQ(first.text, u"#bpm 150\noooo\n");
    EXPECT_EQ(second.text, u"#bpm 150\noooo\n\n");
}

struct FailureCase {
    std::string bytes;
    int line;
    std::string message;
};

void expectFailures(const std::vector<FailureCase>& cases)
{
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.bytes.substr(0, 80));
        const auto error = parseFailure(testCase.bytes);
        EXPECT_EQ(error.line(), testCase.line);
        EXPECT_EQ(error.message, testCase.message);
    }
}

TEST(ChartParser, ReportsTheLineNumberCountingBlankAndCommentLines)
{
    expectFailures({
        { ";one\n;two\n#BPM 150\n", 3, "unknown command." },
        { "\n\n;x\n\noooo\n,\n", 6, "parse error." },
        { "oooo\r\n\r\n#foo\r\n", 3, "unknown command." },
        { " ;not a comment\n", 1, "parse error." },
        { "#\n", 1, "unknown command." },
        { "oooo\n#bpm 120\x80\n", 2, "encoding error." },
    });
}

TEST(ChartParser, ReportTextCarriesLineAndMessage)
{
    EXPECT_EQ(formatErrorReport(parseFailure(";a\n;b\n#bpm150\n")),
              "読み込み時にエラーが発生しました: 3行\nunknown command. (column 2: #bpm150)");
    EXPECT_EQ(formatErrorReport(parseFailure("oo\x81\x40")),
              "読み込み時にエラーが発生しました: 1行\nparse error. (column 3: '　' U+3000)");
}

TEST(ChartParser, RejectsOverlongLinesWithTheirNumber)
{
    expectFailures({
        { "oooo\n" + std::string(kMaxLineLength + 1, 'o'), 2, "line is too long." },
        { "#tab 8\n" + std::string(kMaxLineLength / 8 + 1, '\t'), 2, "line is too long." },
    });
}

TEST(ChartParser, RejectsAChartLongerThanTheLimit)
{
    // Lines of 1001 characters and a line feed: line n would bring the text to 1002 n units.
    const std::string line = ";" + std::string(1000, 'x') + "\n";
    std::string bytes;
    for (std::size_t i = 0; i < kMaxChartLength / line.size() + 2; ++i)
        bytes += line;
    expectFailures(
        { { bytes, static_cast<int>(kMaxChartLength / line.size()) + 1, "chart is too long." } });

    // 4,096 lines of 1,024 characters with their line ends are exactly the limit, with or
    // without the last line end; one character more is refused on the line that holds it.
    std::string withLineEnd;
    for (int i = 0; i < 4096; ++i)
        withLineEnd += ";" + std::string(1022, 'x') + "\n";
    const auto atTheLimit = readChart(withLineEnd);
    EXPECT_EQ(atTheLimit.text.size(), kMaxChartLength + 1);
    EXPECT_EQ(test::lineCountOf(atTheLimit), 4097);
    std::string withoutLineEnd = withLineEnd;
    withoutLineEnd.back() = 'x';
    static_cast<void>(parseChart(withoutLineEnd));
    const auto pastTheLastLine = parseFailure(withLineEnd + "x");
    EXPECT_EQ(pastTheLastLine.location, (ChartLocation{ 4097, 1 }));
    const auto pastTheLastCharacter = parseFailure(withoutLineEnd + "x");
    EXPECT_EQ(pastTheLastCharacter.location, (ChartLocation{ 4096, 1025 }));
    EXPECT_EQ(pastTheLastCharacter.message, "chart is too long.");
}

// --- Note lines ---

struct NoteLineCase {
    const char* name;
    std::vector<std::u16string> lines;
    std::vector<ChartNote> notes;
    std::size_t measureCount;
};

void expectNoteLines(const std::vector<NoteLineCase>& cases, std::uint32_t tabWidth = 4)
{
    const std::string directives = tabWidth == 4 ? "" : "#tab " + std::to_string(tabWidth) + "\n";
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const auto document = parseChart(test::chartOfLines(testCase.lines, directives));
        EXPECT_EQ(notesOf(*document), testCase.notes);
        EXPECT_EQ(document->measures.size(), testCase.measureCount);
    }
}

TEST(ChartParser, PlacesSingleNotesOnTheCharacterGrid)
{
    expectNoteLines({
        { "blanks between",
          { u"o x o x" },
          { note('o', 0, 0), note('x', 0, 240), note('o', 0, 480), note('x', 0, 720) },
          1 },
        { "short line padded",
          { u"oooo" },
          { note('o', 0, 0), note('o', 0, 120), note('o', 0, 240), note('o', 0, 360) },
          1 },
        { "c and C store o and O",
          { u"cCOX" },
          { note('o', 0, 0), note('O', 0, 120), note('O', 0, 240), note('X', 0, 360) },
          1 },
        { "twenty characters make two measures",
          { u"o              x"
            u"oo x" },
          { note('o', 0, 0), note('x', 0, 1800), note('o', 1, 0), note('o', 1, 120),
            note('x', 1, 360) },
          2 },
        { "next line starts the next measure",
          { u"o", u"   x" },
          { note('o', 0, 0), note('x', 1, 360) },
          2 },
        { "blanks only", { u"  " }, {}, 1 },
    });
}

TEST(ChartParser, ExpandsTabsToTheNextTabStop)
{
    expectNoteLines({
        { "column 1", { u"o\tx" }, { note('o', 0, 0), note('x', 0, 480) }, 1 },
        { "column 4",
          { u"oooo\tx" },
          { note('o', 0, 0), note('o', 0, 120), note('o', 0, 240), note('o', 0, 360),
            note('x', 0, 960) },
          1 },
        { "two tabs", { u"\t\tx" }, { note('x', 0, 960) }, 1 },
    });
    expectNoteLines({ { "width 8",
                        { u"o\tx\t\to" },
                        { note('o', 0, 0), note('x', 0, 960), note('o', 1, 960) },
                        2 } },
                    8);
}

TEST(ChartParser, SpreadsTripletGroupsOverFourSlots)
{
    expectNoteLines({
        { "group at the start",
          { u"3ooo" },
          { note('o', 0, 0), note('o', 0, 160), note('o', 0, 320) },
          1 },
        { "note after the group",
          { u"3oooo" },
          { note('o', 0, 0), note('o', 0, 160), note('o', 0, 320), note('o', 0, 480) },
          1 },
        { "group at slot 1",
          { u"o3ooo" },
          { note('o', 0, 0), note('o', 0, 120), note('o', 0, 280), note('o', 0, 440) },
          1 },
        { "blanks advance the group", { u"3o o" }, { note('o', 0, 0), note('o', 0, 320) }, 1 },
        { "a 3 restarts the group",
          { u"3o3oo" },
          { note('o', 0, 0), note('o', 0, 240), note('o', 0, 400) },
          1 },
        { "a span opening ends the group",
          { u"3(=)o" },
          { span('(', 0, 0, 360), note('o', 0, 480) },
          1 },
    });
}

TEST(ChartParser, TripletTicksUseFlooredThirds)
{
    // Six characters per beat: 80 ticks each.
    EXPECT_EQ(notesOf(*parseChart("#beatchar 6\n3ooo")),
              (std::vector{ note('o', 0, 0), note('o', 0, 107), note('o', 0, 214) }));
}

TEST(ChartParser, TripletGroupCarriedOverAMeasureEndStaysInsideTheMeasure)
{
    // The group's slot indices restart in the next measure; a tick before its start becomes 0.
    expectNoteLines({
        { "3 on the last slot",
          { u"               3ooo o" },
          { note('o', 1, 0), note('o', 1, 40), note('o', 1, 200), note('o', 1, 480) },
          2 },
        { "group straddling the bar line",
          { u"              3ooo" },
          { note('o', 0, 1680), note('o', 1, 0), note('o', 1, 80) },
          2 },
    });
    const auto document =
        parseChart(test::readFile(test::testData("triplet_over_measure_end.txt")));
    const std::vector<ChartNote> lastMeasure(document->notes.lowerBound(note('o', 1, 0).position),
                                             document->notes.end());
    EXPECT_EQ(
        lastMeasure,
        (std::vector{ note('o', 1, 0), note('o', 1, 40), note('o', 1, 200), note('o', 1, 480) }));
}

TEST(ChartParser, ReadsSpanKindsLengthsAndCounts)
{
    expectNoteLines({
        { "plain span", { u"(=====)" }, { span('(', 0, 0, 840) }, 1 },
        { "counted", { u"<5==>" }, { span('<', 0, 0, 600, 5) }, 1 },
        { "kind letter", { u"[b===]" }, { span('b', 0, 0, 720) }, 1 },
        { "blank does not count", { u"(== ==)" }, { span('(', 0, 0, 720) }, 1 },
        { "digits and letters grow it", { u"(12p3=)" }, { span('p', 0, 0, 840, 123) }, 1 },
        { "3 inside a span is a digit", { u"<3>" }, { span('<', 0, 0, 360, 3) }, 1 },
        { "last kind letter wins", { u"(@b=)" }, { span('b', 0, 0, 600) }, 1 },
        { "closings need not match", { u"(==]" }, { span('(', 0, 0, 480) }, 1 },
        { "notes inside are stored apart",
          { u"  (o=x)" },
          { span('(', 0, 240, 360), note('o', 0, 360), note('x', 0, 600) },
          1 },
        { "over a line end",
          { u"ooo(===", u"==)" },
          { note('o', 0, 0), note('o', 0, 120), note('o', 0, 240), span('(', 0, 360, 840) },
          2 },
        { "span in a span drops the first", { u"(==<==>" }, { span('<', 0, 360, 480) }, 1 },
        { "[ keeps the branch's last kind",
          { u"<b=]  [==]" },
          { span('b', 0, 0, 480), span('b', 0, 720, 480) },
          1 },
        { "still open at the end", { u"o(====" }, { note('o', 0, 0) }, 1 },
    });
}

TEST(ChartParser, SpanGrowsByTheTicksPerCharacterInForce)
{
    const auto document = parseChart("(==\n#beatchar 8\n==)\n");
    EXPECT_EQ(notesOf(*document), (std::vector{ span('(', 0, 0, 3 * 120 + 3 * 60) }));
}

TEST(ChartParser, SpanWithoutKindLetterGetsAKindTheRendererIgnores)
{
    const auto document = parseChart(test::readFile(test::testData("span_without_kind.txt")));
    EXPECT_EQ(
        notesOf(*document),
        (std::vector{ span('[', 0, 0, 600), span('(', 0, 840, 360), span('(', 0, 1440, 600) }));
}

TEST(ChartParser, RejectsCharactersOutsideTheGrammar)
{
    for (const char16_t* line : { u")", u"=", u"5", u"0", u"@", u"b", u"p", u"a", u",", u"o;",
                                  u"\u3000", u"\uFF4F", u"(=a)", u"(=\u3000)" }) {
        SCOPED_TRACE(std::u16string(line).size());
        EXPECT_EQ(parseFailure(test::chartOfLines({ line })).message, "parse error.");
    }
    // A line with an error leaves nothing behind and the span open, so that a check can go on
    // after it.
    const auto broken = test::checkChart("(=\n=)o3oo(x,o\n");
    ASSERT_TRUE(broken.hasErrors());
    EXPECT_TRUE(broken.document.notes.empty());
    const auto mended = test::checkChart("(=\n=)o3oo(x,o\n=)\n");
    EXPECT_EQ(notesOf(mended.document), (std::vector{ span('(', 0, 0, 480) }));
}

TEST(ChartParser, KeepsTheFirstNoteAtAPosition)
{
    // A branch word that selects no branch leaves branch 4 alone, which never completes a
    // measure, so every line writes measure 0.
    EXPECT_EQ(notesOf(*parseChart("#branch xxx\no(=)\nxO\n")),
              (std::vector{ note('o', 0, 0, 4), span('(', 0, 120, 360, 0, 4) }));

    // A span is stored when it closes, so a note written at its start while it is open wins.
    EXPECT_EQ(notesOf(*parseChart("#branch xxx\n(==\no\n=)\n")),
              (std::vector{ note('o', 0, 0, 4) }));
}

// --- Branches ---

struct BranchCase {
    const char* directive;
    std::int32_t branchMask;
    std::vector<std::int32_t> branches; // the branch each line fills
    std::vector<std::uint32_t> measures; // the measure each line fills
    std::size_t measureCount; // after the last line
};

TEST(ChartParser, RotatesBranchesAndCompletesMeasuresAfterTheLastBranch)
{
    const std::vector<BranchCase> cases = {
        { "#branch ooo", 7, { 1, 2, 4, 1 }, { 0, 0, 0, 1 }, 1 },
        { "#branch oxo", 5, { 1, 4, 1 }, { 0, 0, 1 }, 1 },
        { "#branch xoo", 6, { 2, 4, 2 }, { 0, 0, 1 }, 1 },
        { "#branch xxo", 4, { 4, 4 }, { 0, 1 }, 2 },
        { "#branch oxx", 1, { 1, 1 }, { 0, 1 }, 2 },
        { "#branch xxx", 0, { 4, 4, 4 }, { 0, 0, 0 }, 0 },
        { "", 0, { 0, 0 }, { 0, 1 }, 2 },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.directive);
        // Line i holds one note at slot i, so that every line's note has a place of its own.
        std::string chart = std::string(testCase.directive) + "\n";
        std::vector<ChartNote> expected;
        for (std::size_t i = 0; i < testCase.branches.size(); ++i) {
            chart += std::string(i, ' ') + "o\n";
            expected.push_back(note('o', testCase.measures[i], static_cast<std::uint32_t>(i) * 120,
                                    testCase.branches[i]));
        }
        const auto document = parseChart(chart);
        EXPECT_EQ(notesOf(*document), expected);
        EXPECT_EQ(document->measures,
                  std::vector(testCase.measureCount, plainMeasure(testCase.branchMask)));
    }
}

TEST(ChartParser, BranchLinesOfAGroupShareMeasuresAndKeepTheirOwnState)
{
    const auto document = parseChart("#branch oxo\n"
                                     "ooooooooooooooo3\n" // branch 1 leaves a triplet group open
                                     "(=   x\n" // branch 4 leaves a span open
                                     "ooo\n" // branch 1 continues its group
                                     "=)\n"); // branch 4 closes its span
    EXPECT_EQ(document->measures, (std::vector{ plainMeasure(5), plainMeasure(5) }));
    std::vector<ChartNote> expected;
    for (std::uint32_t tick = 0; tick < 1800; tick += 120)
        expected.push_back(note('o', 0, tick, 1));
    expected.push_back(span('(', 0, 0, 480, 0, 4));
    expected.push_back(note('x', 0, 600, 4));
    for (const std::uint32_t tick : { 0u, 40u, 200u })
        expected.push_back(note('o', 1, tick, 1));
    std::sort(expected.begin(), expected.end(), PositionLess{});
    EXPECT_EQ(notesOf(*document), expected);
}

TEST(ChartParser, LastLineOfTheGroupDecidesTheMeasureCount)
{
    const auto document = parseChart("#branch ooo\n"
                                     "oooooooooooooooooooooooooooooooo\n"
                                     "o\n"
                                     "o\n");
    EXPECT_EQ(document->measures.size(), 1u);
    EXPECT_EQ(document->notes.count(note('o', 1, 0, 1)), 1u);
}

// --- Chart errors that protect the reader ---

TEST(ChartParser, RejectsOverflowingSpans)
{
    // At 1920 ticks per character the 1,118,482nd character takes the span past 32 bits; long
    // measures keep the measure count far below its limit.
    const std::string fill(600000, '=');
    expectFailures({
        { "(99999999999)\n", 1, "span count is too large." },
        { "(2147483647)\n", 0, "no error" },
        { "#meter 1 65536\n#beatchar 1\n(" + fill + "\n" + fill + ")\n", 4, "span is too long." },
    });
}

TEST(ChartParser, RefusesMoreMeasuresThanTheLimit)
{
    // One character per measure; the line that would complete measure 100,001 fails.
    const std::string tiny = "#meter 16 1\n#beatchar 1\n";
    const std::string line(kMaxMeasures / 2, 'o');
    const auto atLimit = parseChart(tiny + line + "\n" + line + "\n");
    EXPECT_EQ(atLimit->measures.size(), kMaxMeasures);
    expectFailures({
        { tiny + line + "\n" + line + "\no\n", 5, "too many measures." },
        { tiny + std::string(kMaxMeasures + 1, 'o') + "\n", 3, "too many measures." },
    });
}

TEST(ChartParser, RefusesMoreOpenGogoSectionsThanTheLimit)
{
    std::string opens;
    for (std::size_t i = 0; i < kMaxOpenGogoSpans; ++i)
        opens += "#begingogo\n";
    // Closing one makes room for another; closing again moves the last end and frees nothing.
    const auto reopened = parseChart(opens + "#endgogo\n#begingogo\noooo\n");
    EXPECT_EQ(reopened->gogoSpans.size(), kMaxOpenGogoSpans + 1);
    const int line = static_cast<int>(kMaxOpenGogoSpans) + 1;
    expectFailures({
        { opens + "#begingogo\n", line, "too many gogo sections open." },
        { opens + "#endgogo\n#endgogo\n#begingogo\n#begingogo\n", line + 3,
          "too many gogo sections open." },
    });
}

struct RegressionCase {
    const char* file;
    int line;
    const char* message;
};

TEST(ChartParser, RejectsUnsafeChartsWithAClearMessage)
{
    const std::vector<RegressionCase> cases = {
        { "bpm_missing.txt", 3, "bpm needs a number." },
        { "bpm_out_of_range.txt", 1, "bpm is out of range." },
        { "hs_missing.txt", 2, "hs needs a number." },
        { "hs_word_not_integer.txt", 3, "hs position must be integers." },
        { "hs_grid_divisor_zero.txt", 1, "grid divisor must not be 0." },
        { "level_missing.txt", 2, "level needs a number." },
        { "meter_missing.txt", 1, "meter needs two numbers." },
        { "meter_note_value_zero.txt", 2, "meter must be positive." },
        { "meter_beats_zero.txt", 1, "meter must be positive." },
        { "meter_beats_negative.txt", 1, "meter must be positive." },
        { "meter_huge.txt", 1, "meter is out of range." },
        { "beatchar_missing.txt", 1, "beatchar needs a number." },
        { "beatchar_zero.txt", 1, "beatchar must be positive." },
        { "beatchar_negative.txt", 1, "beatchar must be positive." },
        { "grid_divisor_zero.txt", 1, "grid divisor must not be 0." },
        { "grid_negative.txt", 1, "grid position must not be negative." },
        { "grid_overflow.txt", 1, "grid position is too large." },
        { "measure_chars_millions.txt", 2, "measure has too many characters." },
        { "measure_ticks_per_char_zero.txt", 2, "measure has too many characters." },
        { "measure_no_chars.txt", 4, "measure has no characters." },
        { "span_count_overflow.txt", 1, "span count is too large." },
        { "gogo_open_flood.txt", 257, "too many gogo sections open." },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.file);
        const auto error =
            parseFailure(test::readFile(test::testData(std::string("regress/") + testCase.file)));
        EXPECT_EQ(error.line(), testCase.line);
        EXPECT_EQ(error.message, testCase.message);
    }
}

TEST(ChartParser, ReadsFixturesOfEveryEncodingIntoOneDocument)
{
    const auto basic = readChart(test::readFile(test::testData("basic.txt")));
    const ChartDocument* document = &basic.document;
    ChartDocument expected;
    expected.title = u"さくらの歌（テスト）";
    expected.difficulty = u"むずかしい";
    expected.level = 7;
    expected.events = { { ChartEventKind::Tempo, 15000, { 0, 0, 0 } },
                        { ChartEventKind::Tempo, 18000, { 3, 960, 0 } } };
    expected.measures.assign(4, plainMeasure());
    for (const std::uint32_t tick : { 0u, 240u, 480u, 720u })
        expected.notes.insert(note('o', 0, tick));
    for (const std::uint32_t tick : { 960u, 1200u, 1440u, 1680u })
        expected.notes.insert(note('x', 0, tick));
    for (const std::uint32_t tick : { 0u, 240u, 480u, 600u, 720u, 840u })
        expected.notes.insert(note('o', 1, tick));
    for (const std::uint32_t tick : { 120u, 360u, 1200u, 1320u, 1440u, 1560u })
        expected.notes.insert(note('x', 1, tick));
    expected.notes.insert(span('(', 2, 0, 840));
    expected.notes.insert(note('O', 2, 1080));
    expected.notes.insert(note('X', 2, 1560));
    for (const std::uint32_t tick : { 0u, 120u, 240u, 360u, 960u, 1120u, 1280u, 1680u })
        expected.notes.insert(note('o', 3, tick));
    for (const std::uint32_t tick : { 480u, 600u, 720u, 840u })
        expected.notes.insert(note('x', 3, tick));
    expected.notes.insert(note('O', 3, 1800));
    EXPECT_EQ(*document, expected);
    EXPECT_EQ(test::lineCountOf(basic), 11);

    for (const char* name : { "basic_crlf.txt", "basic_utf8_bom.txt", "basic_utf16le_bom.txt",
                              "basic_utf16be_bom.txt" }) {
        SCOPED_TRACE(name);
        const auto again = readChart(test::readFile(test::testData(name)));
        EXPECT_EQ(again.document, expected);
        EXPECT_EQ(again.text, basic.text);
    }
}

TEST(ChartParser, ReadsTheLongGeneratedChart)
{
    // Forty sections of twelve measures: three plain, one of 6/8, two at six characters per
    // beat, two groups of three branches, one of two branches and one unbranched.
    const auto document = parseChart(test::readFile(test::testData("long_chart.txt")));
    ASSERT_EQ(document->measures.size(), 480u);
    EXPECT_EQ(document->measures[3], (MeasureInfo{ 6, 0.5, 0 }));
    EXPECT_EQ(document->measures[479], plainMeasure(1));
    EXPECT_EQ(document->gogoSpans.size(), 40u);
    EXPECT_EQ(document->gogoSpans.back(), GogoSpan({ 468, 240, 0 }, { 471, 960, 0 }));
    const auto branchStarts = std::count_if(
        document->events.begin(), document->events.end(),
        [](const ChartEvent& event) { return event.kind == ChartEventKind::BranchStart; });
    EXPECT_EQ(branchStarts, 120);
}

} // namespace
} // namespace beatplate
