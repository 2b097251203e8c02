#pragma once

#include "cli/exit_status.h"

#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace beatplate {

// The whole run from the command line to the pictures; returns the exit status. Every failure
// is reported on standard error; no exception leaves it. builtInSpriteSheet: the PNG bytes of
// the sheet drawn with when no other is named or found.
[[nodiscard]] int runBeatplate(int argc, char** argv,
                               std::span<const std::uint8_t> builtInSpriteSheet);

} // namespace beatplate
