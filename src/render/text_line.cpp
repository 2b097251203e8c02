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

void drawTextLine(Canvas& canvas, const HeaderFont& font, std::wstring_view text, int originX,
                  int originY, int cellHeight, std::uint32_t colour)
{
    if (canvas.empty() || text.empty())
        return;
    // Glyphs starting this far past the right edge cannot reach back onto the canvas.
    const long long room = static_cast<long long>(canvas.width()) - originX + 2LL * cellHeight;
    if (room <= 0)
        return;
    const int maxAdvance =
        static_cast<int>(std::min(room, static_cast<long long>(std::numeric_limits<int>::max())));
    const TextRun run = font.layoutLine(text, cellHeight, maxAdvance);
    const long long penX = originX + std::llround(run.emSize * kLeadingPaddingEms);
    const long long baseline = static_cast<long long>(originY) + run.ascent;
    for (const auto& glyph : run.glyphs)
        compositeGlyph(canvas, glyph, penX + glyph.left, baseline + glyph.top, colour);
}

} // namespace beatplate
