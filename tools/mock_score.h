#pragma once

#include "image/canvas.h"

namespace beatplate {

// A small chart of ours drawn by the renderer from the sheet: lanes of all three branches, every
// line, gogo bands, markers, digits, notes and every span kind. No header text.
[[nodiscard]] Canvas composeMockScore(const Canvas& sheet);

// The picture enlarged by a whole factor, nearest neighbour, over a checkerboard that shows
// where it is transparent.
[[nodiscard]] Canvas magnify(const Canvas& picture, int factor);

// The part of picture inside the rectangle, which must lie within it.
[[nodiscard]] Canvas crop(const Canvas& picture, int x, int y, int width, int height);

} // namespace beatplate
