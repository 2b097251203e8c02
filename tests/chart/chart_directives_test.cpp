#include "chart/chart_parser.h"
#include "chart_test_helpers.h"
#include "support/test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <iterator>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace beatplate {
namespace {

using test::eventsOf;
using test::parseChart;
using test::parseFailure;
using ::testing::StrEq;
using ::testing::ThrowsMessage;

ChartEvent event(ChartEventKind kind, std::int32_t value, std::uint32_t measure,
                 std::uint32_t tick = 0, std::int32_t branch = 0)
{
    return { kind, value, { measure, tick, branch } };
}

ChartEvent tempo(std::int32_t value, std::uint32_t tick = 0)
{
    return event(ChartEventKind::Tempo, value, 0, tick);
}

ChartEvent scrollSpeed(std::int32_t value, std::uint32_t tick = 0, std::int32_t mask = 0)
{
    return event(ChartEventKind::ScrollSpeed, value, 0, tick, mask);
}

ChartEvent lineBreak(std::uint32_t measure = 0)
{
    return event(ChartEventKind::LineBreak, 0, measure);
}

ChartEvent branchStart(std::uint32_t measure = 0)
{
    return event(ChartEventKind::BranchStart, 0, measure);
}

struct EventCase {
    std::string chart;
    std::vector<ChartEvent> events;
};

void expectEvents(const std::vector<EventCase>& cases)
{
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.chart);
        EXPECT_EQ(eventsOf(*parseChart(testCase.chart)), testCase.events);
    }
}

TEST(ChartParser, TempoTakesAnOptionalGridOffset)
{
    expectEvents({
        { "#bpm 150", { tempo(15000) } },
        { "#bpm 180 4 8", { tempo(18000, 960) } },
        { "#bpm 150 4", { tempo(15000) } },
        { "#bpm 150 4 2", { tempo(15000, 240) } },
        { "#bpm 150 7 3", { tempo(15000, 205) } },
        { "#bpm 150 8 3 extra words", { tempo(15000, 180) } },
        { "#bpm 150abc 4 2", { tempo(15000) } },
        { "#bpm 150 -4 -2", { tempo(15000, 240) } },
        { "#bpm 150 0", { tempo(15000) } },
        { "oooo\n#bpm 150\noooo\n#bpm 120 4 4",
          { event(ChartEventKind::Tempo, 15000, 1), event(ChartEventKind::Tempo, 12000, 2, 480) } },
    });
}

TEST(ChartParser, RoundsTempoAndSpeedFromSinglePrecision)
{
    expectEvents({
        { "#bpm 120.5", { tempo(12050) } },
        { "#bpm 150.004", { tempo(15000) } },
        { "#bpm 150.005", { tempo(15001) } },
        { "#hs 1.5", { scrollSpeed(150) } },
        { "#hs 1.005", { scrollSpeed(100) } },
        { "#hs 0.995", { scrollSpeed(100) } },
        { "#hs 1e-2", { scrollSpeed(1) } },
        { "#hs -1.5", { scrollSpeed(-150) } }, // halves round away from zero both ways
        { "#hs -1.005", { scrollSpeed(-100) } },
        { "#hs -0.004", { scrollSpeed(0) } },
    });
}

TEST(ChartParser, ScrollSpeedReadsBranchWordAndGridOffsetAsWords)
{
    expectEvents({
        { "#hs 1.5 oxx", { scrollSpeed(150, 0, 1) } },
        { "#hs 2 4 2", { scrollSpeed(200, 240) } },
        { "#hs 2 xxo 4 2", { scrollSpeed(200, 240, 4) } },
        { "#hs 1 xo", { scrollSpeed(100) } },
        { "#hs 1 4", { scrollSpeed(100) } },
        { "#hs 1 oxoo", { scrollSpeed(100) } },
        { "#hs 1 oxo", { scrollSpeed(100, 0, 5) } },
        { "#hs 1 oOo", { scrollSpeed(100, 0, 5) } },
        { "#hs 1 8 3", { scrollSpeed(100, 180) } },
        { "#hs 1 oo 8 3", { scrollSpeed(100, 180, 3) } },
        { "#hs 1 xooxx 8 3", { scrollSpeed(100, 180, 6) } },
        { "#hs 1 o 4 1", { scrollSpeed(100, 120, 1) } },
        { "#hs 1 +4 -0", { scrollSpeed(100) } },
        { "#hs\x81\x40"
          "2\x81\x40ooo",
          { scrollSpeed(200, 0, 7) } }, // ideographic spaces
    });
}

