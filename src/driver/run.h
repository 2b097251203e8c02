#pragma once

#include "driver/exit_status.h"
#include "render/canvas.h"

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

class Console;

// The sheet the command line draws with: named (--sheet), else the first regular file of the
// places looked in, else the built-in sheet; none, reported on console, when it cannot be read.
[[nodiscard]] std::optional<Canvas>
loadChosenSpriteSheet(const std::optional<std::filesystem::path>& named, std::string_view argv0,
                      std::span<const std::uint8_t> builtIn, Console& console);

// Writes text to standard output whole; the status of the run that printed it.
[[nodiscard]] int printText(const std::string& text);

// The processors this process may run on, which a container or taskset may make fewer than
// the machine has.
[[nodiscard]] unsigned processorCount();

} // namespace beatplate
