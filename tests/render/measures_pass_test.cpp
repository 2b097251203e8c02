#include "pass_test_support.h"
#include "render/background_pass.h"
#include "render/compositing.h"
#include "render/measures_pass.h"

#include <gtest/gtest.h>

#include <iostream>
#include <optional>
#include <random>
#include <string_view>

namespace beatplate {
namespace {

using test::columnRuns;
using test::documentOf;
using test::footprintOf;
using test::kNoSprite;
using test::PassDrawing;
using test::rowRuns;
using test::solid;
using test::SpriteRun;
using test::testSheet;

constexpr MeasureInfo kSixEight{ 6, 0.5, 0 };

TEST(ScoreRendererBackground, CoversTheWholeCanvas)
{
    PassDrawing drawing(documentOf(1));
    drawBackground(drawing.layout, testSheet(), drawing.target());
    EXPECT_EQ(footprintOf(drawing.canvas, 26), solid(0, 0, 816, 112));
}

TEST(ScoreRendererMeasures, LaneRowShowsBarBeatAndHalfBeatLines)
{
    struct Case {
        const char* name;
        MeasureInfo measure;
        std::vector<SpriteRun> laneRow; // y = 90, inside the lane below the top edge
    };
    const Case cases[] = {
        { "4/4, lanes from x 0 with width 240",
          {},
          { { 18, 0, 23 },    { 21, 23, 25 },   { 18, 25, 47 },   { 23, 47, 49 },
            { 18, 49, 71 },   { 22, 71, 73 },   { 18, 73, 95 },   { 23, 95, 97 },
            { 18, 97, 119 },  { 22, 119, 121 }, { 18, 121, 143 }, { 23, 143, 145 },
            { 18, 145, 167 }, { 22, 167, 169 }, { 18, 169, 191 }, { 23, 191, 193 },
            { 18, 193, 215 }, { 21, 215, 217 }, { 18, 217, 240 }, { kNoSprite, 240, 816 } } },
        { "6/8, beat lines 24 apart and half-beat lines 12 after each beat",
          kSixEight,
          { { 18, 0, 23 },    { 21, 23, 25 },   { 18, 25, 35 },   { 23, 35, 37 },
            { 18, 37, 47 },   { 22, 47, 49 },   { 18, 49, 59 },   { 23, 59, 61 },
            { 18, 61, 71 },   { 22, 71, 73 },   { 18, 73, 83 },   { 23, 83, 85 },
            { 18, 85, 95 },   { 22, 95, 97 },   { 18, 97, 107 },  { 23, 107, 109 },
            { 18, 109, 119 }, { 22, 119, 121 }, { 18, 121, 131 }, { 23, 131, 133 },
            { 18, 133, 143 }, { 22, 143, 145 }, { 18, 145, 155 }, { 23, 155, 157 },
            { 18, 157, 167 }, { 21, 167, 169 }, { 18, 169, 192 }, { kNoSprite, 192, 816 } } },
    };
    for (const auto& [name, measure, laneRow] : cases) {
        SCOPED_TRACE(name);
        const ChartDocument document = documentOf(1, measure);
        PassDrawing drawing(document);
        drawMeasures(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
                     drawing.target());
        EXPECT_EQ(rowRuns(drawing.canvas, 90), laneRow);
    }
}

TEST(ScoreRendererMeasures, SingleMeasureColumnsShowEdgesLinesAndNumber)
{
    const auto document = documentOf(1);
    PassDrawing drawing(document);
    drawMeasures(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
                 drawing.target());
    // Lane edges overlap the lane's outer pixels; the opening and closing overhangs are drawn.
    const std::vector<SpriteRun> laneColumn{
        { kNoSprite, 0, 80 }, { 16, 80, 86 }, { 18, 86, 106 }, { 17, 106, 112 }
    };
    EXPECT_EQ(columnRuns(drawing.canvas, 0), laneColumn);
    EXPECT_EQ(columnRuns(drawing.canvas, 239), laneColumn);
    EXPECT_EQ(columnRuns(drawing.canvas, 240), (std::vector<SpriteRun>{ { kNoSprite, 0, 112 } }));
    // Bar lines reach from the top of the marker bands, beat lines from the lane top edge.
    EXPECT_EQ(columnRuns(drawing.canvas, 216),
              (std::vector<SpriteRun>{ { kNoSprite, 0, 62 }, { 21, 62, 112 } }));
    EXPECT_EQ(columnRuns(drawing.canvas, 47),
              (std::vector<SpriteRun>{ { kNoSprite, 0, 80 }, { 23, 80, 112 } }));
    EXPECT_EQ(columnRuns(drawing.canvas, 71),
              (std::vector<SpriteRun>{ { kNoSprite, 0, 80 }, { 22, 80, 112 } }));
    // The number 1 at (24, 74), over the bar line.
    EXPECT_EQ(footprintOf(drawing.canvas, 56), solid(24, 74, 6, 6));
    EXPECT_EQ(columnRuns(drawing.canvas, 24),
              (std::vector<SpriteRun>{
                  { kNoSprite, 0, 62 }, { 21, 62, 74 }, { 56, 74, 80 }, { 21, 80, 112 } }));
}

TEST(ScoreRendererMeasures, AbsentBranchLeavesNoGapBetweenLanes)
{
    const auto document = documentOf(1, { 4, 1.0, 5 });
    PassDrawing drawing(document);
    drawMeasures(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
                 drawing.target());
    EXPECT_EQ(columnRuns(drawing.canvas, 10),
              (std::vector<SpriteRun>{ { kNoSprite, 0, 80 },
                                       { 16, 80, 86 },
                                       { 18, 86, 108 },
                                       { 20, 108, 130 },
                                       { 17, 130, 136 } }));
    EXPECT_EQ(footprintOf(drawing.canvas, 19).pixels, 0);
    // The bar line is 2 * 24 + 26 = 74 pixels high, the beat lines 2 * 24 + 8.
    EXPECT_EQ(columnRuns(drawing.canvas, 23),
              (std::vector<SpriteRun>{ { kNoSprite, 0, 62 }, { 21, 62, 136 } }));
    EXPECT_EQ(columnRuns(drawing.canvas, 72),
              (std::vector<SpriteRun>{ { kNoSprite, 0, 80 }, { 22, 80, 136 } }));
}

TEST(ScoreRendererMeasures, MeasureNumbersOfTwoDigitsStandSixPixelsApart)
{
    const auto document = documentOf(12);
    PassDrawing drawing(document);
    drawMeasures(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
                 drawing.target());
    // Measures 10 and 11 lie in the third row (top 176) at left 408 and 600.
    EXPECT_EQ(
        rowRuns(drawing.canvas, 204, 400, 420),
        (std::vector<SpriteRun>{ { kNoSprite, 400, 407 }, { 21, 407, 408 }, { 56, 408, 420 } }));
    EXPECT_EQ(rowRuns(drawing.canvas, 204, 598, 614),
              (std::vector<SpriteRun>{ { kNoSprite, 598, 599 },
                                       { 21, 599, 600 },
                                       { 56, 600, 606 },
                                       { 57, 606, 612 },
                                       { kNoSprite, 612, 614 } }));
}

TEST(ScoreRendererMeasures, GogoSpanShadesFromItsStartToItsEndAcrossRows)
{
    auto document = documentOf(8);
    document.openGogoSpan({ 3, 960, 0 });
    static_cast<void>(document.closeGogoSpan({ 5, 480, 0 }));
    PassDrawing drawing(document);
    drawMeasures(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
                 drawing.target());
    // Measure 3 from the x of tick 960 to the end of the row, overhang included.
    EXPECT_EQ(rowRuns(drawing.canvas, 63),
              (std::vector<SpriteRun>{ { kNoSprite, 0, 23 },
                                       { 21, 23, 25 },
                                       { kNoSprite, 25, 215 },
                                       { 21, 215, 217 },
                                       { kNoSprite, 217, 407 },
                                       { 21, 407, 409 },
                                       { kNoSprite, 409, 599 },
                                       { 21, 599, 601 },
                                       { kNoSprite, 601, 696 },
                                       { 27, 696, 791 },
                                       { 21, 791, 793 },
                                       { 27, 793, 816 } }));
    // Measure 4 whole from x 0, measure 5 up to its left + 48.
    EXPECT_EQ(rowRuns(drawing.canvas, 127),
              (std::vector<SpriteRun>{ { 27, 0, 23 },
                                       { 21, 23, 25 },
                                       { 27, 25, 215 },
                                       { 21, 215, 217 },
                                       { 27, 217, 264 },
                                       { kNoSprite, 264, 407 },
                                       { 21, 407, 409 },
                                       { kNoSprite, 409, 599 },
                                       { 21, 599, 601 },
                                       { kNoSprite, 601, 791 },
                                       { 21, 791, 793 },
                                       { kNoSprite, 793, 816 } }));
    // The band fills Y + 14 to Y + 32, down to the lane's top edge.
    EXPECT_EQ(columnRuns(drawing.canvas, 700, 48, 90),
              (std::vector<SpriteRun>{
                  { kNoSprite, 48, 62 }, { 27, 62, 80 }, { 16, 80, 86 }, { 18, 86, 90 } }));
}

TEST(ScoreRendererMeasures, OpenGogoSpanShadesEveryMeasureToTheLast)
{
    auto document = documentOf(8);
    document.openGogoSpan({ 1, 480, 0 });
    PassDrawing drawing(document);
    drawMeasures(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
                 drawing.target());
    EXPECT_EQ(rowRuns(drawing.canvas, 63, 0, 420),
              (std::vector<SpriteRun>{ { kNoSprite, 0, 23 },
                                       { 21, 23, 25 },
                                       { kNoSprite, 25, 215 },
                                       { 21, 215, 217 },
                                       { kNoSprite, 217, 264 },
                                       { 27, 264, 407 },
                                       { 21, 407, 409 },
                                       { 27, 409, 420 } }));
    EXPECT_EQ(rowRuns(drawing.canvas, 127, 590, 816),
              (std::vector<SpriteRun>{ { 27, 590, 599 },
                                       { 21, 599, 601 },
                                       { 27, 601, 791 },
                                       { 21, 791, 793 },
                                       { 27, 793, 816 } }));
}

ChartDocument withGogo(std::initializer_list<std::pair<ChartPosition, ChartPosition>> spans)
{
    auto document = documentOf(8);
    for (const auto& [lower, upper] : spans)
        document.gogoSpans.emplace_back(lower, upper);
    return document;
}

TEST(ScoreRendererMeasures, GogoPiecesClipSpansToTheMeasure)
{
    struct Case {
        const char* name;
        ChartDocument document;
        std::uint32_t measure;
        std::vector<GogoSpan> pieces;
    };
    const ChartPosition open{ kChartEnd };
    const Case cases[] = {
        { "before the span", withGogo({ { { 3, 960, 0 }, { 5, 480, 0 } } }), 2, {} },
        { "the start measure",
          withGogo({ { { 3, 960, 0 }, { 5, 480, 0 } } }),
          3,
          { { { 3, 960, 0 }, { 4, 0, 0 } } } },
        { "a middle measure",
          withGogo({ { { 3, 960, 0 }, { 5, 480, 0 } } }),
          4,
          { { { 4, 0, 0 }, { 5, 0, 0 } } } },
        { "the end measure",
          withGogo({ { { 3, 960, 0 }, { 5, 480, 0 } } }),
          5,
          { { { 5, 0, 0 }, { 5, 480, 0 } } } },
        { "after the span", withGogo({ { { 3, 960, 0 }, { 5, 480, 0 } } }), 6, {} },
        { "ending on the bar line", withGogo({ { { 3, 960, 0 }, { 4, 0, 0 } } }), 4, {} },
        { "starting on the next bar line", withGogo({ { { 4, 0, 0 }, { 5, 0, 0 } } }), 3, {} },
        { "open to the end",
          withGogo({ { { 1, 480, 0 }, open } }),
          7,
          { { { 7, 0, 0 }, { 8, 0, 0 } } } },
        { "two in one measure",
          withGogo({ { { 2, 0, 0 }, { 2, 480, 0 } }, { { 2, 960, 0 }, open } }),
          2,
          { { { 2, 0, 0 }, { 2, 480, 0 } }, { { 2, 960, 0 }, { 3, 0, 0 } } } },
    };
    for (const auto& [name, document, measure, pieces] : cases) {
        SCOPED_TRACE(name);
        EXPECT_EQ(gogoPieces(ScoreLayout(document), document, measure), pieces);
    }
}

// "begingogo" twice and one "endgogo": the first stays open and the second closes inside it.
TEST(ScoreRendererMeasures, NestedGogoSpanOutsideTheMeasureIsSkipped)
{
    auto document = documentOf(8);
    document.openGogoSpan({ 0, 0, 0 });
    document.openGogoSpan({ 1, 0, 0 });
    static_cast<void>(document.closeGogoSpan({ 2, 0, 0 }));
    PassDrawing drawing(document);
    EXPECT_EQ(
        gogoPieces(drawing.layout, document, 1),
        (std::vector<GogoSpan>{ { { 1, 0, 0 }, { 2, 0, 0 } }, { { 1, 0, 0 }, { 2, 0, 0 } } }));
    // The closed span ends on measure 2's bar line and lies wholly before measure 3.
    EXPECT_EQ(gogoPieces(drawing.layout, document, 2),
              (std::vector<GogoSpan>{ { { 2, 0, 0 }, { 3, 0, 0 } } }));
    EXPECT_EQ(gogoPieces(drawing.layout, document, 3),
              (std::vector<GogoSpan>{ { { 3, 0, 0 }, { 4, 0, 0 } } }));
    ASSERT_NO_THROW(drawMeasures(drawing.layout, WholeBand(drawing.layout, document).contents(),
                                 testSheet(), drawing.target()));
    EXPECT_EQ(rowRuns(drawing.canvas, 63, 400, 420),
              (std::vector<SpriteRun>{ { 27, 400, 407 }, { 21, 407, 409 }, { 27, 409, 420 } }));
}

TEST(ScoreRendererMeasures, NothingIsDrawnWithoutMeasures)
{
    const ChartDocument document;
    PassDrawing drawing(document);
    drawMeasures(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
                 drawing.target());
    EXPECT_EQ(test::paintedPixels(drawing.canvas), 0);
}

TEST(ScoreRendererSpriteNumber, WritesEachCharacterWithItsDigitSet)
{
    struct Case {
        std::string_view text;
        SpriteId digitBase;
        std::optional<SpriteId> point;
        std::vector<SpriteRun> row;
    };
    const Case cases[] = {
        { "1.5",
          40,
          50,
          { { 41, 100, 106 }, { 50, 106, 112 }, { 45, 112, 118 }, { kNoSprite, 118, 140 } } },
        { "150.5",
          30,
          29,
          { { 31, 100, 106 },
            { 35, 106, 112 },
            { 30, 112, 118 },
            { 29, 118, 124 },
            { 35, 124, 130 },
            { kNoSprite, 130, 140 } } },
        { "90", 55, std::nullopt, { { 64, 100, 106 }, { 55, 106, 112 }, { kNoSprite, 112, 140 } } },
        // Characters without a sprite are left out and the rest close up.
        { "1,000",
          55,
          std::nullopt,
          { { 56, 100, 106 }, { 55, 106, 124 }, { kNoSprite, 124, 140 } } },
        { "2e+07",
          30,
          29,
          { { 32, 100, 106 }, { 30, 106, 112 }, { 37, 112, 118 }, { kNoSprite, 118, 140 } } },
        { "1.5",
          55,
          std::nullopt,
          { { 56, 100, 106 }, { 60, 106, 112 }, { kNoSprite, 112, 140 } } },
        { "", 55, std::nullopt, { { kNoSprite, 100, 140 } } },
    };
    for (const auto& [text, digitBase, point, row] : cases) {
        SCOPED_TRACE(text);
        PassDrawing drawing(documentOf(1));
        SpritePainter(testSheet(), drawing.target())
            .drawNumber(text, 100, 10, static_cast<Sprite>(digitBase),
                        point ? std::optional(static_cast<Sprite>(*point)) : std::nullopt);
        EXPECT_EQ(rowRuns(drawing.canvas, 12, 100, 140), row);
        EXPECT_EQ(columnRuns(drawing.canvas, 140),
                  (std::vector<SpriteRun>{ { kNoSprite, 0, 112 } }));
        if (!text.empty()) {
            EXPECT_EQ(columnRuns(drawing.canvas, 101, 0, 20),
                      (std::vector<SpriteRun>{ { kNoSprite, 0, 10 },
                                               { row[0].sprite, 10, 16 },
                                               { kNoSprite, 16, 20 } }));
        }
    }
}

} // namespace
} // namespace beatplate

