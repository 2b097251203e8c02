#include "render/column_picture.h"

#include "render/score_renderer.h"
#include "render/sprite_painter.h"

#include <algorithm>
#include <cassert>

namespace beatplate {

// A band holds about as many pixels as one column's band, however wide the page.
static int bandRowsFor(int width)
{
    return std::max(1, kPngBandRows * kPageWidth / width);
}

// The rows of each band of a column's index: whole bands of the page, at least about a row of
// the score, so that an item is not listed again in every one of many thin bands.
static int indexRowsFor(int bandRows)
{
    constexpr int kLeastIndexRows = 64;
    return bandRows * ((kLeastIndexRows + bandRows - 1) / bandRows);
}

ColumnPicture::ColumnPicture(const Canvas& spriteSheet, std::optional<HeaderLines> header,
                             const ScoreLayout& layout, const ChartDocument& document,
                             ColumnPage page, const MeasureMarks* marks)
    : m_spriteSheet(spriteSheet)
    , m_header(std::move(header))
    , m_layout(layout)
    , m_page(std::move(page))
    , m_bandRows(bandRowsFor(m_page.width()))
    , m_indexRows(indexRowsFor(m_bandRows))
    , m_marks(marks)
{
    assert(!m_page.columns.empty());
    m_indexes.reserve(m_page.columns.size());
    // Band b of a column's index holds the page's rows [b, b + 1) x m_indexRows, in the
    // one-column picture's rows.
    for (const PageColumn& column : m_page.columns)
        m_indexes.emplace_back(layout, document, m_indexRows,
                               RowSpan{ column.source.top - column.top, column.source.bottom });
}

void ColumnPicture::drawColumn(std::size_t at, int firstRow, Canvas& strip) const
{
    const PageColumn& column = m_page.columns[at];
    const std::int64_t shift = column.source.top - column.top; // one-column row of a page row
    const std::int64_t from = std::max<std::int64_t>(firstRow, column.top);
    const std::int64_t to =
        std::min<std::int64_t>(firstRow + strip.height(), column.source.bottom - shift);
    SpritePainter painter(m_spriteSheet, { strip, firstRow });
    const auto fillBackground = [&](std::int64_t top, std::int64_t bottom) {
        if (top < bottom)
            painter.draw({ 0, static_cast<float>(top), static_cast<float>(kPageWidth),
                           static_cast<float>(bottom - top) },
                         Sprite::Background);
    };
    if (from >= to) {
        fillBackground(firstRow, firstRow + strip.height());
    } else {
        const BandContents contents = m_indexes[at].contents(firstRow / m_indexRows);
        const auto rows = static_cast<int>(to - from);
        if (rows == strip.height()) {
            drawScoreRows(m_layout, contents, m_spriteSheet,
                          { strip, static_cast<int>(from + shift) }, m_marks);
        } else {
            Canvas part(kPageWidth, rows);
            drawScoreRows(m_layout, contents, m_spriteSheet,
                          { part, static_cast<int>(from + shift) }, m_marks);
            std::copy_n(part.pixels(), part.byteSize() / 4,
                        strip.row(static_cast<int>(from - firstRow)).data());
            fillBackground(firstRow, from);
            fillBackground(to, firstRow + strip.height());
        }
    }
    if (at == 0 && m_header)
        drawHeaderLines(strip, *m_header, firstRow);
}

void ColumnPicture::drawGaps(int firstRow, Canvas& band) const
{
    SpritePainter painter(m_spriteSheet, { band, firstRow });
    const auto height = static_cast<float>(m_page.height());
    for (std::size_t gap = 1; gap < m_page.columns.size(); ++gap) {
        const auto left = static_cast<float>(pageWidth(gap));
        painter.draw({ left, 0, static_cast<float>(kColumnGap), height }, Sprite::Background);
        painter.draw({ left + (kColumnGap - kDividerWidth) / 2.0f, 0,
                       static_cast<float>(kDividerWidth), height },
                     Sprite::BeatLine);
    }
}

void ColumnPicture::drawBand(int firstRow, Canvas& band) const
{
    assert(firstRow % m_bandRows == 0 && band.height() <= m_bandRows);
    Canvas strip(kPageWidth, band.height());
    for (std::size_t at = 0; at < m_page.columns.size(); ++at) {
        if (at > 0)
            std::fill_n(strip.pixels(), strip.byteSize() / 4, 0u);
        drawColumn(at, firstRow, strip);
        const auto left = static_cast<std::size_t>(at) * (kPageWidth + kColumnGap);
        for (int y = 0; y < band.height(); ++y)
            std::copy_n(strip.row(y).data(), kPageWidth, band.row(y).data() + left);
    }
    drawGaps(firstRow, band);
}

BandedPicture bandsOf(const ColumnPicture& picture)
{
    const auto drawRows = [&picture](int firstRow, Canvas& band) {
        picture.drawBand(firstRow, band);
    };
    return { picture.width(), picture.height(), drawRows, picture.bandRows() };
}

} // namespace beatplate
