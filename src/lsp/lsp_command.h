#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace beatplate {

// beatplate lsp: the language server on standard input and output, until the editor says
// "exit" or closes its input. arguments: those after "lsp". Returns the exit status; every
// failure is reported on standard error, and no exception leaves it.
[[nodiscard]] int runLanguageServerCommand(std::span<const std::string_view> arguments,
                                           std::string_view argv0,
                                           std::span<const std::uint8_t> builtInSpriteSheet);

} // namespace beatplate
