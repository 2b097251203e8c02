#include "image/banded_picture.h"
#include "render/column_layout.h"
#include "render/column_picture.h"
#include "render/pass_test_support.h"
#include "render/sample_charts.h"
#include "render/score_renderer.h"
#include "support/random_chart.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

namespace beatplate::test {
namespace {

// Whether every pixel of x in [left, right) on rows [top, bottom) is colour.
bool filledWith(const Canvas& canvas, int left, int right, std::int64_t top, std::int64_t bottom,
                std::uint32_t colour)
{
    for (auto y = static_cast<int>(top); y < bottom; ++y) {
        const auto row = canvas.row(y).subspan(static_cast<std::size_t>(left),
                                               static_cast<std::size_t>(right - left));
        if (!std::ranges::all_of(row, [colour](std::uint32_t pixel) { return pixel == colour; }))
            return false;
    }
    return true;
}

// Each column of the page shows its rows of the one-column picture unchanged; the rest of the
// page is background, but for the dividers down the middle of the gaps.
void expectPageShowsItsRows(const ScoreLayout& layout, const ChartDocument& document,
                            const Canvas& one, const ColumnPage& page)
{
    const ColumnPicture picture(testSheet(), std::nullopt, layout, document, page);
    const Canvas drawn = wholeCanvas(bandsOf(picture));
    ASSERT_EQ(drawn.width(), page.width());
    ASSERT_EQ(drawn.height(), page.height());
    const auto background = testSpriteColour(idOf(Sprite::Background));
    for (std::size_t at = 0; at < page.columns.size(); ++at) {
        SCOPED_TRACE("column " + std::to_string(at));
        const PageColumn& column = page.columns[at];
        const int left = pageWidth(at + 1) - kPageWidth;
        const std::int64_t bottom = column.top + column.source.bottom - column.source.top;
        for (std::int64_t y = column.top; y < bottom; ++y) {
            const auto row =
                drawn.row(static_cast<int>(y))
                    .subspan(static_cast<std::size_t>(left), static_cast<std::size_t>(kPageWidth));
            const auto expected = one.row(static_cast<int>(y - column.top + column.source.top));
            ASSERT_TRUE(std::ranges::equal(row, expected)) << "row " << y;
        }
        EXPECT_TRUE(filledWith(drawn, left, left + kPageWidth, 0, column.top, background));
        EXPECT_TRUE(filledWith(drawn, left, left + kPageWidth, bottom, drawn.height(), background));
        if (at == 0)
            continue;
        const int gap = left - kColumnGap;
        const int divider = gap + (kColumnGap - kDividerWidth) / 2;
        EXPECT_TRUE(filledWith(drawn, gap, divider, 0, drawn.height(), background));
        EXPECT_TRUE(filledWith(drawn, divider, divider + kDividerWidth, 0, drawn.height(),
                               testSpriteColour(idOf(Sprite::BeatLine))));
        EXPECT_TRUE(
            filledWith(drawn, divider + kDividerWidth, left, 0, drawn.height(), background));
    }
}

// The pages' columns hold the one-column picture's rows in order, each whole, once.
void expectPagesCoverEveryRow(std::span<const std::int64_t> bounds,
                              const std::vector<ColumnPage>& pages)
{
    std::int64_t next = 0;
    for (const ColumnPage& page : pages) {
        for (const PageColumn& column : page.columns) {
            EXPECT_EQ(column.source.top, next == 0 ? 0 : next);
            EXPECT_TRUE(std::ranges::binary_search(bounds, column.source.bottom));
            next = column.source.bottom;
        }
    }
    EXPECT_EQ(next, bounds.back());
}

void expectColumnsAndPartsShowTheRows(const ChartDocument& document)
{
    const ScoreLayout layout(document);
    const Canvas one = ScoreRenderer(testSheet()).render(document);
    const auto bounds = rowBounds(layout);
    for (std::size_t columns = 1; columns <= 6; ++columns) {
        SCOPED_TRACE(std::to_string(columns) + " columns");
        const ColumnPage page = layOutColumns(bounds, columns);
        EXPECT_EQ(page.columns.size(), std::min(columns, bounds.size() - 1));
        expectPagesCoverEveryRow(bounds, { page });
        expectPageShowsItsRows(layout, document, one, page);
    }
    std::int64_t tallestRow = 0;
    for (std::size_t row = 0; row + 1 < bounds.size(); ++row)
        tallestRow = std::max(tallestRow, bounds[row + 1] - bounds[row]);
    for (const std::int64_t maxHeight : { tallestRow + bounds.front(), std::int64_t{ 500 } }) {
        for (const std::size_t columns : { 1u, 3u }) {
            SCOPED_TRACE("parts of " + std::to_string(columns) + " columns within "
                         + std::to_string(maxHeight));
            const auto pages = layOutPages(bounds, columns, std::max(maxHeight, tallestRow + 48));
            expectPagesCoverEveryRow(bounds, pages);
            for (const ColumnPage& page : pages) {
                EXPECT_LE(page.height(), std::max(maxHeight, tallestRow + 48));
                expectPageShowsItsRows(layout, document, one, page);
            }
        }
    }
}

TEST(ColumnPicture, ShowsEveryRowOfEveryChartWeKeepAsInOneColumn)
{
    for (const auto& chart : sampleCharts()) {
        SCOPED_TRACE(chart.string());
        if (const auto document = parsed(readFile(chart)))
            expectColumnsAndPartsShowTheRows(*document);
        if (HasFatalFailure())
            return;
    }
}

// BEATPLATE_COLUMN_SEED=N replays the chart of one seed.
TEST(ColumnPicture, ShowsEveryRowOfSeededRandomChartsAsInOneColumn)
{
    std::uint32_t first = 1;
    std::uint32_t count = 40;
    if (const char* seed = std::getenv("BEATPLATE_COLUMN_SEED")) {
        first = static_cast<std::uint32_t>(std::stoul(seed));
        count = 1;
    }
    for (std::uint32_t seed = first; seed < first + count; ++seed) {
        SCOPED_TRACE("BEATPLATE_COLUMN_SEED=" + std::to_string(seed));
        if (const auto document = parsed(randomChart(seed)))
            expectColumnsAndPartsShowTheRows(*document);
        if (HasFatalFailure())
            return;
    }
}

TEST(ColumnLayout, SharesRowsSoTheTallestColumnIsAsShortAsRowsAllow)
{
    struct Case {
        std::vector<std::int64_t> heights;
        std::size_t columns;
        std::size_t columnsPerPage;
        std::vector<std::size_t> ends;
    };
    const std::vector<Case> cases{
        // 176 and 128 beat 112 and 192: the header counts.
        { { 64, 64, 64, 64 }, 2, 2, { 2, 4 } },
        // No column left empty, the one of two rows as near the mean as the rest allows.
        { { 64, 64, 64, 64, 64, 64, 64 }, 6, 6, { 1, 2, 3, 4, 6, 7 } },
        { { 64, 64, 64 }, 5, 5, { 1, 2, 3, 3, 3 } },
        // A tall row of branches takes a column of its own.
        { { 64, 112, 64, 64 }, 3, 3, { 1, 2, 4 } },
        // Two pages of two: each page's first column has the header above it.
        { { 64, 64, 64, 64, 64, 64 }, 4, 2, { 1, 3, 4, 6 } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(::testing::PrintToString(c.heights) + " in " + std::to_string(c.columns));
        EXPECT_EQ(shareRows(c.heights, c.columns, c.columnsPerPage, kFirstRowTop), c.ends);
    }
}

TEST(ColumnLayout, AutoColumnsShowTheWholePictureLargestOnTheScreen)
{
    const auto rowsOf = [](int count) {
        std::vector<std::int64_t> bounds{ kFirstRowTop };
        for (int row = 0; row < count; ++row)
            bounds.push_back(bounds.back() + 64);
        return bounds;
    };
    struct Case {
        int rows;
        std::optional<int> maxWidth;
        std::size_t columns;
    };
    const std::vector<Case> cases{
        { 1, std::nullopt, 1 },
        { 16, std::nullopt, 1 }, // 1072 rows: shown whole at full size
        { 17, std::nullopt, 2 },
        { 50, std::nullopt, 3 }, // 2464 wide beats 1640 wide and 1648 tall
        { 50, 2000, 2 },
        { 50, 700, 1 },
        { 2500, std::nullopt, 19 }, // 15648 x 8448
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.rows) + " rows");
        EXPECT_EQ(autoColumns(rowsOf(c.rows), c.maxWidth), c.columns);
    }
}

} // namespace
} // namespace beatplate::test
