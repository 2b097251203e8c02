#include "base/chart_limits.h"
#include "support/png_file.h"
#include "support/program_sandbox.h"
#include "support/test_sheet.h"
#include "support/test_support.h"
#include "support/text_pixels.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <ostream>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate::test {
namespace {

// Pixels that show no sprite of the test sheet (header text, blank canvas).
constexpr SpriteId kNone = -1;

// A stretch of equal sprites along a row or a column, from inclusive, to exclusive.
struct Run {
    SpriteId sprite = kNone;
    int from = 0;
    int to = 0;

    bool operator==(const Run&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Run& run)
{
    return out << "{" << run.sprite << ", " << run.from << ", " << run.to << "}";
}

SpriteId spriteOf(const DecodedPng& png, int x, int y)
{
    return spriteAt(png.pixel(x, y)).value_or(kNone);
}

template <typename SpriteAtIndex>
std::vector<Run> runsOf(int from, int to, const SpriteAtIndex& spriteAtIndex)
{
    std::vector<Run> runs;
    for (int i = from; i < to; ++i) {
        const SpriteId sprite = spriteAtIndex(i);
        if (runs.empty() || runs.back().sprite != sprite)
            runs.push_back({ sprite, i, i + 1 });
        else
            runs.back().to = i + 1;
    }
    return runs;
}

// The sprites along row y from x = from to x = to.
std::vector<Run> rowRuns(const DecodedPng& png, int y, int from, int to)
{
    return runsOf(from, to, [&](int x) { return spriteOf(png, x, y); });
}

// The sprites down column x from y = from to y = to.
std::vector<Run> columnRuns(const DecodedPng& png, int x, int from, int to)
{
    return runsOf(from, to, [&](int y) { return spriteOf(png, x, y); });
}

// Writes the chart (code page 932 bytes) beside the program, runs it and reads the picture; the
// run says nothing but the warnings given.
DecodedPng pictureOf(const ProgramSandbox& sandbox, std::string_view chart,
                     std::string_view warnings = "")
{
    const auto result = sandbox.runChart("chart.txt", chart);
    EXPECT_EQ(result.status, 0) << result.errors;
    EXPECT_EQ(result.errors, warnings);
    return readPng(sandbox / "chart.png");
}

// Runs along a row or down a column of the picture of a chart.
struct LineCase {
    const char* name;
    const char* chart;
    bool alongRow; // true: a row at `at`; false: a column at `at`
    int at;
    int from;
    int to;
    std::vector<Run> expected;
};

void checkLines(const std::vector<LineCase>& cases)
{
    const ProgramSandbox sandbox;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedPng png = pictureOf(sandbox, c.chart);
        ASSERT_GE(png.height, 112);
        const auto runs =
            c.alongRow ? rowRuns(png, c.at, c.from, c.to) : columnRuns(png, c.at, c.from, c.to);
        EXPECT_EQ(runs, c.expected);
    }
}

// A note line of one blank: one empty 4/4 measure.
constexpr const char* kEmptyMeasure = " \n";

TEST(ScorePicture, DrawsOneCommonTimeMeasureWithItsLinesAndNumber)
{
    checkLines({
        { "lane row: bar lines at 23 and 215, beat and half-beat lines, lanes from 0 to 240",
          kEmptyMeasure,
          true,
          95,
          0,
          300,
          { { 18, 0, 23 },    { 21, 23, 25 },   { 18, 25, 47 },   { 23, 47, 49 },
            { 18, 49, 71 },   { 22, 71, 73 },   { 18, 73, 95 },   { 23, 95, 97 },
            { 18, 97, 119 },  { 22, 119, 121 }, { 18, 121, 143 }, { 23, 143, 145 },
            { 18, 145, 167 }, { 22, 167, 169 }, { 18, 169, 191 }, { 23, 191, 193 },
            { 18, 193, 215 }, { 21, 215, 217 }, { 18, 217, 240 }, { 26, 240, 300 } } },
        { "lane column: top edge, lane, bottom edge",
          kEmptyMeasure,
          false,
          100,
          60,
          112,
          { { 26, 60, 80 }, { 16, 80, 86 }, { 18, 86, 106 }, { 17, 106, 112 } } },
        { "bar line from the row's top + 14 to its bottom",
          kEmptyMeasure,
          false,
          23,
          60,
          112,
          { { 26, 60, 62 }, { 21, 62, 112 } } },
        { "beat line over the lanes only",
          kEmptyMeasure,
          false,
          71,
          60,
          112,
          { { 26, 60, 80 }, { 22, 80, 112 } } },
        { "half-beat line over the lanes only",
          kEmptyMeasure,
          false,
          47,
          60,
          112,
          { { 26, 60, 80 }, { 23, 80, 112 } } },
        { "the number 1 at (24, 74), over the bar line",
          kEmptyMeasure,
          true,
          76,
          18,
          36,
          { { 26, 18, 23 }, { 21, 23, 24 }, { 56, 24, 30 }, { 26, 30, 36 } } },
        { "the number 1 is six pixels high",
          kEmptyMeasure,
          false,
          27,
          70,
          82,
          { { 26, 70, 74 }, { 56, 74, 80 }, { 16, 80, 82 } } },
        { "a 6/8 measure: beat lines 24 apart, half-beat lines 12 after each beat",
          "#meter 8 6\n \n",
          true,
          95,
          0,
          60,
          { { 18, 0, 23 },
            { 21, 23, 25 },
            { 18, 25, 35 },
            { 23, 35, 37 },
            { 18, 37, 47 },
            { 22, 47, 49 },
            { 18, 49, 59 },
            { 23, 59, 60 } } },
    });
}

TEST(ScorePicture, PlacesAMeasureAfterOneOfThirdNoteBeatsAtItsFullWidth)
{
    // Seven beats of a third note are 7 x 48 x 4/3 = 448 pixels wide, so the 4/4 measure after
    // them begins at x 472, where the lanes of the first one end.
    const char* chart = "#meter 3 7\n \n#meter 4 4\n \n";
    checkLines({
        { "bar line of the second measure at 471",
          chart,
          true,
          70,
          460,
          480,
          { { 26, 460, 471 }, { 21, 471, 473 }, { 26, 473, 480 } } },
        { "its measure number at 472",
          chart,
          true,
          76,
          465,
          480,
          { { 26, 465, 471 }, { 21, 471, 472 }, { 57, 472, 478 }, { 26, 478, 480 } } },
        { "the row closes at 472 + 192",
          chart,
          true,
          70,
          655,
          670,
          { { 26, 655, 663 }, { 21, 663, 665 }, { 26, 665, 670 } } },
    });
}

TEST(ScorePicture, WritesTempoAndScrollSpeedMarkers)
{
    const char* tempoAtStart = "#bpm 150\n \n";
    const char* tempoInside = " \n \n#bpm 150.5 4 4\n \n";
    const char* bothAtStart = "#bpm 150\n#hs 1.5\n \n";
    checkLines({
        { "tempo 150: label at (24, 68), digits 1, 5, 0 at 42, 48, 54",
          tempoAtStart,
          true,
          70,
          18,
          66,
          { { 26, 18, 23 },
            { 21, 23, 24 },
            { 28, 24, 42 },
            { 31, 42, 48 },
            { 35, 48, 54 },
            { 30, 54, 60 },
            { 26, 60, 66 } } },
        { "tempo marker six pixels high at y 68",
          tempoAtStart,
          false,
          45,
          60,
          80,
          { { 26, 60, 68 }, { 31, 68, 74 }, { 26, 74, 80 } } },
        { "no change line at tick 0",
          tempoAtStart,
          false,
          23,
          60,
          112,
          { { 26, 60, 62 }, { 21, 62, 112 } } },
        { "tempo 150.5 at (2, 480): change line at 455, label at 456, 150.5",
          tempoInside,
          true,
          70,
          450,
          510,
          { { 26, 450, 455 },
            { 25, 455, 456 },
            { 28, 456, 474 },
            { 31, 474, 480 },
            { 35, 480, 486 },
            { 30, 486, 492 },
            { 29, 492, 498 },
            { 35, 498, 504 },
            { 26, 504, 510 } } },
        { "the change line runs from the row's top + 14 over the beat line",
          tempoInside,
          false,
          455,
          60,
          112,
          { { 26, 60, 62 }, { 25, 62, 112 } } },
        { "scroll speed 1.5 for every branch: label at (24, 62), then 1.5",
          "#hs 1.5\n \n",
          true,
          64,
          18,
          60,
          { { 26, 18, 23 },
            { 21, 23, 24 },
            { 51, 24, 36 },
            { 41, 36, 42 },
            { 50, 42, 48 },
            { 45, 48, 54 },
            { 26, 54, 60 } } },
        { "scroll speed for branches 1 and 4: their icons, the label, then 1.5",
          "#hs 1.5 oxo\n \n",
          true,
          64,
          18,
          70,
          { { 26, 18, 23 },
            { 21, 23, 24 },
            { 52, 24, 30 },
            { 54, 30, 36 },
            { 51, 36, 48 },
            { 41, 48, 54 },
            { 50, 54, 60 },
            { 45, 60, 66 },
            { 26, 66, 70 } } },
        { "tempo and scroll speed at one position keep to their bands",
          bothAtStart,
          false,
          27,
          60,
          80,
          { { 26, 60, 62 }, { 51, 62, 68 }, { 28, 68, 74 }, { 56, 74, 80 } } },
    });
}

TEST(ScorePicture, DrawsBranchedMeasuresInStackedLanes)
{
    const char* threeLanes = "#branch ooo\n    o\n    x\n    X\n";
    const char* lanesOneAndThree = "#branch oxo\n \n \n \n \n";
    checkLines({
        { "three lanes in bit order between the edges",
          threeLanes,
          false,
          100,
          60,
          160,
          { { 26, 60, 80 },
            { 16, 80, 86 },
            { 18, 86, 108 },
            { 19, 108, 132 },
            { 20, 132, 154 },
            { 17, 154, 160 } } },
        { "notes of branches 1, 2 and 4 at y 84, 108 and 132",
          threeLanes,
          false,
          65,
          80,
          160,
          { { 16, 80, 84 }, { 0, 84, 108 }, { 2, 108, 132 }, { 3, 132, 156 }, { 17, 156, 160 } } },
        { "branch-start line over the bar line of the row's first measure",
          threeLanes,
          false,
          23,
          60,
          160,
          { { 26, 60, 62 }, { 24, 62, 160 } } },
        { "lanes of bits 0 and 2 without a gap",
          lanesOneAndThree,
          false,
          100,
          60,
          136,
          { { 26, 60, 80 }, { 16, 80, 86 }, { 18, 86, 108 }, { 20, 108, 130 }, { 17, 130, 136 } } },
        { "bar line of two lanes 74 pixels high",
          lanesOneAndThree,
          false,
          215,
          60,
          136,
          { { 26, 60, 62 }, { 21, 62, 136 } } },
    });
}

TEST(ScorePicture, ShadesGogoSectionsAcrossRows)
{
    // Six measures; the section runs from (3, 960) to (5, 480), over the row break after
    // measure 3.
    const char* section = " \n \n \n#begingogo 4 8\n \n \n#endgogo 4 4\n \n";
    const char* openSection = " \n#begingogo\n \n \n";
    checkLines({
        { "measure 3: from tick 960 to the end of the row, under the bar lines",
          section,
          true,
          65,
          590,
          816,
          { { 26, 590, 599 },
            { 21, 599, 601 },
            { 26, 601, 696 },
            { 27, 696, 791 },
            { 21, 791, 793 },
            { 27, 793, 816 } } },
        { "measures 4 and 5: from x 0 to the x of tick 480 in measure 5",
          section,
          true,
          130,
          0,
          300,
          { { 27, 0, 23 },
            { 21, 23, 25 },
            { 27, 25, 215 },
            { 21, 215, 217 },
            { 27, 217, 264 },
            { 26, 264, 300 } } },
        { "the band from the row's top + 14, 18 pixels high",
          section,
          false,
          700,
          58,
          82,
          { { 26, 58, 62 }, { 27, 62, 80 }, { 16, 80, 82 } } },
        { "a section still open at the end shades every measure from its start",
          openSection,
          true,
          65,
          0,
          700,
          { { 26, 0, 23 },
            { 21, 23, 25 },
            { 26, 25, 215 },
            { 21, 215, 217 },
            { 27, 217, 407 },
            { 21, 407, 409 },
            { 27, 409, 599 },
            { 21, 599, 601 },
            { 27, 601, 624 },
            { 26, 624, 700 } } },
    });
}

TEST(ScorePicture, DrawsNotesAndSpansWhereTheyFall)
{
    const char* spanOverBar = "            (======)\n";
    const char* spanIntoNextRow = " \n \n \n            (======)\n";
    checkLines({
        { "a triplet group spreads three notes over four slots: ticks 0, 160, 320",
          "3oxO\n",
          true,
          90,
          0,
          75,
          { { 18, 0, 12 },
            { 0, 12, 36 },
            { 2, 36, 52 },
            { 1, 52, 68 },
            { 18, 68, 71 },
            { 22, 71, 73 },
            { 18, 73, 75 } } },
        { "an o note at (12, 84, 24, 24)",
          "o\n",
          true,
          90,
          0,
          50,
          { { 18, 0, 12 }, { 0, 12, 36 }, { 18, 36, 47 }, { 23, 47, 49 }, { 18, 49, 50 } } },
        { "the o note down its column",
          "o\n",
          false,
          20,
          78,
          112,
          { { 26, 78, 80 }, { 16, 80, 84 }, { 0, 84, 108 }, { 17, 108, 112 } } },
        { "of two overlapping notes the earlier lies on top",
          "ox\n",
          true,
          90,
          0,
          60,
          { { 18, 0, 12 }, { 0, 12, 36 }, { 2, 36, 48 }, { 23, 48, 49 }, { 18, 49, 60 } } },
        { "a span inside one measure: head, body, tail",
          "        (==)\n",
          true,
          90,
          100,
          190,
          { { 18, 100, 108 },
            { 7, 108, 120 },
            { 8, 120, 168 },
            { 9, 168, 180 },
            { 18, 180, 190 } } },
        { "a < span",
          "        <==>\n",
          true,
          90,
          100,
          190,
          { { 18, 100, 108 },
            { 4, 108, 120 },
            { 5, 120, 168 },
            { 6, 168, 180 },
            { 18, 180, 190 } } },
        { "a span over the bar line",
          spanOverBar,
          true,
          90,
          150,
          280,
          { { 18, 150, 156 },
            { 7, 156, 168 },
            { 8, 168, 264 },
            { 9, 264, 276 },
            { 18, 276, 280 } } },
        { "a span ending on the bar line keeps its tail in its own measure",
          "        (======)\n \n",
          true,
          90,
          100,
          239,
          { { 18, 100, 108 },
            { 7, 108, 120 },
            { 8, 120, 216 },
            { 9, 216, 228 },
            { 18, 228, 239 } } },
        { "a span into the next row: the first piece ends at its measure's end",
          spanIntoNextRow,
          true,
          90,
          730,
          816,
          { { 18, 730, 732 },
            { 7, 732, 744 },
            { 8, 744, 792 },
            { 21, 792, 793 },
            { 18, 793, 816 } } },
        { "a span into the next row: the last piece starts at x 24",
          spanIntoNextRow,
          true,
          154,
          0,
          100,
          { { 18, 0, 23 },
            { 21, 23, 24 },
            { 8, 24, 72 },
            { 9, 72, 84 },
            { 18, 84, 95 },
            { 23, 95, 97 },
            { 18, 97, 100 } } },
    });
}

TEST(ScorePicture, DrawsCountedSpansWithIconAndCount)
{
    checkLines({
        { "count 5: icon 13 over the head, digit at (21, 93)",
          "(@5)\n",
          true,
          95,
          0,
          90,
          { { 18, 0, 12 },
            { 13, 12, 21 },
            { 60, 21, 27 },
            { 13, 27, 36 },
            { 11, 36, 72 },
            { 12, 72, 84 },
            { 18, 84, 90 } } },
        { "the count six pixels high from y 93, the icon over the bar line",
          "(@5)\n",
          false,
          23,
          80,
          112,
          { { 21, 80, 84 }, { 13, 84, 93 }, { 60, 93, 99 }, { 13, 99, 108 }, { 21, 108, 112 } } },
        { "count 12: digits at 18 and 24",
          "(@12)\n",
          true,
          95,
          0,
          40,
          { { 18, 0, 12 },
            { 13, 12, 18 },
            { 56, 18, 24 },
            { 57, 24, 30 },
            { 13, 30, 36 },
            { 11, 36, 40 } } },
        { "a p span shows icon 14",
          "[p3]\n",
          true,
          95,
          0,
          40,
          { { 18, 0, 12 }, { 14, 12, 21 }, { 58, 21, 27 }, { 14, 27, 36 }, { 11, 36, 40 } } },
        { "a b span shows icon 15 and a count of 0",
          "(b)\n",
          true,
          95,
          0,
          40,
          { { 18, 0, 12 }, { 15, 12, 21 }, { 55, 21, 27 }, { 15, 27, 36 }, { 11, 36, 40 } } },
    });
}

TEST(ScorePicture, LaysNotesOverMarkersAndMarkersOverMeasures)
{
    const char* chart = "#bpm 150 4 4\n    o\n";
    checkLines({
        { "the change line at 71 under the note at tick 480",
          chart,
          false,
          71,
          60,
          112,
          { { 26, 60, 62 }, { 25, 62, 84 }, { 0, 84, 108 }, { 25, 108, 112 } } },
        { "the label after the change line",
          chart,
          true,
          70,
          66,
          95,
          { { 26, 66, 71 }, { 25, 71, 72 }, { 28, 72, 90 }, { 31, 90, 95 } } },
    });
}

TEST(ScorePicture, MakesTheCanvasAsTallAsTheLayoutsRows)
{
    struct Case {
        const char* name;
        const char* chart;
        int height;
    };
    const std::vector<Case> cases{
        { "three lanes: 48 + 3 x 24 + 40", "#branch ooo\no\no\no\n", 160 },
        { "five 6/8 measures fit one row", "#meter 8 6\no\no\no\no\no\n", 112 },
        { "a sixth 6/8 measure starts a second row", "#meter 8 6\no\no\no\no\no\no\n", 176 },
        { "a forced break starts a second row", "o\n#newline\no\n", 176 },
        { "a forced break before the first measure changes nothing", "#newline\no\no\n", 112 },
        { "a one-lane row after a three-lane row", "#branch ooo\no\no\no\n#branch oxx\no\n", 224 },
        { "a measure longer than a row stands alone", "#meter 4 20\no\no\n", 176 },
    };
    const ProgramSandbox sandbox;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedPng png = pictureOf(sandbox, c.chart);
        EXPECT_EQ(png.width, 816);
        EXPECT_EQ(png.height, c.height);
    }
}

