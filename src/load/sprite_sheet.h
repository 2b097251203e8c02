#pragma once

#include "image/canvas.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>

namespace beatplate {

// The largest sheet, either way, that is read; the atlas uses only its top-left 126 x 114 pixels.
inline constexpr int kSpriteSheetMaxSide = 16384;

// Reads a PNG of any kind (palette, grey, 16-bit, with or without alpha or tRNS, interlaced)
// into straight-alpha 0xAARRGGBB pixels, as stored: no gamma is applied. Empty when the file is
// missing, unreadable, not a PNG, broken, or larger than kSpriteSheetMaxSide.
[[nodiscard]] std::optional<Canvas> loadSpriteSheet(const std::filesystem::path& path);
// The same from the bytes of a PNG file held in memory.
[[nodiscard]] std::optional<Canvas> loadSpriteSheet(std::span<const std::uint8_t> png);

} // namespace beatplate
