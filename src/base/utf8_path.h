#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace beatplate {

// The path that UTF-8 text names, as the command line gives paths on every platform; a path
// made from a plain string would read it in the system's code page on Windows.
[[nodiscard]] inline std::filesystem::path utf8Path(std::string_view text)
{
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
}

// The UTF-8 text of a path, as messages show it on every platform.
[[nodiscard]] inline std::string utf8Text(const std::filesystem::path& path)
{
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
}

} // namespace beatplate
