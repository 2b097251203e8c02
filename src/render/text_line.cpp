#include "render/text_line.h"

#include "load/header_font.h"
#include "render/compositing.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace beatplate {

// Composites one glyph's coverage with its top-left at (x0, y0), clipped to the canvas.
static void compositeGlyph(Canvas& canvas, const GlyphCoverage& glyph, long long x0, long long y0,
                           std::uint32_t colour)
{
    const long long left = std::max(x0, 0LL);
    const long long right = std::min(x0 + glyph.width, static_cast<long long>(canvas.width()));
    const long long top = std::max(y0, 0LL);
    const long long bottom = std::min(y0 + glyph.height, static_cast<long long>(canvas.height()));
    if (left >= right || top >= bottom)
        return;
    const auto columns = static_cast<std::size_t>(right - left);
    for (long long y = top; y < bottom; ++y) {
        const auto destination =
            canvas.row(static_cast<int>(y)).subspan(static_cast<std::size_t>(left), columns);
        const std::uint8_t* source =
            glyph.coverage.data() + static_cast<std::size_t>((y - y0) * glyph.width + (left - x0));
        for (auto& pixel : destination)
            pixel = compositeCoverage(pixel, colour, *source++);
    }
}

LaidOutLine layOutTextLine(const HeaderFont& font, std::u16string_view text, int originX,
                           int originY, int cellHeight, int canvasWidth)
{
    // Glyphs starting this far past the right edge cannot reach back onto the canvas.
    const long long room = static_cast<long long>(canvasWidth) - originX + 2LL * cellHeight;
    if (canvasWidth <= 0 || text.empty() || room <= 0)
        return {};
    const int maxAdvance =
        static_cast<int>(std::min(room, static_cast<long long>(std::numeric_limits<int>::max())));
    LaidOutLine line{ font.layoutLine(text, cellHeight, maxAdvance), 0, 0 };
    line.penX = originX + std::llround(line.run.emSize * kLeadingPaddingEms);
    line.baseline = static_cast<long long>(originY) + line.run.ascent;
    return line;
}

void drawLaidOutLine(Canvas& canvas, const LaidOutLine& line, int top, std::uint32_t colour)
{
    if (canvas.empty())
        return;
    for (const auto& glyph : line.run.glyphs)
        compositeGlyph(canvas, glyph, line.penX + glyph.left, line.baseline - top + glyph.top,
                       colour);
}

void drawTextLine(Canvas& canvas, const HeaderFont& font, std::u16string_view text, int originX,
                  int originY, int cellHeight, std::uint32_t colour)
{
    drawLaidOutLine(canvas,
                    layOutTextLine(font, text, originX, originY, cellHeight, canvas.width()), 0,
                    colour);
}

} // namespace beatplate
