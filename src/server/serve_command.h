#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace beatplate {

// beatplate serve: serves the preview page of a chart directory until SIGINT or SIGTERM, and
// returns the exit status (0 when interrupted). arguments: those after "serve". Every failure
// is reported on standard error; no exception leaves it.
[[nodiscard]] int runServe(std::span<const std::string_view> arguments, std::string_view argv0,
                           std::span<const std::uint8_t> builtInSpriteSheet);

} // namespace beatplate
