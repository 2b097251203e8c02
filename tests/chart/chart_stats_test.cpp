#include "chart/chart_stats.h"
#include "chart/chart_stats_report.h"
#include "chart_test_helpers.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <string>

namespace beatplate {

// Failures show the figures as the report writes them.
void PrintTo(const ChartStats& stats, std::ostream* out)
{
    const ChartStatsEntry entry{ {}, {}, stats };
    *out << formatChartStatsJson(std::span(&entry, 1));
}

namespace {

ChartStats statsOfFile(const char* name)
{
    return computeChartStats(*test::parseChart(test::readFile(test::testData(name))));
}

// The figures but the timeline, which one test counts by hand for all.
ChartStats withoutTimeline(ChartStats stats)
{
    stats.timeline.clear();
    stats.tempos.clear();
    return stats;
}

std::array<SpanFigures, 5> noSpans()
{
    return { { { NoteKind::ParenSpan, 0, 0 },
               { NoteKind::AngleSpan, 0, 0 },
               { NoteKind::AtSpan, 0, 0 },
               { NoteKind::BSpan, 0, 0 },
               { NoteKind::PSpan, 0, 0 } } };
}

// Counted by hand. Measure 1 (as the page numbers it) is 4/4 at the default 120, 2 s; measure 2
// is 4/4, its first half at 120 (1 s), its second at 240 (0.5 s); measure 3 is 7/8 at 240, 3.5
// quarter notes, 0.875 s; measure 4 is 3/4, 1.5 quarters at 240 (0.375 s), then 1.5 at 80
// (1.125 s). The "bpm 300" after the last note line holds for no time. Notes, in seconds:
//   1: o at 0 .25 .5 .75 1 1.25 1.5 1.75
//   2: x at 2 2.25 2.5 2.75, X at 3 3.125 3.25 3.375
//   3: c o o C o o o at 3.5 3.625 3.75 3.875 4 4.125 4.25
//   4: o at 4.375 4.4375 4.5, then 4.75 4.9375 5.125
// The busiest second is [3.5, 4.5): 3.5 to 4.4375, nine notes (4.5 lies exactly 1 s on). Second
// by second: 4, 4, 4, 8, 8 and 1 notes.
// Scroll speed 1 (default) in measures 1 and 2, 1.5 from measure 3, 0.75 from a quarter into 4.
// The measures start at ticks 0, 1920, 3840 and 5520 (7/8 is 1680 ticks); the tempo is 240
// from tick 2880 (3 s) and 80 from 6240 (4.75 s).
TEST(ChartStats, CountsTempoChangesInsideMeasuresAndOddMeters)
{
    const ChartStats expected{
        .measures = 4,
        .seconds = 5.875,
        .notes = { .o = 20, .bigO = 1, .x = 4, .bigX = 4 },
        .spans = noSpans(),
        .tempo = { 80, 240 },
        .scrollSpeed = { 0.75, 1.5 },
        .density = { 29 / 5.875, 9, 3.5, 3, { 4, 4, 4, 8, 8, 1 } },
        .gogo = {},
        .branches = {},
        .timeline = { { 0, 1920, 0, 2, 4, {}, std::nullopt },
                      { 1920, 1920, 2, 1.5, 4, {}, std::nullopt },
                      { 3840, 1680, 3.5, 0.875, 7, {}, std::nullopt },
                      { 5520, 1440, 4.375, 1.5, 3, {}, std::nullopt } },
        .tempos = { { 0, 0, 120 }, { 2880, 3, 240 }, { 6240, 4.75, 80 } },
    };
    EXPECT_EQ(statsOfFile("stats_tempo_meter.txt"), expected);
}

// Counted by hand, at 60 (a quarter note is 1 s, a measure 4 s; the default 120 holds for no
// time). Notes, in seconds, by lane:
//   1 (unbranched): o at 0 1
//   2, branch 1: o at 4 5 6 7; branch 2: o at 4 4.5 .. 7.5 (8); branch 3: x at 4 4.25 .. 7.75 (16)
//   3, branch 1: O at 8; branch 3: X at 8 8.25
//   4, branch 1 alone, drawn as the single lane every path meets: o at 12 12.5
//   5, branch 1 of three: o o, never completed
// Busiest seconds: every lane [4, 5) 1 + 2 + 4 = 7; branch 1 [12, 13) 2; branch 2 [4, 5) 2
// (and [12, 13)); branch 3 [4, 5) 4. Scroll speed 1, 2 on branch 1 from measure 2, 0.5 on branch 3
// from measure 3; the 3 of branch 2 falls where branch 2 has no lane. Second by second, notes
// fall in seconds 0, 1, 4 to 8 and 12 only.
TEST(ChartStats, CountsEveryBranchPath)
{
    const ChartStats expected{
        .measures = 4,
        .seconds = 16,
        .notes = { .o = 16, .bigO = 1, .x = 16, .bigX = 2 },
        .spans = noSpans(),
        .tempo = { 60, 60 },
        .scrollSpeed = { 0.5, 2 },
        .density = { 35 / 16.0, 7, 4, 2, { 1, 1, 0, 0, 7, 7, 7, 7, 3, 0, 0, 0, 2, 0, 0, 0 } },
        .gogo = {},
        .branches = { { 1,
                        9,
                        { 9 / 16.0,
                          2,
                          12,
                          4,
                          { 1, 1, 0, 0, 1, 1, 1, 1, 1, 0, 0, 0, 2, 0, 0, 0 } } },
                      { 2,
                        12,
                        { 12 / 16.0,
                          2,
                          4,
                          2,
                          { 1, 1, 0, 0, 2, 2, 2, 2, 0, 0, 0, 0, 2, 0, 0, 0 } } },
                      { 3,
                        22,
                        { 22 / 16.0,
                          4,
                          4,
                          2,
                          { 1, 1, 0, 0, 4, 4, 4, 4, 2, 0, 0, 0, 2, 0, 0, 0 } } } },
        .uncompletedNotes = 2,
        .timeline = {},
        .tempos = {},
    };
    EXPECT_EQ(withoutTimeline(statsOfFile("stats_branches.txt")), expected);
}

// Counted by hand, a sixteenth note 0.125 s at 120 and 0.0625 s at 240:
//   1: ( of 8 characters, 1 s (the o inside it adds nothing), o at 0.5 s
//   2: < of 5, 0.625 s, its 5 not counted; o at 3 s
//   3: @ of 9 counting 12, 1.125 s
//   4: b of 6 counting 3, 0.75 s; p of 6 counting 4, 0.75 s
//   5-6: ( of 9 over two lines: 2 sixteenths at 120, 7 at 240, 0.6875 s
//   7: a < never closed, lost
// Measures 1-4 take 8 s, 5 takes 0.25 + 0.875 s, 6 and 7 1 s each.
TEST(ChartStats, CountsEverySpanKind)
{
    const ChartStats expected{
        .measures = 7,
        .seconds = 11.125,
        .notes = { .o = 2 },
        .spans = { { { NoteKind::ParenSpan, 2, 1.6875 },
                     { NoteKind::AngleSpan, 1, 0.625 },
                     { NoteKind::AtSpan, 1, 1.125 },
                     { NoteKind::BSpan, 1, 0.75 },
                     { NoteKind::PSpan, 1, 0.75 } } },
        .countedSpans = 3,
        .countSum = 19,
        .tempo = { 120, 240 },
        .scrollSpeed = { 1, 1 },
        .density = { 2 / 11.125, 1, 0.5, 1, { 1, 0, 0, 1, 0, 0, 0, 0, 0, 0, 0, 0 } },
        .gogo = {},
        .branches = {},
        .timeline = {},
        .tempos = {},
    };
    EXPECT_EQ(withoutTimeline(statsOfFile("stats_spans.txt")), expected);
}

struct TimingCase {
    const char* chart;
    double seconds;
    ValueRange tempo;
    ValueRange scrollSpeed;
    std::int64_t peakNotes;
};

TEST(ChartStats, TimesChartsAtTheirEdges)
{
    const TimingCase cases[] = {
        { "", 0, { 120, 120 }, { 1, 1 }, 0 }, // nothing: the defaults
        { "oooo\n", 2, { 120, 120 }, { 1, 1 }, 4 }, // no "bpm": 120
        { "#bpm 150\n#bpm 100\noooo\n", 2.4, { 100, 100 }, { 1, 1 }, 4 }, // the later holds
        { "#hs 0.25 4 8\noooo\n#hs 2\n", 2, { 120, 120 }, { 0.25, 1 }, 4 }, // after the end: none
        { "#bpm 60 1 4\no\noooo\n", 6, { 60, 120 }, { 1, 1 }, 4 }, // offset past its measure
    };
    for (const TimingCase& testCase : cases) {
        SCOPED_TRACE(testCase.chart);
        const ChartStats stats = computeChartStats(*test::parseChart(testCase.chart));
        EXPECT_DOUBLE_EQ(stats.seconds, testCase.seconds);
        EXPECT_EQ(stats.tempo, testCase.tempo);
        EXPECT_EQ(stats.scrollSpeed, testCase.scrollSpeed);
        EXPECT_EQ(stats.density.peakNotes, testCase.peakNotes);
    }

    // A chart cannot give tempo 0 ("bpm must be positive."); a document made so still times,
    // its measures at tempo 0 taking no time.
    auto document = test::parseChart("oooo\noooo\n");
    document->events.insert({ ChartEventKind::Tempo, 0, { 0, 0, 0 } });
    document->events.insert({ ChartEventKind::Tempo, 6000, { 1, 0, 0 } });
    const ChartStats stats = computeChartStats(*document);
    EXPECT_DOUBLE_EQ(stats.seconds, 4);
    EXPECT_EQ(stats.tempo, (ValueRange{ 0, 60 }));
    EXPECT_EQ(stats.density.peakNotes, 8);
}

TEST(ChartStats, GivesGogoSectionsInSecondsAndALongerStepForALongChart)
{
    // At 60 a measure takes 4 s; a section still open at the end runs to it.
    const ChartStats gogo = computeChartStats(
        *test::parseChart("#bpm 60\noooo\n#begingogo\noooo\n#endgogo\noooo\n#begingogo\noooo\n"));
    EXPECT_EQ(gogo.gogo, (std::vector<TimeSpan>{ { 4, 8 }, { 12, 16 } }));
    EXPECT_EQ(gogo.densityStep, 1);

    // 33 measures of 40 s, one note each: 1,320 s in steps of 3 s.
    std::string chart = "#bpm 6\n";
    for (int measure = 0; measure < 33; ++measure)
        chart += "o\n";
    const ChartStats stats = computeChartStats(*test::parseChart(chart));
    EXPECT_EQ(stats.densityStep, 3);
    ASSERT_EQ(stats.density.series.size(), 440u);
    EXPECT_DOUBLE_EQ(stats.density.series[13], 1 / 3.0); // the note at 40 s
    EXPECT_DOUBLE_EQ(stats.density.series[14], 0);
}

} // namespace
} // namespace beatplate