TEST(ScorePicture, CarriesTheDecodedChartTextAndOneMoreLineFeed)
{
    struct Case {
        const char* name;
        std::string chart;
        std::vector<std::uint8_t> chunk;
        std::string warnings;
    };
    const std::vector<Case> cases{
        { "half-width katakana, CR LF, a lone CR and no final line feed",
          ";\xB1\r\n;a\r;b",
          { ';', 0, 0x71, 0xFF, '\n', 0, ';', 0, 'a', 0, '\n', 0, ';', 0, 'b', 0, '\n', 0, 0, 0 },
          "" },
        { "a UTF-8 chart behind its byte-order mark",
          "\xEF\xBB\xBF;\xE3\x81\xB5\n",
          { ';', 0, 0x75, 0x30, '\n', 0, '\n', 0, 0, 0 },
          "" },
        { "a UTF-8 chart without a mark",
          ";\xE3\x81\xB5\n",
          { ';', 0, 0x75, 0x30, '\n', 0, '\n', 0, 0, 0 },
          "" },
        { "the input ends at 0x1A, with a warning for the text after it",
          ";a\n;b\x1A;c\n",
          { ';', 0, 'a', 0, '\n', 0, ';', 0, 'b', 0, '\n', 0, 0, 0 },
          "chart.txt:2:3: warning: the chart ends here; the text after it is not read\n" },
    };
    const ProgramSandbox sandbox;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        const DecodedPng png = pictureOf(sandbox, c.chart, c.warnings);
        const PngChunk* chunk = png.findChunk(kChartChunkName);
        ASSERT_NE(chunk, nullptr);
        EXPECT_EQ(chunk->data, c.chunk);
    }
}

