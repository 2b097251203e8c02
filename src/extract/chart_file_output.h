#pragma once

#include <filesystem>
#include <string_view>

namespace beatplate {

// How many names writeChartBeside tries: "x.txt", then "x.1.txt" up to "x.999.txt".
constexpr int kChartNameAttempts = 1000;

// The attempt-th name for the chart of picture, beside it: "x.png" (in any letter case) gives
// "x.txt", then "x.1.txt", "x.2.txt"...; a name not ending in ".png" gets ".txt" appended.
[[nodiscard]] std::filesystem::path chartPathFor(const std::filesystem::path& picture, int attempt);

// Writes bytes under the first of those names that is free and returns it. Never replaces an
// existing file; the text appears complete or not at all. Throws ExtractError.
std::filesystem::path writeChartBeside(const std::filesystem::path& picture,
                                       std::string_view bytes);

// Writes bytes to path, replacing a file there only once the new one is complete. Throws
// ExtractError.
void writeChartFile(const std::filesystem::path& path, std::string_view bytes);

} // namespace beatplate
