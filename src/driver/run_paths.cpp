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

// The executable's directory with its trailing "/", or empty when argv0 names no directory.
static std::optional<std::string>
executableDirectory(const std::optional<std::filesystem::path>& executablePath,
                    std::string_view argv0)
{
    if (executablePath)
        return (executablePath->parent_path() / "").string();
    const auto slash = argv0.rfind('/');
    if (slash == std::string_view::npos)
        return std::nullopt;
    return std::string(argv0.substr(0, slash + 1));
}

std::filesystem::path spriteSheetPathFor(const std::optional<std::filesystem::path>& executablePath,
                                         std::string_view argv0)
{
    return executableDirectory(executablePath, argv0).value_or("") + "pic.png";
}

std::vector<std::filesystem::path>
spriteSheetCandidatesFor(const std::optional<std::filesystem::path>& executablePath,
                         std::string_view argv0)
{
    std::vector<std::filesystem::path> candidates{ spriteSheetPathFor(executablePath, argv0) };
    // A bare argv0 was found through PATH, so "../share" from the current directory means nothing.
    if (const auto directory = executableDirectory(executablePath, argv0))
        candidates.emplace_back(*directory + "../share/beatplate/pic.png");
    return candidates;
}

std::filesystem::path findSpriteSheet(const std::vector<std::filesystem::path>& candidates)
{
    for (const auto& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate;
    }
    return candidates.empty() ? std::filesystem::path("pic.png") : candidates.front();
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