TEST(ScorePicture, DrawsAChartAlikeInEveryEncodingAndLineEnd)
{
    ASSERT_TRUE(loadIpaGothic().has_value()) << "fonts-ipafont-gothic is not installed";
    // "#title さくら", then notes, as code page 932 with LF and as UTF-8 without a mark, with
    // CR alone and with mixed line ends.
    const std::string cp932 = "#title \x82\xb3\x82\xad\x82\xe7\no   x\n";
    const std::vector<std::string> others = {
        "#title \xE3\x81\x95\xE3\x81\x8F\xE3\x82\x89\no   x\n",
        "#title \xE3\x81\x95\xE3\x81\x8F\xE3\x82\x89\ro   x\r",
        "#title \x82\xb3\x82\xad\x82\xe7\r\no   x\r",
    };
    const ProgramSandbox sandbox;
    const DecodedPng expected = pictureOf(sandbox, cp932);
    EXPECT_GT(darkExtent(toCanvas(expected), 8, 32).count, 100);
    EXPECT_EQ(spriteOf(expected, 24, 96), 0);
    EXPECT_EQ(spriteOf(expected, 72, 96), 2);
    const std::string expectedBytes = readFile(sandbox / "chart.png");
    for (const auto& chart : others) {
        SCOPED_TRACE(chart);
        static_cast<void>(pictureOf(sandbox, chart));
        EXPECT_EQ(readFile(sandbox / "chart.png"), expectedBytes);
    }
}

TEST(ScorePicture, WritesTheTitleAndDifficultyLinesAboveTheScore)
{
    ASSERT_TRUE(loadIpaGothic().has_value()) << "fonts-ipafont-gothic is not installed";
    const ProgramSandbox sandbox;
    // "#title さくら" in code page 932, then one measure of notes.
    const Canvas canvas = toCanvas(pictureOf(sandbox, "#title \x82\xb3\x82\xad\x82\xe7\noooo\n"));
    const auto title = darkExtent(canvas, 8, 32);
    const auto difficulty = darkExtent(canvas, 40, 58);
    EXPECT_GT(title.count, 100);
    EXPECT_GE(title.left, 8);
    EXPECT_GT(difficulty.count, 100);
    EXPECT_GE(difficulty.left, 8);
    // The default difficulty line, "ふつう" and ten stars, runs far past the three-letter title.
    EXPECT_GT(difficulty.right, title.right + 100);
    EXPECT_EQ(darkExtent(canvas, 0, 8).count, 0);
    EXPECT_EQ(darkExtent(canvas, 32, 40).count, 0);
    EXPECT_EQ(darkExtent(canvas, 60, canvas.height()).count, 0);
}

} // namespace
} // namespace beatplate::test
