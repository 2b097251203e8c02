#pragma once

#include "image/canvas.h"

#include <cstdint>
#include <vector>

namespace beatplate {

// Reusable buffers of blitScaled, so that drawing many sprites allocates nothing.
struct BlitScratch {
    std::vector<int> sourceColumns;
    std::vector<std::uint8_t> rowKinds;
};

// Draws the source rectangle of sheet scaled into the destination rectangle of canvas: a canvas
// pixel is painted when its centre lies inside the destination, from the sheet pixel containing
// the mapped centre (nearest neighbour), composited source-over. Source pixels outside the sheet
// are transparent; empty, negative or non-finite rectangles draw nothing. times > 1 gives what
// that many draws in a row give, without their cost once the pixels stop changing.
void blitScaled(Canvas& canvas, const Canvas& sheet, const RectF& destination, const RectF& source,
                BlitScratch& scratch, std::uint32_t times = 1);

} // namespace beatplate
