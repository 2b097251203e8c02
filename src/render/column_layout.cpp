#include "render/column_layout.h"

#include <algorithm>
#include <cassert>
#include <numeric>

namespace beatplate {

namespace {

// Rows of given heights in columns, columnsPerPage to a page, none taller than a limit.
class RowSharing {
public:
    RowSharing(std::span<const std::int64_t> heights, std::size_t columns,
               std::size_t columnsPerPage, std::int64_t headerRows)
        : m_heights(heights)
        , m_columns(columns)
        , m_columnsPerPage(columnsPerPage)
        , m_headerRows(headerRows)
    {
    }

    [[nodiscard]] std::int64_t overhead(std::size_t column) const
    {
        return column % m_columnsPerPage == 0 ? m_headerRows : 0;
    }

    // Whether rows [row, end) fit the columns from column on, each filled as far as it goes:
    // a column that reaches further never leaves the rest more to do.
    [[nodiscard]] bool fits(std::size_t row, std::size_t column, std::int64_t limit) const
    {
        if (row == m_heights.size())
            return true;
        if (column == m_columns)
            return false;
        std::int64_t used = overhead(column);
        if (used + m_heights[row] > limit)
            return false;
        for (; row < m_heights.size(); ++row) {
            if (used + m_heights[row] > limit) {
                if (++column == m_columns)
                    return false;
                used = overhead(column);
                if (used + m_heights[row] > limit)
                    return false;
            }
            used += m_heights[row];
        }
        return true;
    }

    // The least height of the tallest column.
    [[nodiscard]] std::int64_t leastLimit() const
    {
        std::int64_t low = m_headerRows + m_heights.front();
        for (const std::int64_t height : m_heights)
            low = std::max(low, height);
        std::int64_t high =
            m_headerRows + std::accumulate(m_heights.begin(), m_heights.end(), std::int64_t{ 0 });
        while (low < high) {
            const std::int64_t middle = low + (high - low) / 2;
            if (fits(0, 0, middle))
                high = middle;
            else
                low = middle + 1;
        }
        return low;
    }

