#pragma once

#include "chart/chart_document.h"
#include "render/canvas.h"
#include "render/score_layout.h"

namespace beatplate {

class HeaderFont;

// Draws a chart document as a picture from the sprites of a sprite sheet.
class ScoreRenderer {
public:
    // The sheet, and the face when there is one, must outlive the renderer; several renderers
    // may share them, as nothing writes to them. Without a face the title and difficulty lines
    // are left out.
    explicit ScoreRenderer(const Canvas& spriteSheet, const HeaderFont* headerFont = nullptr)
        : m_spriteSheet(spriteSheet)
        , m_headerFont(headerFont)
    {
    }

    // Lays the document out and draws the whole picture. Throws std::length_error when the
    // picture would be taller than kMaxCanvasHeight or take more than kMaxCanvasBytes.
    [[nodiscard]] Canvas render(const ChartDocument& document) const;

private:
    const Canvas& m_spriteSheet;
    const HeaderFont* m_headerFont;
};

// A blank canvas of the layout's picture; throws std::length_error as render does.
[[nodiscard]] Canvas blankCanvas(const ScoreLayout& layout);

} // namespace beatplate
