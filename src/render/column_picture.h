#pragma once

#include "chart/chart_comparison.h"
#include "chart/chart_document.h"
#include "image/banded_picture.h"
#include "image/canvas.h"
#include "render/band_index.h"
#include "render/column_layout.h"
#include "render/score_layout.h"
#include "render/text_header.h"

#include <optional>
#include <vector>

namespace beatplate {

// A page of columns drawn a band of rows at a time: each column shows its block of rows of the
// one-column picture exactly as drawn there, only moved; the header is drawn once, over the
// first column, and a divider runs down every gap. Bands may be drawn at once on several
// threads.
class ColumnPicture {
public:
    // The sheet, the layout, the document and the marks must outlive the picture; the layout
    // fits a picture and the page is one of its column pages.
    ColumnPicture(const Canvas& spriteSheet, std::optional<HeaderLines> header,
                  const ScoreLayout& layout, const ChartDocument& document, ColumnPage page,
                  const MeasureMarks* marks = nullptr);

    [[nodiscard]] int width() const { return m_page.width(); }
    [[nodiscard]] int height() const { return static_cast<int>(m_page.height()); }
    // Fewer rows on wider pages, so that a band holds about as many pixels as one column's.
    [[nodiscard]] int bandRows() const { return m_bandRows; }

    // Draws rows [firstRow, firstRow + band.height()) onto band, which starts all zero and is
    // the page's width; firstRow is a multiple of bandRows() and the band no taller than that.
    void drawBand(int firstRow, Canvas& band) const;

private:
    void drawColumn(std::size_t column, int firstRow, Canvas& strip) const;
    void drawGaps(int firstRow, Canvas& band) const;

    const Canvas& m_spriteSheet;
    std::optional<HeaderLines> m_header;
    const ScoreLayout& m_layout;
    ColumnPage m_page;
    int m_bandRows;
    int m_indexRows; // a multiple of m_bandRows
    std::vector<BandIndex> m_indexes; // one per column, its bands aligned with the page's
    const MeasureMarks* m_marks;
};

// The bands of a page, drawn as they are encoded; picture must outlive it.
[[nodiscard]] BandedPicture bandsOf(const ColumnPicture& picture);

} // namespace beatplate