TEST(ChartParser, BranchInsertsALineBreakWhenTheLaneCountChanges)
{
    expectEvents({
        { "#branch ooo", { lineBreak(), branchStart() } },
        { "#branch ooo\n#branch ooo", { lineBreak(), branchStart(), branchStart() } },
        { "#branch ooo\n#branch oxx", { lineBreak(), branchStart(), lineBreak(), branchStart() } },
        { "#branch oxx\n#branch xox", { branchStart(), branchStart() } },
        { "#branch oo", { branchStart() } },
        { "#branch", { branchStart() } },
        { "#bpm 150\n#newline\n#branch oxo",
          { tempo(15000), lineBreak(), lineBreak(), branchStart() } },
        { "# newline\noooo\n#newline", { lineBreak(0), lineBreak(1) } },
    });
}

struct BranchStateCase {
    std::string chart;
    std::int32_t branchMask; // of the measures that the note lines after it complete
    std::int32_t currentBranch; // that the first note line after it fills
};

TEST(ChartParser, BranchWordSelectsTheBranches)
{
    const std::vector<BranchStateCase> cases = {
        { "#branch ooo", 7, 1 },
        { "#branch oxx", 1, 1 },
        { "#branch xox", 2, 2 },
        { "#branch xxo", 4, 4 },
        { "#branch xoo", 6, 2 },
        { "#branch xxx", 0, 4 },
        { "#branch OOO", 0, 4 },
        { "#branch ooo\n#branch oo", 7, 1 },
        { "#branch oxo\n#branch oxoo", 5, 1 },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.chart);
        // Three lines complete a measure of any mask but the one that selects no branch.
        const auto document = parseChart(testCase.chart + "\no\n o\n  o\n");
        ASSERT_FALSE(document->notes.empty());
        EXPECT_EQ(document->notes.begin()->position.branch, testCase.currentBranch);
        ASSERT_EQ(document->measures.empty(), testCase.branchMask == 0);
        if (!document->measures.empty()) {
            EXPECT_EQ(document->measures.front().branchMask, testCase.branchMask);
        }
    }
}

struct MeterCase {
    std::string chart;
    std::int32_t beats; // of the measure that a note line after it completes
    double beatLength;
    std::uint32_t ticksPerChar; // between that line's notes
};

TEST(ChartParser, MeterKeepsTheCharactersPerBeat)
{
    const std::vector<MeterCase> cases = {
        { "#meter 4 3", 3, 1.0, 120 },
        { "#meter 8 6", 6, 0.5, 60 },
        { "#meter 2 2", 2, 2.0, 240 },
        { "#beatchar 6", 4, 1.0, 80 },
        { "#beatchar 8", 4, 1.0, 60 },
        { "#beatchar 7", 4, 1.0, 69 },
        { "#meter 8 6\n#beatchar 2", 6, 0.5, 120 },
        { "#beatchar 6\n#meter 8 6", 6, 0.5, 40 },
        { "#meter 8 6\n#meter 4 4", 4, 1.0, 120 },
        { "#meter 3 4", 4, 4.0 / 3, 160 },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.chart);
        const auto document = parseChart(testCase.chart + "\noo\n");
        ASSERT_EQ(document->measures.size(), 1u);
        EXPECT_EQ(document->measures[0].beats, testCase.beats);
        EXPECT_DOUBLE_EQ(document->measures[0].beatLength, testCase.beatLength);
        ASSERT_EQ(document->notes.size(), 2u);
        EXPECT_EQ(std::next(document->notes.begin())->position.tick, testCase.ticksPerChar);
    }
}

TEST(ChartParser, MeasuresFollowTheMeterInForce)
{
    const auto document = parseChart("#meter 8 6\n"
                                     "o          o          o\n" // 24 characters: one measure
                                     "#beatchar 6\n#meter 4 3\n"
                                     "o                 o\n"); // 19 characters of 18
    EXPECT_EQ(document->measures,
              (std::vector<MeasureInfo>{ { 6, 0.5, 0 }, { 3, 1.0, 0 }, { 3, 1.0, 0 } }));
    std::vector<ChartPosition> positions;
    for (const auto& note : document->notes)
        positions.push_back(note.position);
    EXPECT_EQ(positions,
              (std::vector<ChartPosition>{
                  { 0, 0, 0 }, { 0, 660, 0 }, { 0, 1320, 0 }, { 1, 0, 0 }, { 2, 0, 0 } }));
}

