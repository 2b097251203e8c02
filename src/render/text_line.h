#pragma once

#include "render/canvas.h"

#include <cstdint>
#include <string_view>

namespace beatplate {

class HeaderFont;

// The leading gap a default string layout leaves before the first glyph, in ems.
inline constexpr double kLeadingPaddingEms = 1.0 / 6.0;

// Writes one line of text in an opaque colour (0x00RRGGBB) with the top-left of its character
// cell at (originX, originY), cellHeight pixels high. The line is not wrapped; whatever passes
// an edge of the canvas is cut off there.
void drawTextLine(Canvas& canvas, const HeaderFont& font, std::wstring_view text, int originX,
                  int originY, int cellHeight, std::uint32_t colour = 0x000000);

} // namespace beatplate
