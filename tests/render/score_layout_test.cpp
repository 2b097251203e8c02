#include "render/score_layout.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace beatplate {
namespace {

ChartDocument documentOf(const std::vector<MeasureInfo>& measures)
{
    ChartDocument document;
    document.measures = measures;
    return document;
}

std::vector<MeasureInfo> repeated(int count, MeasureInfo measure = {})
{
    return std::vector<MeasureInfo>(static_cast<std::size_t>(count), measure);
}

std::vector<int> lefts(const ScoreLayout& layout)
{
    std::vector<int> result;
    for (const auto& place : layout.places())
        result.push_back(place.left);
    return result;
}

std::vector<int> tops(const ScoreLayout& layout)
{
    std::vector<int> result;
    for (const auto& place : layout.places())
        result.push_back(place.top);
    return result;
}

TEST(ScoreLayout, FourCommonTimeMeasuresFillOneRow)
{
    const auto layout = ScoreLayout(documentOf(repeated(4)));
    EXPECT_EQ(lefts(layout), (std::vector{ 24, 216, 408, 600 }));
    EXPECT_EQ(tops(layout), (std::vector{ 48, 48, 48, 48 }));
    EXPECT_EQ(layout.rowStarts(), (std::set<std::uint32_t>{ 0 }));
    EXPECT_EQ(layout.canvasHeight(), 112);
}

TEST(ScoreLayout, FifthMeasureStartsASecondRow)
{
    const auto layout = ScoreLayout(documentOf(repeated(5)));
    EXPECT_EQ(lefts(layout), (std::vector{ 24, 216, 408, 600, 24 }));
    EXPECT_EQ(tops(layout), (std::vector{ 48, 48, 48, 48, 112 }));
    EXPECT_EQ(layout.canvasHeight(), 176);
}

TEST(ScoreLayout, SixEightMeasuresAreNarrowerAndFiveFitARow)
{
    const auto layout = ScoreLayout(documentOf(repeated(6, { 6, 0.5, 0 })));
    EXPECT_EQ(lefts(layout), (std::vector{ 24, 168, 312, 456, 600, 24 }));
    EXPECT_EQ(layout.rowStarts(), (std::set<std::uint32_t>{ 0, 5 }));
}

TEST(ScoreLayout, RowBreaksOnlyWhenStrictlyLongerThanSixteenQuarters)
{
    // 4 + 4 + 4 + 3 + 1 = 16 quarters: one row; 4 + 4 + 4 + 4 + 0.5 breaks before the last.
    const auto exact = ScoreLayout(documentOf({ {}, {}, {}, { 3, 1.0, 0 }, { 1, 1.0, 0 } }));
    EXPECT_EQ(exact.rowStarts(), (std::set<std::uint32_t>{ 0 }));
    const auto over = ScoreLayout(documentOf({ {}, {}, {}, {}, { 1, 0.5, 0 } }));
    EXPECT_EQ(over.rowStarts(), (std::set<std::uint32_t>{ 0, 4 }));
}

TEST(ScoreLayout, ForcedBreakRestartsTheRowCount)
{
    auto document = documentOf(repeated(6, { 2, 1.0, 0 }));
    document.events.insert({ ChartEventKind::LineBreak, 0, { 2, 0, 0 } });
    const auto layout = ScoreLayout(document);
    // Measures 2..5 (8 quarters) fit after the break, so no further break follows.
    EXPECT_EQ(layout.rowStarts(), (std::set<std::uint32_t>{ 0, 2 }));
    EXPECT_EQ(lefts(layout), (std::vector{ 24, 120, 24, 120, 216, 312 }));
    EXPECT_EQ(tops(layout), (std::vector{ 48, 48, 112, 112, 112, 112 }));
}

TEST(ScoreLayout, BreaksAtMeasureZeroOrBeyondTheEndChangeNothing)
{
    auto document = documentOf(repeated(3));
    document.events.insert({ ChartEventKind::LineBreak, 0, { 0, 0, 0 } });
    document.events.insert({ ChartEventKind::LineBreak, 0, { 7, 0, 0 } });
    const auto layout = ScoreLayout(document);
    EXPECT_EQ(tops(layout), (std::vector{ 48, 48, 48 }));
    EXPECT_EQ(layout.canvasHeight(), 112);
}

TEST(ScoreLayout, RowHeightFollowsTheLastMeasureOfTheRow)
{
    struct Case {
        std::int32_t lastMask;
        int height;
    };
    for (const auto& [lastMask, height] : { Case{ 0, 112 }, Case{ 1, 112 }, Case{ 4, 112 },
                                            Case{ 5, 136 }, Case{ 6, 136 }, Case{ 7, 160 } }) {
        SCOPED_TRACE(lastMask);
        const auto layout = ScoreLayout(documentOf({ { 4, 1.0, 7 }, { 4, 1.0, lastMask } }));
        EXPECT_EQ(layout.canvasHeight(), height);
    }
    // The second row's top comes from the first row's last measure (three lanes).
    const auto twoRows = ScoreLayout(documentOf({ { 16, 1.0, 7 }, { 4, 1.0, 0 } }));
    EXPECT_EQ(tops(twoRows), (std::vector{ 48, 160 }));
    EXPECT_EQ(twoRows.canvasHeight(), 224);
}

TEST(ScoreLayout, MeasureLongerThanARowStandsAlone)
{
    const auto layout = ScoreLayout(documentOf({ {}, { 20, 1.0, 0 }, {} }));
    EXPECT_EQ(layout.rowStarts(), (std::set<std::uint32_t>{ 0, 1, 2 }));
    EXPECT_EQ(tops(layout), (std::vector{ 48, 112, 176 }));
}

TEST(ScoreLayout, EmptyChartGetsOneEmptyRow)
{
    const auto layout = ScoreLayout(ChartDocument{});
    EXPECT_TRUE(layout.places().empty());
    EXPECT_EQ(layout.rowStarts(), (std::set<std::uint32_t>{ 0 }));
    EXPECT_EQ(layout.canvasHeight(), 112);
}

TEST(ScoreLayout, NotePointsSitInTheLaneOfTheirBranch)
{
    struct Case {
        std::int32_t mask;
        ChartPosition position;
        PointF point;
    };
    const Case cases[] = {
        { 0, { 1, 960, 0 }, { 312, 96 } }, { 0, { 1, 1919, 0 }, { 407, 96 } },
        { 6, { 1, 0, 2 }, { 216, 96 } },   { 6, { 1, 0, 4 }, { 216, 120 } },
        { 7, { 1, 0, 1 }, { 216, 96 } },   { 7, { 1, 0, 2 }, { 216, 120 } },
        { 7, { 1, 0, 4 }, { 216, 144 } },  { 5, { 1, 0, 4 }, { 216, 120 } },
        { 7, { 1, 0, 7 }, { 216, 96 } }, // a mask is no lane selector
    };
    for (const auto& [mask, position, point] : cases) {
        SCOPED_TRACE(testing::Message() << "mask " << mask << " branch " << position.branch);
        const auto layout = ScoreLayout(documentOf({ { 4, 1.0, mask }, { 4, 1.0, mask } }));
        EXPECT_EQ(layout.notePoint(position), point);
    }
}

TEST(ScoreLayout, NotePointIgnoresBeatLength)
{
    const auto layout = ScoreLayout(documentOf({ { 6, 0.5, 0 } }));
    EXPECT_EQ(layout.notePoint({ 0, 480, 0 }), (PointF{ 72, 96 }));
}

TEST(ScoreLayout, AdvancePositionWalksAcrossMeasureEnds)
{
    const auto layout = ScoreLayout(documentOf({ {}, {}, { 3, 1.0, 0 } }));
    struct Case {
        ChartPosition start;
        std::uint32_t ticks;
        ChartPosition end;
    };
    const Case cases[] = {
        { { 0, 1440, 0 }, 480, { 0, 1920, 0 } }, // on the bar line: stays in the earlier measure
        { { 0, 1440, 0 }, 481, { 1, 1, 0 } },      { { 0, 960, 2 }, 0, { 0, 960, 2 } },
        { { 0, 0, 0 }, 3840, { 1, 1920, 0 } },     { { 0, 0, 4 }, 3841, { 2, 1, 4 } },
        { { 1, 100, 0 }, 100000, { 2, 1440, 0 } }, // past the end: end of the last measure
        { { 9, 0, 1 }, 5, { 2, 1440, 1 } }, // starting beyond the chart
    };
    for (const auto& [start, ticks, end] : cases) {
        SCOPED_TRACE(testing::Message() << start.measure << ":" << start.tick << "+" << ticks);
        EXPECT_EQ(layout.advancePosition(start, ticks), end);
    }
}

// Width and ticks each keep their own order of operations: 7 beats of 4/3 are 448 pixels wide
// but 4479 ticks long, as (7 x 4/3) x 480 falls just short of 4480.
TEST(ScoreLayout, KeepsEachMeasuresWidthAndTicks)
{
    const auto layout = ScoreLayout(documentOf({ { 7, 4.0 / 3, 0 }, { 6, 0.5, 0 } }));
    std::vector<std::pair<double, std::uint32_t>> sizes;
    for (const auto& place : layout.places())
        sizes.emplace_back(place.width, place.ticks);
    EXPECT_EQ(sizes,
              (std::vector<std::pair<double, std::uint32_t>>{ { 448.0, 4479 }, { 144.0, 1440 } }));
    EXPECT_EQ(lefts(layout), (std::vector{ 24, 472 }));
    EXPECT_EQ(layout.advancePosition({ 0, 4000, 0 }, 479), (ChartPosition{ 0, 4479, 0 }));
    EXPECT_EQ(layout.advancePosition({ 0, 4000, 0 }, 480), (ChartPosition{ 1, 1, 0 }));
}

} // namespace
} // namespace beatplate
