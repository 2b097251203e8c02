#pragma once

#include "chart/chart_comparison.h"
#include "chart/chart_document.h"
#include "image/banded_picture.h"
#include "image/canvas.h"
#include "render/band_index.h"
#include "render/score_layout.h"
#include "render/sprite_painter.h"
#include "render/text_header.h"

#include <optional>

namespace beatplate {

class HeaderFont;

// A document laid out and indexed once, then drawn a band of rows at a time: each band gets the
// same draws, in the same order, as its rows get in the whole picture, so the pixels are the
// same whatever the bands. Nothing changes after construction, so bands may be drawn at once
// on several threads.
class BandedScore {
public:
    static constexpr int kWholePicture = 0;

    // The sheet, the document and the marks must outlive the score; the face is used only here.
    // bandRows kWholePicture makes the whole picture one band. Throws std::length_error when the
    // picture would be taller than kMaxPictureRows.
    BandedScore(const Canvas& spriteSheet, const HeaderFont* headerFont,
                const ChartDocument& document, int bandRows, const MeasureMarks* marks = nullptr);

    [[nodiscard]] int width() const { return kPageWidth; }
    [[nodiscard]] int height() const { return m_layout.canvasHeight(); }
    [[nodiscard]] int bandRows() const { return m_index.bandRows(); }

    // Draws rows [firstRow, firstRow + band.height()) onto band, which starts all zero and is
    // the page's width; firstRow is a multiple of bandRows() and the band is no taller than that.
    void drawBand(int firstRow, Canvas& band) const;

private:
    const Canvas& m_spriteSheet;
    ScoreLayout m_layout;
    BandIndex m_index;
    std::optional<HeaderLines> m_header;
    const MeasureMarks* m_marks;
};

// Draws a chart document as a picture from the sprites of a sprite sheet.
class ScoreRenderer {
public:
    // The sheet, and the face and the marks when there are some, must outlive the renderer;
    // several renderers may share them, as nothing writes to them. Without a face the title and
    // difficulty lines are left out; marks, one per measure of the document drawn, mark the
    // measures that differ from another version.
    explicit ScoreRenderer(const Canvas& spriteSheet, const HeaderFont* headerFont = nullptr,
                           const MeasureMarks* marks = nullptr)
        : m_spriteSheet(spriteSheet)
        , m_headerFont(headerFont)
        , m_marks(marks)
    {
    }

    // Lays the document out and draws the whole picture at once: what the bands are held to.
    // Throws std::length_error when the picture would be taller than kMaxPictureRows.
    [[nodiscard]] Canvas render(const ChartDocument& document) const;

    // The document ready to be drawn band by band; the document must outlive it. Throws as
    // render does.
    [[nodiscard]] BandedScore bands(const ChartDocument& document, int bandRows) const
    {
        return { m_spriteSheet, m_headerFont, document, bandRows, m_marks };
    }

private:
    const Canvas& m_spriteSheet;
    const HeaderFont* m_headerFont;
    const MeasureMarks* m_marks;
};

// Everything of the score but its header that reaches the target, from what can reach it, with
// the marks when there are some.
void drawScoreRows(const ScoreLayout& layout, const BandContents& contents, const Canvas& sheet,
                   DrawTarget target, const MeasureMarks* marks = nullptr);

// The bands of a score, drawn as they are encoded; score must outlive it.
[[nodiscard]] BandedPicture bandsOf(const BandedScore& score);

// A blank canvas of the layout's picture; throws std::length_error as render does.
[[nodiscard]] Canvas blankCanvas(const ScoreLayout& layout);

} // namespace beatplate
