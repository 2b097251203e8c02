#include "driver/run_paths.h"

#include "base/utf8_path.h"
#include "cli/messages.h"
#include "platform/files.h"

#include <algorithm>
#include <set>
#include <string>
#include <system_error>
#include <utility>

namespace beatplate {

std::filesystem::path outputPathFor(const std::filesystem::path& chartPath,
                                    std::string_view extension)
{
    auto outputPath = chartPath;
    outputPath.replace_extension(std::string(extension));
    return outputPath;
}

namespace {

constexpr const char* kTakenOutputMessage = "ほかの譜面と出力先が同じです。";

} // namespace

std::filesystem::path partPathFor(const std::filesystem::path& picturePath, std::size_t part)
{
    std::filesystem::path name = picturePath.stem();
    name += "-" + std::to_string(part);
    name += picturePath.extension();
    return picturePath.parent_path() / name;
}

bool outputIsDirectory(std::string_view output, std::string_view extension)
{
    if (output == "-")
        return false;
    std::error_code error;
    if (output.ends_with('/') || std::filesystem::is_directory(output, error))
        return true;
    std::string suffix(
        output.substr(output.size() - std::min<std::size_t>(output.size(), extension.size())));
    for (char& c : suffix)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return suffix != extension;
}

static std::optional<std::filesystem::path> picturePathFor(const std::string& chart,
                                                           const std::optional<std::string>& output,
                                                           std::string_view extension)
{
    if (output == "-")
        return std::nullopt;
    if (output && !outputIsDirectory(*output, extension))
        return utf8Path(*output);
    // A chart read from standard input has no name to give its picture.
    if (chart == "-")
        return std::nullopt;
    if (!output)
        return outputPathFor(utf8Path(chart), extension);
    return utf8Path(*output) / outputPathFor(utf8Path(chart), extension).filename();
}

std::vector<ChartJob> planChartJobs(const std::vector<std::string>& charts,
                                    const std::optional<std::string>& output,
                                    std::string_view extension)
{
    std::set<FileIdentity> chartFiles;
    for (const auto& chart : charts) {
        if (const auto identity = chart == "-" ? std::nullopt : fileIdentityOf(utf8Path(chart)))
            chartFiles.insert(*identity);
    }
    std::vector<ChartJob> jobs;
    std::set<std::filesystem::path> taken; // empty path: standard output
    for (const auto& chart : charts) {
        ChartJob job{ chart, picturePathFor(chart, output, extension), std::nullopt };
        std::error_code error;
        const auto key = job.picture ? std::filesystem::weakly_canonical(*job.picture, error)
                                     : std::filesystem::path();
        const auto identity = job.picture ? fileIdentityOf(*job.picture) : std::nullopt;
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
