#pragma once

#include "render/canvas.h"

namespace beatplate {

// A small score put together from the sheet the way the renderer places its sprites: lanes of
// all three branches, every line, gogo band, markers, digits, notes and every span kind.
[[nodiscard]] Canvas composeMockScore(const Canvas& sheet);

// The picture enlarged by a whole factor, nearest neighbour, over a checkerboard that shows
// where it is transparent.
[[nodiscard]] Canvas magnify(const Canvas& picture, int factor);

// The part of picture inside the rectangle, which must lie within it.
[[nodiscard]] Canvas crop(const Canvas& picture, int x, int y, int width, int height);

} // namespace beatplate
