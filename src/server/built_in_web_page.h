#pragma once

#include <span>
#include <string_view>

namespace beatplate {

// One file of the page as the build found it in web/.
struct BuiltInWebFile {
    std::string_view name;
    std::string_view bytes;
};

// The page's files compiled into the program; defined by a source file that the build writes.
[[nodiscard]] std::span<const BuiltInWebFile> builtInWebPage();

} // namespace beatplate