TEST(ChartParser, TabAcceptsOnlyFourOrEight)
{
    const std::vector<std::pair<std::string, std::uint32_t>> accepted = {
        { "#tab 8", 8 },         { "#tab", 4 },   { "#tab 8\n#tab", 8 },
        { "#tab 8\n#tab 4", 4 }, { "#tab x", 4 }, { "#tab -4294967288", 8 }
    };
    for (const auto& [chart, width] : accepted) {
        SCOPED_TRACE(chart);
        const auto document = parseChart(chart + "\n\to\n");
        ASSERT_EQ(document->notes.size(), 1u);
        EXPECT_EQ(document->notes.begin()->position.tick, width * 120);
    }
    for (const char* chart : { "#tab 6", "#tab -4", "#tab 0", "#tab 16" }) {
        SCOPED_TRACE(chart);
        EXPECT_EQ(parseFailure(chart).message, "size of tub must be 4 or 8.");
    }
}

TEST(ChartParser, HeaderTextsAreTrimmedAndTheLastWins)
{
    struct HeaderCase {
        std::string chart;
        std::u16string title;
        std::u16string difficulty;
        std::int32_t level;
    };
    const std::vector<HeaderCase> cases = {
        { "", u"", u"ふつう", 5 },
        { "#title  A  song  ", u"A  song", u"ふつう", 5 },
        { "#title\x81\x40x\x81\x40\t", u"x", u"ふつう", 5 },
        { "#title   ", u"", u"ふつう", 5 },
        { "#title one\n#title two", u"two", u"ふつう", 5 },
        { "#difficulty \x82\xA8\x82\xC9", u"", u"おに", 5 },
        { "#difficulty", u"", u"", 5 },
        { "#level 10\n#level -3 stars", u"", u"ふつう", -3 },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.chart);
        const auto document = parseChart(testCase.chart);
        EXPECT_EQ(document->title, testCase.title);
        EXPECT_EQ(document->difficulty, testCase.difficulty);
        EXPECT_EQ(document->level, testCase.level);
    }
}

TEST(ChartParser, GogoSpansOpenAndCloseAtTheMeasureCursor)
{
    const auto document = parseChart("#begingogo 4 2\noooo\n#endgogo\n"
                                     "#begingogo\n#begingogo 4 4\n#endgogo 4 4\n");
    ASSERT_EQ(document->gogoSpans.size(), 3u);
    EXPECT_EQ(document->gogoSpans[0], GogoSpan({ 0, 240, 0 }, { 1, 0, 0 }));
    EXPECT_EQ(document->gogoSpans[1], GogoSpan({ 1, 0, 0 }, kChartEnd));
    EXPECT_EQ(document->gogoSpans[2], GogoSpan({ 1, 480, 0 }, { 1, 480, 0 }));
}

TEST(ChartParser, ReportsDirectiveErrorsWhereTheyAre)
{
    struct Case {
        std::string chart;
        int line;
        int column;
        std::string message;
        std::string detail = {};
    };
    const std::vector<Case> cases = {
        { "#BPM 150", 1, 2, "unknown command.", "#BPM; did you mean #bpm?" },
        { "#bpm150", 1, 2, "unknown command.", "#bpm150" },
        { "oooo\n#", 2, 1, "unknown command.", "" },
        { "# \t", 1, 1, "unknown command.", "" },
        { "#title#", 1, 2, "unknown command.", "#title#; did you mean #title?" },
        { "#\x81\x40\x82\xA0"
          "bmp",
          1, 3, "unknown command.", "#あbmp" },
        { "#" + std::string(60, 'k'), 1, 2, "unknown command.", "#" + std::string(40, 'k') + "…" },
        { "#hs 1 4 2 x", 1, 11, "hs position must be integers." },
        { "#hs 1 oxo 4 2.5", 1, 13, "hs position must be integers." },
        { "#endgogo", 1, 2, "begin/endgogoの対応が取れていません" },
        { "oooo\n#begingogo 4 8\n#endgogo 4 4", 3, 2, "gogo section ends before it begins." },
        { "#meter 8", 1, 9, "meter needs two numbers." },
        { "#meter x 4", 1, 8, "meter needs two numbers." },
        { "#meter -4 4", 1, 8, "meter must be positive." },
        { "#meter 4 4473925", 1, 10, "meter is out of range." },
        { "#meter 1 1118482", 1, 10, "meter is out of range." },
        { "#bpm", 1, 5, "bpm needs a number." },
        { "#bpm abc", 1, 6, "bpm needs a number." },
        { "#bpm 0", 1, 6, "bpm must be positive." },
        { "#bpm -120 4 2", 1, 6, "bpm must be positive." },
        { "#bpm 0.004", 1, 6, "bpm must be positive." },
        { "#hs", 1, 4, "hs needs a number." },
        { "#hs 3e7", 1, 5, "hs is out of range." },
        { "#bpm 150 1 -1", 1, 10, "grid position must not be negative." },
        { "#hs 1 4 4473925", 1, 7, "grid position is too large." },
        { "#begingogo -1 4473925", 1, 12, "grid position is too large." },
        // A number too large to hold is out of range however it is written.
        { "#bpm 1e39", 1, 6, "bpm is out of range." },
        { "#bpm 1e38", 1, 6, "bpm is out of range." },
        { "#hs -1e39 oxo", 1, 5, "hs is out of range." },
        { "#level 99999999999", 1, 8, "level is out of range." },
        { "#meter 4 99999999999", 1, 10, "meter is out of range." },
        { "#beatchar -99999999999", 1, 11, "beatchar is out of range." },
        { "#tab 4294967296", 1, 6, "tab is out of range." },
        { "#bpm 150 4 99999999999", 1, 12, "grid position is out of range." },
        { "#hs 1 oxo 99999999999 2", 1, 11, "grid position is out of range." },
        { "#endgogo 99999999999 1", 1, 10, "grid position is out of range." },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.chart);
        const auto error = parseFailure(testCase.chart);
        EXPECT_EQ(error.line(), testCase.line);
        EXPECT_EQ(error.column(), testCase.column);
        EXPECT_EQ(error.message, testCase.message);
        EXPECT_EQ(error.detail, testCase.detail);
    }
}

