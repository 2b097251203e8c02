#pragma once

#include <filesystem>
#include <optional>

namespace beatplate {

// The file of the running executable, as the system names it; none when that cannot be read.
[[nodiscard]] std::optional<std::filesystem::path> runningExecutablePath();

} // namespace beatplate
