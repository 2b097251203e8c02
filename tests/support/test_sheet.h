#pragma once

#include "image/canvas.h"
#include "render/sprite_atlas.h"

#include <cstdint>
#include <filesystem>
#include <optional>

namespace beatplate::test {

// The colour that sprite id has on the test sheet, as 0xAARRGGBB: opaque, red = id + 1,
// green 0x80, blue = 0xFF - id. Red and blue differ for every id, so a picture written with
// red and blue swapped shows colours that belong to no sprite.
[[nodiscard]] constexpr std::uint32_t testSpriteColour(SpriteId id)
{
    const auto index = static_cast<std::uint32_t>(id);
    return 0xFF000000u | (index + 1) << 16 | 0x80u << 8 | (0xFFu - index);
}

// The sprite whose test colour this is; empty for any other colour.
[[nodiscard]] std::optional<SpriteId> spriteAt(std::uint32_t colour);

// A sheet of kTestSheetWidth x kTestSheetHeight where every atlas rectangle is filled with its
// sprite's test colour and every other pixel is transparent black.
inline constexpr int kTestSheetWidth = kSpriteSheetMinWidth;
inline constexpr int kTestSheetHeight = kSpriteSheetMinHeight;
[[nodiscard]] Canvas makeTestSheet();

// Writes makeTestSheet() as an 8-bit RGBA PNG (encoded by the test helpers, not the program).
void writeTestSheet(const std::filesystem::path& path);

} // namespace beatplate::test
