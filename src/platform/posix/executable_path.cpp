#include "platform/executable_path.h"

#include <system_error>

namespace beatplate {

std::optional<std::filesystem::path> runningExecutablePath()
{
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || path.empty())
        return std::nullopt;
    return path;
}

} // namespace beatplate
