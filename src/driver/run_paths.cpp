#include "driver/run_paths.h"

#include <string>
#include <system_error>

namespace beatplate {

std::filesystem::path outputPathFor(const std::filesystem::path& chartPath)
{
    auto outputPath = chartPath;
    outputPath.replace_extension(".png");
    return outputPath;
}

std::filesystem::path spriteSheetPathFor(const std::optional<std::filesystem::path>& executablePath,
                                         std::string_view argv0)
{
    if (executablePath)
        return executablePath->parent_path() / "pic.png";
    const auto slash = argv0.rfind('/');
    if (slash == std::string_view::npos)
        return "pic.png";
    return std::string(argv0.substr(0, slash + 1)) + "pic.png";
}

std::optional<std::filesystem::path> runningExecutablePath()
{
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || path.empty())
        return std::nullopt;
    return path;
}

bool isSameFile(const std::filesystem::path& chartPath, const std::filesystem::path& outputPath)
{
    if (chartPath.lexically_normal() == outputPath.lexically_normal())
        return true;
    std::error_code error;
    return std::filesystem::equivalent(chartPath, outputPath, error) && !error;
}

} // namespace beatplate
