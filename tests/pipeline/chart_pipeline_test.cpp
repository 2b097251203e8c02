#include "chart/chart_reading.h"
#include "pipeline/chart_pipeline.h"
#include "pipeline/picture_tools.h"
#include "support/png_file.h"
#include "support/test_sheet.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

namespace beatplate {
namespace {

// Counts what the pipeline asks for; the sheet is the test sheet, or none.
class CountingTools final : public PictureTools {
public:
    explicit CountingTools(bool hasSheet)
        : m_hasSheet(hasSheet)
    {
    }

    [[nodiscard]] const Canvas* spriteSheet() override
    {
        ++sheetRequests;
        return m_hasSheet ? &m_sheet : nullptr;
    }
    [[nodiscard]] const HeaderFont* headerFont() override
    {
        ++fontRequests;
        return nullptr;
    }

    int sheetRequests = 0;
    int fontRequests = 0;

private:
    bool m_hasSheet;
    Canvas m_sheet = test::makeTestSheet();
};

TEST(ChartPipeline, TakesTheSheetAndTheFaceOnlyToDrawThenPutsTheTextInItsChunk)
{
    ChartReading reading = readChart(u"#title a\noooo\n", ChartScope::FirstError);
    ASSERT_FALSE(reading.hasErrors());
    ChartPipeline chart(reading.document, std::move(reading.text));
    CountingTools tools(true);
    EXPECT_FALSE(chart.fitPicture());
    EXPECT_EQ(tools.sheetRequests + tools.fontRequests, 0);
    std::vector<std::uint8_t> png;
    PngSink sink(png);
    EXPECT_FALSE(chart.drawPicture(tools, sink));
    EXPECT_EQ(tools.sheetRequests, 1);
    EXPECT_EQ(tools.fontRequests, 1);
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
    CountingTools tools(false);
    std::vector<std::uint8_t> png;
    PngSink sink(png);
    const auto failure = chart.drawPicture(tools, sink);
    ASSERT_TRUE(failure);
    EXPECT_EQ(failure->kind, PipelineErrorKind::SheetUnreadable);
    EXPECT_TRUE(png.empty());
}

} // namespace
} // namespace beatplate
