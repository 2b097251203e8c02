#include "chart/chart_parser.h"
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

ChartPipeline readBytes(std::string bytes, DiagnosticScope scope,
                        std::optional<PipelineError>& error)
{
    ChartPipeline chart(ChartSource::bytes(std::move(bytes), ChartEncoding::Cp932));
    EXPECT_FALSE(chart.open());
    error = chart.read(scope);
    return chart;
}

TEST(ChartPipeline, GivesAChartsFirstErrorItsKindWhateverItsText)
{
    const struct {
        const char* name;
        std::string bytes;
        PipelineErrorKind kind;
        std::size_t errorsFoundWhole; // by a read of the whole chart
    } cases[] = {
        { "an unknown directive", "o\n#bmp 1\n#bmp 2\n", PipelineErrorKind::ChartError, 2 },
        { "undecodable bytes", "o\xFF\n\xFFo\n", PipelineErrorKind::ChartEncoding, 2 },
        { "a chart too long", std::string(kMaxChartLength + 1, '\n'),
          PipelineErrorKind::ChartTooLong, 1 },
    };
    for (const auto& [name, bytes, kind, errorsFoundWhole] : cases) {
        SCOPED_TRACE(name);
        for (const auto scope : { DiagnosticScope::FirstError, DiagnosticScope::WholeChart }) {
            std::optional<PipelineError> error;
            const ChartPipeline chart = readBytes(bytes, scope, error);
            ASSERT_TRUE(error);
            EXPECT_EQ(error->kind, kind);
            EXPECT_TRUE(error->isChartError());
            ASSERT_TRUE(error->diagnostic);
            EXPECT_EQ(error->diagnostic->message, error->message);
            EXPECT_EQ(chart.diagnostics().size(),
                      scope == DiagnosticScope::WholeChart ? errorsFoundWhole : 1u);
        }
    }
}

TEST(ChartPipeline, TakesTheSheetAndTheFaceOnlyToDrawThenPutsTheTextInItsChunk)
{
    std::optional<PipelineError> error;
    ChartPipeline chart = readBytes("#title a\noooo\n", DiagnosticScope::FirstError, error);
    ASSERT_FALSE(error);
    CountingTools tools(true);
    EXPECT_EQ(chart.figures("a.txt").stats.measures, 1u);
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

TEST(ChartPipeline, ReportsAMissingChartAndASheetItCannotDrawWith)
{
    test::TempDir dir;
    for (const auto& path : { dir / "missing.txt", dir.path() }) {
        ChartPipeline missing(ChartSource::file(path, std::nullopt));
        const auto error = missing.open();
        ASSERT_TRUE(error);
        EXPECT_EQ(error->kind, PipelineErrorKind::ChartMissing);
        EXPECT_EQ(error->path, path);
    }
    std::optional<PipelineError> error;
    ChartPipeline chart = readBytes("oooo\n", DiagnosticScope::FirstError, error);
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

namespace beatplate {
namespace {

// Each measure's time, the lines that fill it and its place, from the layout in one column and
// in three; the chart has a tempo change inside a measure and a branched row of three lanes.
TEST(ChartPipeline, FiguresPlaceEveryMeasureInTimeInTheTextAndOnThePicture)
{
    const std::string text = "#bpm 120\noooo\noooo\noooo\n#bpm 60 4 8\noooo\noooo\n"
                             "#branch ooo\no\nx\nO\n";
    std::optional<PipelineError> error;
    ChartPipeline chart = readBytes(text, DiagnosticScope::FirstError, error);
    ASSERT_FALSE(error);
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
        const ChartStats stats = chart.figures("a.txt", form).stats;
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
