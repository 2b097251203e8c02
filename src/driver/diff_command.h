#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace beatplate {

// beatplate diff: compares two versions of a chart, draws the newer with what differs marked
// and prints what differs. arguments: those after "diff". Returns 0 when the charts are the
// same, 1 when they differ, 2 and above on trouble, which is reported on standard error; no
// exception leaves it.
[[nodiscard]] int runDiff(std::span<const std::string_view> arguments, std::string_view argv0,
                          std::span<const std::uint8_t> builtInSpriteSheet);

} // namespace beatplate