namespace beatplate {
namespace {

// Every span that overlaps the measure, clipped to it, in the order the spans were opened.
std::vector<GogoSpan> overlappingPieces(const ChartDocument& document, std::uint32_t measure)
{
    const ChartPosition start{ measure, 0, 0 };
    const ChartPosition end{ measure + 1, 0, 0 };
    std::vector<GogoSpan> pieces;
    for (const GogoSpan& span : document.gogoSpans) {
        if (span.upper() > start && span.lower() < end)
            pieces.emplace_back(std::max(span.lower(), start), std::min(span.upper(), end));
    }
    return pieces;
}

TEST(ScoreRendererMeasures, GogoPiecesAreEveryOverlappingSpanOnRandomCharts)
{
    const std::uint32_t seed = std::random_device{}();
    std::cout << "gogo pieces seed " << seed << "\n";
    SCOPED_TRACE(testing::Message() << "seed " << seed);
    std::mt19937 random(seed);
    for (int chart = 0; chart < 200; ++chart) {
        // Opens and closes as a chart makes them: at a cursor that only moves forward.
        auto document = documentOf(12);
        std::uint32_t cursor = 0;
        for (int directive = 0; directive < 30 && cursor < 12; ++directive) {
            cursor += std::uniform_int_distribution<std::uint32_t>(0, 2)(random) / 2;
            const ChartPosition at{
                cursor, 480 * std::uniform_int_distribution<std::uint32_t>(0, 3)(random), 0
            };
            if (document.gogoSpans.empty() || random() % 2 == 0)
                document.openGogoSpan(at);
            else if (document.gogoSpans.back().lower() <= at)
                static_cast<void>(document.closeGogoSpan(at));
        }
        const ScoreLayout layout(document);
        for (std::uint32_t measure = 0; measure < 12; ++measure)
            ASSERT_EQ(gogoPieces(layout, document, measure), overlappingPieces(document, measure))
                << "chart " << chart << ", measure " << measure;
    }
}

TEST(ScoreRendererMeasures, EveryOpenGogoSpanCompositesItsBandOnce)
{
    // Five spans left open before measure 0 all cover measure 1; a translucent band shows
    // how often it was drawn.
    auto document = documentOf(2);
    for (int i = 0; i < 5; ++i)
        document.openGogoSpan({ 0, 0, 0 });
    PassDrawing drawing(document);
    const std::uint32_t band = 0x40123456u;
    const RectF rect = spriteRect(Sprite::GogoBand);
    Canvas sheet = testSheet();
    for (int y = static_cast<int>(rect.y); y < static_cast<int>(rect.y + rect.height); ++y) {
        for (int x = static_cast<int>(rect.x); x < static_cast<int>(rect.x + rect.width); ++x)
            sheet.row(y)[static_cast<std::size_t>(x)] = band;
    }
    drawMeasures(drawing.layout, WholeBand(drawing.layout, document).contents(), sheet,
                 drawing.target());
    std::uint32_t expected = 0; // the blank canvas above the lanes
    for (int i = 0; i < 5; ++i)
        expected = compositeOver(expected, band);
    const MeasurePlace& place = drawing.layout.places()[1];
    EXPECT_EQ(drawing.canvas.pixel(place.left + 30, place.top + 20), expected);
    EXPECT_NE(compositeOver(expected, band), expected); // a sixth draw would show
}

} // namespace
} // namespace beatplate
