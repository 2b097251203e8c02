#pragma once

#include "sheet_painter.h"

#include <array>
#include <cstdint>
#include <string_view>

namespace beatplate {

// One character of our pixel lettering: 5 rows, '#' for ink and '.' for none.
struct Glyph {
    int width = 0;
    std::array<std::string_view, 5> rows;
};

inline constexpr int kGlyphHeight = 5;

// The glyph of a digit, the decimal point, the minus sign, or one of the capitals B, H, M, P
// and S.
[[nodiscard]] const Glyph& glyphOf(char character);

struct Lettering {
    std::uint32_t ink = 0;
    std::uint32_t halo =
        0; // edge-neighbours of ink at this colour, corner-neighbours at half its alpha
};

// Draws text with the top-left corner of its first glyph at (x, y) in cell pixels, one pixel
// between glyphs; the halo is cut off at the cell's border. Returns the width of the ink.
int drawLettering(Canvas& sheet, const Cell& cell, int x, int y, std::string_view text,
                  const Lettering& style);

} // namespace beatplate
