#pragma once

#include <cstddef>
#include <optional>
#include <string_view>

namespace beatplate {

// The descriptors every process starts with; the C libraries of every platform number them so.
inline constexpr int kStandardInput = 0;
inline constexpr int kStandardOutput = 1;
inline constexpr int kStandardError = 2;

// Writes all of bytes to the descriptor, going on after interruptions and partial writes; false
// when a write fails.
[[nodiscard]] bool writeAll(int fd, std::string_view bytes);

// True when the descriptor is a terminal (a console window), not a file or a pipe.
[[nodiscard]] bool isTerminal(int fd);

// The width in columns of the terminal open as fd; none when it is no terminal or does not say.
[[nodiscard]] std::optional<std::size_t> terminalColumns(int fd);

// The processes attached to this process's console; none where the platform has no such count
// (a terminal on Linux is shared with its shell, and no program is alone on it).
[[nodiscard]] std::optional<unsigned> processesOnConsole();

// Writes prompt to the controlling terminal and waits there until Enter is pressed; reads
// nothing from standard input. Returns at once when the process has no terminal.
void waitForEnterOnTerminal(std::string_view prompt);

} // namespace beatplate
