#include "chart/chart_reading.h"
#include "pipeline/chart_pipeline.h"
#include "pipeline/picture_tools.h"
#include "support/png_file.h"
#include "support/test_sheet.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace beatplate {
namespace {

TEST(ChartPipeline, DrawsWithTheCallersSheetAndPutsTheTextInItsChunk)
{
    ChartReading reading = readChart(u"#title a\noooo\n", ChartScope::FirstError);
    ASSERT_FALSE(reading.hasErrors());
    ChartPipeline chart(reading.document, std::move(reading.text));
    EXPECT_FALSE(chart.fitPicture());
    const Canvas sheet = test::makeTestSheet();
    std::vector<std::uint8_t> png;
    PngSink sink(png);
    EXPECT_FALSE(chart.drawPicture({ &sheet, nullptr }, sink));
    const test::DecodedPng decoded = test::decodePng(png);
    const auto* chunk = decoded.findChunk("bpLt");
    ASSERT_NE(chunk, nullptr);
    // The reader ends the text with the empty line after the last line end.
    EXPECT_EQ(chunk->data, test::sourceChunkOf(u"#title a\noooo\n\n"));
}

TEST(ChartPipeline, ReportsASheetItCannotDrawWith)
{
    const ChartReading reading = readChart(u"oooo\n", ChartScope::FirstError);
    ChartPipeline chart(reading.document, reading.text);
    std::vector<std::uint8_t> png;
    PngSink sink(png);
    const auto failure = chart.drawPicture({}, sink);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, PipelineErrorKind::SheetUnreadable);
    EXPECT_TRUE(png.empty());
}

// Each measure's time, the lines that fill it and its place, from the layout in one column and
// in three; the chart has a tempo change inside a measure and a branched row of three lanes.
TEST(ChartPipeline, FiguresPlaceEveryMeasureInTimeInTheTextAndOnThePicture)
{
    const std::string text = "#bpm 120\noooo\noooo\noooo\n#bpm 60 4 8\noooo\noooo\n"
                             "#branch ooo\no\nx\nO\n";
    const ChartReading chart = readChart(text, { ChartScope::FirstError, std::nullopt });
    ASSERT_FALSE(chart.hasErrors());
    struct Expected {
        std::size_t measure;
        double start;
        double seconds;
        std::array<std::int32_t, 3> lines;
        MeasurePicturePlace place;
    };
    const struct {
        PictureForm form;
        std::vector<Expected> measures;
    } cases[] = {
        { {},
          { { 0, 0, 2, { 2, 2, 2 }, { 0, 0, 0, 24, 48, 64, 0.1 } },
            { 3, 6, 3, { 6, 6, 6 }, { 0, 0, 0, 600, 48, 64, 0.1 } },
            { 4, 9, 4, { 7, 7, 7 }, { 0, 0, 1, 24, 112, 64, 0.1 } },
            { 5, 13, 4, { 9, 10, 11 }, { 0, 0, 2, 24, 176, 112, 0.1 } } } },
        { { 3, std::nullopt },
          { { 3, 6, 3, { 6, 6, 6 }, { 0, 0, 0, 600, 48, 64, 0.1 } },
            { 4, 9, 4, { 7, 7, 7 }, { 0, 1, 1, 824 + 24, 0, 64, 0.1 } },
            { 5, 13, 4, { 9, 10, 11 }, { 0, 2, 2, 2 * 824 + 24, 0, 112, 0.1 } } } },
    };
    for (const auto& [form, measures] : cases) {
        SCOPED_TRACE(form.columns);
        ChartStats stats = chart.figures();
        placeOnPicture(stats, chart.document, form);
        ASSERT_EQ(stats.timeline.size(), 6u);
        for (const Expected& expected : measures) {
            SCOPED_TRACE(expected.measure);
            const MeasureTime& measure = stats.timeline[expected.measure];
            EXPECT_DOUBLE_EQ(measure.start, expected.start);
            EXPECT_DOUBLE_EQ(measure.seconds, expected.seconds);
            EXPECT_EQ(measure.lines, expected.lines);
            EXPECT_EQ(measure.place, expected.place);
        }
    }
}

} // namespace
} // namespace beatplate