    // Each column takes rows up to the mean of what is left, as long as the rest still fits
    // the limit, and leaves at least one row for every column after it.
    [[nodiscard]] std::vector<std::size_t> share(std::int64_t limit) const
    {
        const std::size_t count = m_heights.size();
        std::vector<std::int64_t> after(count + 1, 0); // rows' height from each row on
        for (std::size_t row = count; row-- > 0;)
            after[row] = after[row + 1] + m_heights[row];
        std::vector<std::size_t> ends;
        std::size_t row = 0;
        for (std::size_t column = 0; column < m_columns; ++column) {
            const std::size_t columnsLeft = m_columns - column;
            std::int64_t overheads = 0;
            for (std::size_t later = column; later < m_columns; ++later)
                overheads += overhead(later);
            const double target =
                static_cast<double>(after[row] + overheads) / static_cast<double>(columnsLeft);
            const std::size_t rowsLeft = count - row;
            const std::size_t most = rowsLeft >= columnsLeft ? rowsLeft - (columnsLeft - 1) : 1;
            const std::size_t first = row;
            std::int64_t used = overhead(column);
            for (; row < count; ++row) {
                const std::int64_t height = m_heights[row];
                if (row > first && used + height > limit)
                    break;
                const bool enough = row - first >= most
                    || static_cast<double>(used) + static_cast<double>(height) / 2 > target;
                if (row > first && enough && fits(row, column + 1, limit))
                    break;
                used += height;
            }
            ends.push_back(row);
        }
        return ends;
    }

private:
    std::span<const std::int64_t> m_heights;
    std::size_t m_columns;
    std::size_t m_columnsPerPage;
    std::int64_t m_headerRows;
};

std::vector<std::int64_t> heightsOf(std::span<const std::int64_t> bounds)
{
    std::vector<std::int64_t> heights;
    for (std::size_t row = 0; row + 1 < bounds.size(); ++row)
        heights.push_back(bounds[row + 1] - bounds[row]);
    return heights;
}

// Pages of columnsPerPage columns from where each column's rows end; empty columns are left out.
std::vector<ColumnPage> pagesOf(std::span<const std::int64_t> bounds,
                                std::span<const std::size_t> ends, std::size_t columnsPerPage)
{
    std::vector<ColumnPage> pages;
    std::size_t first = 0;
    for (std::size_t column = 0; column < ends.size(); ++column) {
        const std::size_t end = ends[column];
        if (end == first)
            continue;
        const bool opensPage = column % columnsPerPage == 0;
        if (opensPage)
            pages.emplace_back();
        // The first page's header is the one-column picture's, above its first row.
        const std::int64_t top = opensPage && first == 0 ? 0 : bounds[first];
        const std::int64_t placed = opensPage && first != 0 ? bounds.front() : 0;
        pages.back().columns.push_back({ { top, bounds[end] }, placed });
        first = end;
    }
    return pages;
}

} // namespace

int ColumnPage::width() const
{
    return pageWidth(columns.size());
}

std::int64_t ColumnPage::height() const
{
    std::int64_t height = 0;
    for (const PageColumn& column : columns)
        height = std::max(height, column.top + column.source.bottom - column.source.top);
    return height;
}

int pageWidth(std::size_t columns)
{
    assert(columns > 0);
    return static_cast<int>(columns) * (kPageWidth + kColumnGap) - kColumnGap;
}

std::vector<std::int64_t> rowBounds(const ScoreLayout& layout)
{
    std::vector<std::int64_t> bounds;
    for (const std::uint32_t measure : layout.rowStarts()) {
        if (measure < layout.places().size())
            bounds.push_back(layout.places()[measure].top);
    }
    if (bounds.empty())
        bounds.push_back(kFirstRowTop);
    bounds.push_back(layout.canvasHeight());
    return bounds;
}

std::vector<std::size_t> shareRows(std::span<const std::int64_t> heights, std::size_t columns,
                                   std::size_t columnsPerPage, std::int64_t headerRows)
{
    assert(!heights.empty() && columns > 0 && columnsPerPage > 0);
    const RowSharing sharing(heights, columns, columnsPerPage, headerRows);
    return sharing.share(sharing.leastLimit());
}

ColumnPage layOutColumns(std::span<const std::int64_t> bounds, std::size_t columns)
{
    const std::vector<std::int64_t> heights = heightsOf(bounds);
    columns = std::min(columns, heights.size());
    const auto ends = shareRows(heights, columns, columns, bounds.front());
    return pagesOf(bounds, ends, columns).front();
}

std::vector<ColumnPage> layOutPages(std::span<const std::int64_t> bounds, std::size_t columns,
                                    std::int64_t maxHeight)
{
    const std::vector<std::int64_t> heights = heightsOf(bounds);
    // Filled column by column as far as each goes, the rows need the fewest pages.
    std::size_t pages = 1;
    while (!RowSharing(heights, pages * columns, columns, bounds.front()).fits(0, 0, maxHeight)) {
        assert(pages < heights.size());
        ++pages;
    }
    if (pages == 1)
        return { layOutColumns(bounds, columns) };
    const auto ends = shareRows(heights, pages * columns, columns, bounds.front());
    return pagesOf(bounds, ends, columns);
}

std::size_t autoColumns(std::span<const std::int64_t> bounds, std::optional<int> maxWidth)
{
    const std::size_t rows = bounds.size() - 1;
    std::size_t best = 1;
    double bestScale = 0;
    for (std::size_t columns = 1; columns <= rows; ++columns) {
        const int width = pageWidth(columns);
        const double widthScale = static_cast<double>(kScreenWidth) / width;
        // More columns only make the page wider.
        if ((maxWidth && width > *maxWidth && columns > 1) || widthScale <= bestScale)
            break;
        const auto height = static_cast<double>(layOutColumns(bounds, columns).height());
        const double scale = std::min({ 1.0, widthScale, kScreenHeight / height });
        if (scale > bestScale) {
            best = columns;
            bestScale = scale;
        }
    }
    return best;
}

PagePlan planPages(std::span<const std::int64_t> bounds, const PictureForm& form)
{
    const auto& size = form.maxSize;
    const std::size_t rows = bounds.size() - 1;
    std::size_t columns = form.columns == PictureForm::kAutoColumns
        ? autoColumns(bounds, size ? std::optional<int>(size->width) : std::nullopt)
        : std::min(form.columns, rows);
    if (!size)
        return { { layOutColumns(bounds, columns) }, {} };
    const std::string within = ", more than --max-size " + std::to_string(size->width) + "x"
        + std::to_string(size->height) + " allows";
    if (pageWidth(1) > size->width)
        return { {}, "a row is " + std::to_string(pageWidth(1)) + " pixels wide" + within };
    std::int64_t tallest = 0;
    for (std::size_t row = 0; row < rows; ++row)
        tallest = std::max(tallest, bounds[row + 1] - bounds[row]);
    if (bounds.front() + tallest > size->height)
        return { {},
                 "a row with the header above it is " + std::to_string(bounds.front() + tallest)
                     + " pixels tall" + within };
    if (pageWidth(columns) > size->width)
        return { {},
                 std::to_string(columns) + " columns are " + std::to_string(pageWidth(columns))
                     + " pixels wide" + within };
    return { layOutPages(bounds, columns, size->height), {} };
}

} // namespace beatplate
