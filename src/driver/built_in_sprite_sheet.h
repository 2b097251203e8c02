#pragma once

#include <cstdint>
#include <span>

namespace beatplate {

// The PNG bytes of our sprite sheet as the build drew it; defined by a source file that the build
// writes for the beatplate program alone.
[[nodiscard]] std::span<const std::uint8_t> builtInSpriteSheet();

} // namespace beatplate
