#pragma once

#include "image/canvas.h"
#include "output/png_write_options.h"

#include <cstdint>
#include <span>
#include <vector>

namespace beatplate {

inline constexpr int kPngFilterNone = 0x08; // PNG_FILTER_NONE

// The reference the program's encoder is held to, for the tests and the benchmarks: the same
// PNG made by libpng on one thread from the whole canvas, with the row filters given (a mask of
// PNG_FILTER_* flags). Throws std::runtime_error when libpng fails.
[[nodiscard]] std::vector<std::uint8_t> encodeWithLibpng(const Canvas& canvas,
                                                         std::span<const std::uint8_t> chunkData,
                                                         const PngWriteOptions& options = {},
                                                         int filters = kPngFilterNone);

} // namespace beatplate
