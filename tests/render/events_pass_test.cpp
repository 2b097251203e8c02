#include "pass_test_support.h"
#include "render/events_pass.h"
#include "render/measures_pass.h"

#include <gtest/gtest.h>

namespace beatplate {
namespace {

using test::columnRuns;
using test::documentOf;
using test::footprintOf;
using test::kNoSprite;
using test::paintedPixels;
using test::PassDrawing;
using test::rowRuns;
using test::solid;
using test::SpriteRun;
using test::testSheet;

ChartEvent tempo(std::int32_t value, ChartPosition position)
{
    return { ChartEventKind::Tempo, value, position };
}

ChartEvent scrollSpeed(std::int32_t value, ChartPosition position)
{
    return { ChartEventKind::ScrollSpeed, value, position };
}

// Three 4/4 measures in one row: lefts 24, 216 and 408, top 48.
PassDrawing drawnEvents(std::initializer_list<ChartEvent> events, int measureCount = 3)
{
    auto document = documentOf(measureCount);
    for (const auto& event : events)
        document.events.insert(event);
    PassDrawing drawing(document);
    drawEvents(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
               drawing.target());
    return drawing;
}

TEST(ScoreRendererEvents, MarkersWriteLabelAndValueInTheirBand)
{
    struct Case {
        const char* name;
        ChartEvent event;
        int y;
        int from;
        int to;
        std::vector<SpriteRun> row;
    };
    const Case cases[] = {
        { "tempo 150 at tick 0",
          tempo(15000, { 0, 0, 0 }),
          70,
          0,
          64,
          { { kNoSprite, 0, 24 },
            { 28, 24, 42 },
            { 31, 42, 48 },
            { 35, 48, 54 },
            { 30, 54, 60 },
            { kNoSprite, 60, 64 } } },
        { "tempo 150.5 inside measure 2, after its change line",
          tempo(15050, { 2, 480, 0 }),
          70,
          450,
          510,
          { { kNoSprite, 450, 455 },
            { 25, 455, 456 },
            { 28, 456, 474 },
            { 31, 474, 480 },
            { 35, 480, 486 },
            { 30, 486, 492 },
            { 29, 492, 498 },
            { 35, 498, 504 },
            { kNoSprite, 504, 510 } } },
        { "scroll speed 1.5 for every branch",
          scrollSpeed(150, { 0, 0, 0 }),
          64,
          0,
          60,
          { { kNoSprite, 0, 24 },
            { 51, 24, 36 },
            { 41, 36, 42 },
            { 50, 42, 48 },
            { 45, 48, 54 },
            { kNoSprite, 54, 60 } } },
        { "scroll speed -1.5: the minus before the digits",
          scrollSpeed(-150, { 0, 0, 0 }),
          64,
          0,
          66,
          { { kNoSprite, 0, 24 },
            { 51, 24, 36 },
            { 65, 36, 42 },
            { 41, 42, 48 },
            { 50, 48, 54 },
            { 45, 54, 60 },
            { kNoSprite, 60, 66 } } },
        { "a negative tempo, which no chart gives, has no minus sprite",
          tempo(-15000, { 0, 0, 0 }),
          70,
          0,
          64,
          { { kNoSprite, 0, 24 },
            { 28, 24, 42 },
            { 31, 42, 48 },
            { 35, 48, 54 },
            { 30, 54, 60 },
            { kNoSprite, 60, 64 } } },
        { "scroll speed 2 for branches 1 and 4",
          scrollSpeed(200, { 0, 0, 5 }),
          64,
          0,
          60,
          { { kNoSprite, 0, 24 },
            { 52, 24, 30 },
            { 54, 30, 36 },
            { 51, 36, 48 },
            { 42, 48, 54 },
            { kNoSprite, 54, 60 } } },
        { "scroll speed 1.5 for branch 2 inside measure 1",
          scrollSpeed(150, { 1, 480, 2 }),
          64,
          255,
          310,
          { { kNoSprite, 255, 263 },
            { 25, 263, 264 },
            { 53, 264, 270 },
            { 51, 270, 282 },
            { 41, 282, 288 },
            { 50, 288, 294 },
            { 45, 294, 300 },
            { kNoSprite, 300, 310 } } },
    };
    for (const auto& [name, event, y, from, to, row] : cases) {
        SCOPED_TRACE(name);
        const auto drawing = drawnEvents({ event });
        EXPECT_EQ(rowRuns(drawing.canvas, y, from, to), row);
        // The band is 6 pixels high: just above and below it only a change line shows.
        for (const int outside : { y - 3, y + 4 }) {
            for (const auto& run : rowRuns(drawing.canvas, outside))
                EXPECT_TRUE(run.sprite == kNoSprite || run.sprite == 25) << outside << ": " << run;
        }
    }
}

TEST(ScoreRendererEvents, ChangeLineOnlyInsideAMeasure)
{
    const auto atBarLine =
        drawnEvents({ tempo(15000, { 1, 0, 0 }), scrollSpeed(150, { 2, 0, 0 }) });
    EXPECT_EQ(footprintOf(atBarLine.canvas, 25).pixels, 0);

    const auto inside = drawnEvents({ tempo(15050, { 2, 480, 0 }) });
    EXPECT_EQ(columnRuns(inside.canvas, 455),
              (std::vector<SpriteRun>{ { kNoSprite, 0, 62 }, { 25, 62, 112 } }));
    // The label covers the line's right column in the tempo band.
    EXPECT_EQ(columnRuns(inside.canvas, 456),
              (std::vector<SpriteRun>{
                  { kNoSprite, 0, 62 }, { 25, 62, 68 }, { 28, 68, 74 }, { 25, 74, 112 } }));
}

TEST(ScoreRendererEvents, TempoAndScrollSpeedAtOnePositionKeepApart)
{
    const auto drawing = drawnEvents({ tempo(15000, { 0, 0, 0 }), scrollSpeed(150, { 0, 0, 0 }) });
    EXPECT_EQ(footprintOf(drawing.canvas, 28), solid(24, 68, 18, 6));
    EXPECT_EQ(footprintOf(drawing.canvas, 51), solid(24, 62, 12, 6));
    EXPECT_EQ(footprintOf(drawing.canvas, 45), solid(48, 62, 6, 6));
    EXPECT_EQ(footprintOf(drawing.canvas, 30), solid(54, 68, 6, 6));
}

TEST(ScoreRendererEvents, LaterTempoAtOnePositionIsDrawnOverTheEarlier)
{
    const auto drawing = drawnEvents({ tempo(15000, { 0, 0, 0 }), tempo(12000, { 0, 0, 0 }) });
    EXPECT_EQ(rowRuns(drawing.canvas, 70, 42, 60),
              (std::vector<SpriteRun>{ { 31, 42, 48 }, { 32, 48, 54 }, { 30, 54, 60 } }));
}

TEST(ScoreRendererEvents, BranchStartCoversTheBarLineWhateverItsTick)
{
    struct Case {
        const char* name;
        ChartDocument document;
        ChartPosition position;
        int x;
        std::vector<SpriteRun> column;
    };
    const Case cases[] = {
        { "first measure of the second row",
          documentOf(5),
          { 4, 0, 0 },
          23,
          { { kNoSprite, 112, 126 }, { 24, 126, 176 } } },
        { "its number's column too",
          documentOf(5),
          { 4, 0, 0 },
          24,
          { { kNoSprite, 112, 126 }, { 24, 126, 176 } } },
        { "tick 960 of measure 1",
          documentOf(5),
          { 1, 960, 0 },
          215,
          { { kNoSprite, 48, 62 }, { 24, 62, 112 } } },
        { "three lanes",
          documentOf(1, { 4, 1.0, 7 }),
          { 0, 0, 0 },
          23,
          { { kNoSprite, 48, 62 }, { 24, 62, 160 } } },
    };
    for (auto [name, document, position, x, column] : cases) {
        SCOPED_TRACE(name);
        document.events.insert({ ChartEventKind::BranchStart, 0, position });
        PassDrawing drawing(document);
        drawMeasures(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
                     drawing.target());
        drawEvents(drawing.layout, WholeBand(drawing.layout, document).contents(), testSheet(),
                   drawing.target());
        EXPECT_EQ(columnRuns(drawing.canvas, x, column.front().from, column.back().to), column);
    }
}

TEST(ScoreRendererEvents, DrawsNothingForLineBreaksStrayKindsAndMissingMeasures)
{
    EXPECT_EQ(paintedPixels(drawnEvents({ { ChartEventKind::LineBreak, 0, { 1, 0, 0 } } })), 0);
    EXPECT_EQ(
        paintedPixels(drawnEvents({ { static_cast<ChartEventKind>(7), 15000, { 0, 0, 0 } } })), 0);
    // Directives after the last completed measure.
    EXPECT_EQ(paintedPixels(drawnEvents(
                  { tempo(15000, { 3, 0, 0 }), { ChartEventKind::BranchStart, 0, { 3, 0, 0 } } })),
              0);
    EXPECT_EQ(paintedPixels(drawnEvents({ tempo(15000, { 0, 0, 0 }),
                                          scrollSpeed(150, { 0, 480, 0 }),
                                          { ChartEventKind::BranchStart, 0, { 0, 0, 0 } } },
                                        0)),
              0);
}

} // namespace
} // namespace beatplate
