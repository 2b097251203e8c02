#pragma once

#include "image/canvas.h"
#include "load/header_font.h"

#include <cstdint>
#include <string_view>

namespace beatplate {

// The leading gap a default string layout leaves before the first glyph, in ems.
inline constexpr double kLeadingPaddingEms = 1.0 / 6.0;

// One line of text laid out for a canvas width: its glyphs and where its pen starts.
struct LaidOutLine {
    TextRun run;
    long long penX = 0;
    long long baseline = 0; // canvas row of the baseline
};

// Lays a line out with the top-left of its character cell at (originX, originY), leaving out
// glyphs that cannot reach a canvas canvasWidth pixels wide.
[[nodiscard]] LaidOutLine layOutTextLine(const HeaderFont& font, std::u16string_view text,
                                         int originX, int originY, int cellHeight, int canvasWidth);

// Writes a laid-out line in an opaque colour (0x00RRGGBB) onto a canvas whose row 0 is row top
// of the canvas the line was laid out for; whatever passes an edge is cut off there.
void drawLaidOutLine(Canvas& canvas, const LaidOutLine& line, int top, std::uint32_t colour);

// Writes one line of text in an opaque colour (0x00RRGGBB) with the top-left of its character
// cell at (originX, originY), cellHeight pixels high. The line is not wrapped; whatever passes
// an edge of the canvas is cut off there.
void drawTextLine(Canvas& canvas, const HeaderFont& font, std::u16string_view text, int originX,
                  int originY, int cellHeight, std::uint32_t colour = 0x000000);

} // namespace beatplate
