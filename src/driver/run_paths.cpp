#include "driver/run_paths.h"

#include "cli/messages.h"

#include <algorithm>
#include <set>
#include <string>
#include <sys/stat.h>
#include <system_error>
#include <utility>

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

std::optional<std::filesystem::path>
findSpriteSheet(const std::vector<std::filesystem::path>& candidates)
{
    for (const auto& candidate : candidates) {
        std::error_code error;
        if (std::filesystem::is_regular_file(candidate, error))
            return candidate;
    }
    return std::nullopt;
}

std::optional<std::filesystem::path> runningExecutablePath()
{
    std::error_code error;
    auto path = std::filesystem::read_symlink("/proc/self/exe", error);
    if (error || path.empty())
        return std::nullopt;
    return path;
}

namespace {

constexpr const char* kTakenOutputMessage = "ほかの譜面と出力先が同じです。";

using FileIdentity = std::pair<dev_t, ino_t>;

} // namespace

static std::optional<FileIdentity> identityOf(const std::filesystem::path& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return FileIdentity{ status.st_dev, status.st_ino };
}

bool outputIsDirectory(std::string_view output)
{
    if (output == "-")
        return false;
    std::error_code error;
    if (output.ends_with('/') || std::filesystem::is_directory(output, error))
        return true;
    std::string suffix(output.substr(output.size() - std::min<std::size_t>(output.size(), 4)));
    for (char& c : suffix)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return suffix != ".png";
}

static std::optional<std::filesystem::path> picturePathFor(const std::string& chart,
                                                           const std::optional<std::string>& output)
{
    if (output == "-")
        return std::nullopt;
    if (output && !outputIsDirectory(*output))
        return std::filesystem::path(*output);
    // A chart read from standard input has no name to give its picture.
    if (chart == "-")
        return std::nullopt;
    if (!output)
        return outputPathFor(chart);
    return std::filesystem::path(*output) / outputPathFor(chart).filename();
}

std::vector<ChartJob> planChartJobs(const std::vector<std::string>& charts,
                                    const std::optional<std::string>& output)
{
    std::set<FileIdentity> chartFiles;
    for (const auto& chart : charts) {
        if (const auto identity = chart == "-" ? std::nullopt : identityOf(chart))
            chartFiles.insert(*identity);
    }
    std::vector<ChartJob> jobs;
    std::set<std::filesystem::path> taken; // empty path: standard output
    for (const auto& chart : charts) {
        ChartJob job{ chart, picturePathFor(chart, output), std::nullopt };
        std::error_code error;
        const auto key = job.picture ? std::filesystem::weakly_canonical(*job.picture, error)
                                     : std::filesystem::path();
        const auto identity = job.picture ? identityOf(*job.picture) : std::nullopt;
        if (identity && chartFiles.contains(*identity))
            job.refusal = kSameFileMessage;
        else if (!taken.insert(error ? job.picture->lexically_normal() : key).second)
            job.refusal = kTakenOutputMessage;
        jobs.push_back(std::move(job));
    }
    return jobs;
}

bool isSameFile(const std::filesystem::path& chartPath, const std::filesystem::path& outputPath)
{
    if (chartPath.lexically_normal() == outputPath.lexically_normal())
        return true;
    std::error_code error;
    return std::filesystem::equivalent(chartPath, outputPath, error) && !error;
}

} // namespace beatplate