TEST(ChartParser, ReadsTheLargestMeterThatStaysInside32Bits)
{
    // A measure of 4473924 beats keeps the characters per beat: far more than a measure may
    // hold, so that the next note line is refused for it, not for the meter.
    const auto error = parseFailure("#meter 1 1118481\n#meter 4 4473924\no\n");
    EXPECT_EQ(error.line(), 3);
    EXPECT_EQ(error.message, "measure has too many characters.");
}

TEST(ChartParser, ReadsAChartWithEveryDirective)
{
    const auto full = test::readChart(test::readFile(test::testData("full.txt")));
    const ChartDocument* document = &full.document;
    EXPECT_EQ(test::lineCountOf(full), 35);
    EXPECT_EQ(document->title, u"全部入り");
    EXPECT_EQ(document->difficulty, u"おに");
    EXPECT_EQ(document->level, 10);
    const std::vector<MeasureInfo> measures = { { 4, 1.0, 0 }, { 4, 1.0, 0 }, { 4, 1.0, 0 },
                                                { 6, 0.5, 0 }, { 3, 1.0, 0 }, { 3, 1.0, 0 },
                                                { 4, 1.0, 7 }, { 4, 1.0, 7 }, { 4, 1.0, 5 },
                                                { 4, 1.0, 1 } };
    EXPECT_EQ(document->measures, measures);
    EXPECT_EQ(eventsOf(*document),
              (std::vector{
                  tempo(12000),
                  scrollSpeed(150),
                  event(ChartEventKind::Tempo, 24000, 2, 960),
                  lineBreak(6),
                  lineBreak(6),
                  branchStart(6),
                  event(ChartEventKind::ScrollSpeed, 200, 6, 240, 1),
                  event(ChartEventKind::ScrollSpeed, 50, 7, 0, 4),
                  lineBreak(8),
                  branchStart(8),
                  lineBreak(9),
                  branchStart(9),
              }));
    ASSERT_EQ(document->gogoSpans.size(), 1u);
    EXPECT_EQ(document->gogoSpans[0], GogoSpan({ 2, 0, 0 }, { 3, 1440, 0 }));

    std::vector<std::uint32_t> tripletTicks;
    std::vector<ChartNote> spans;
    for (const auto& note : document->notes) {
        if (note.position.measure == 2)
            tripletTicks.push_back(note.position.tick);
        if (note.length != 0)
            spans.push_back(note);
    }
    EXPECT_EQ(tripletTicks,
              (std::vector<std::uint32_t>{ 0, 160, 320, 480, 640, 800, 960, 1120, 1280, 1440, 1600,
                                           1760 }));
    EXPECT_EQ(spans,
              (std::vector<ChartNote>{
                  { NoteKind::ParenSpan, 960, 0, { 6, 0, 1 } },
                  { NoteKind::AngleSpan, 1200, 10, { 6, 0, 2 } },
                  { NoteKind::AtSpan, 840, 0, { 6, 0, 4 } },
                  { NoteKind::BSpan, 960, 5, { 7, 0, 1 } },
                  { NoteKind::PSpan, 840, 0, { 7, 0, 2 } },
                  { NoteKind::AtSpan, 1680, 0, { 7, 0, 4 } },
              }));
}

} // namespace
} // namespace beatplate
