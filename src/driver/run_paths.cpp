#include "driver/run_paths.h"

#include "base/utf8_path.h"
#include "cli/messages.h"
#include "platform/files.h"

#include <algorithm>
#include <map>
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

std::vector<std::filesystem::path> partPathsFor(const std::filesystem::path& picturePath,
                                                std::size_t parts)
{
    std::vector<std::filesystem::path> paths;
    for (std::size_t part = 1; part <= parts; ++part)
        paths.push_back(partPathFor(picturePath, part));
    return paths;
}

// Where a picture lies, its name in lower case, as a file system that takes either case alike
// compares names.
static std::filesystem::path foldedPlaceOf(const std::filesystem::path& picture)
{
    std::string name = picture.filename().string();
    for (char& c : name)
        c = static_cast<char>(c >= 'A' && c <= 'Z' ? c - 'A' + 'a' : c);
    return outputKeyOf(picture.parent_path() / ".") / name;
}

// The picture whose part a name could be: "song-2.png" gives "song.png".
static std::optional<std::filesystem::path> pictureOfPartName(const std::filesystem::path& place)
{
    const std::string stem = place.stem().string();
    const auto dash = stem.rfind('-');
    if (dash == std::string::npos || dash + 1 == stem.size()
        || stem.find_first_not_of("0123456789", dash + 1) != std::string::npos)
        return std::nullopt;
    return place.parent_path() / (stem.substr(0, dash) + place.extension().string());
}

// The charts whose parts must be counted before any is drawn: a part's name is its picture's
// stem, a dash and digits, so it can only be another chart's picture of that name.
static std::vector<bool> partsToCount(const std::vector<ChartJob>& jobs)
{
    std::map<std::filesystem::path, std::vector<std::size_t>> charts; // by their picture's place
    std::vector<std::optional<std::filesystem::path>> places(jobs.size());
    for (const ChartJob& job : jobs) {
        if (job.picture)
            charts[*(places[job.index] = foldedPlaceOf(*job.picture))].push_back(job.index);
    }
    std::vector<bool> counted(jobs.size());
    for (const ChartJob& job : jobs) {
        const auto whole = places[job.index] ? pictureOfPartName(*places[job.index]) : std::nullopt;
        const auto found = whole ? charts.find(*whole) : charts.end();
        if (found == charts.end())
            continue;
        counted[job.index] = true;
        for (const std::size_t index : found->second)
            counted[index] = true;
    }
    return counted;
}

std::vector<ChartJob> planChartJobs(const std::vector<std::string>& charts,
                                    const std::optional<std::string>& output, OutputClaims& claims,
                                    const PartCounter& countParts, std::string_view extension)
{
    std::vector<ChartJob> jobs;
    jobs.reserve(charts.size());
    for (const auto& chart : charts)
        jobs.push_back(
            { chart, picturePathFor(chart, output, extension), std::nullopt, jobs.size() });
    const std::vector<bool> counted =
        countParts ? partsToCount(jobs) : std::vector<bool>(jobs.size());
    for (ChartJob& job : jobs) {
        // Standard output is claimed as the empty path: it takes one picture.
        const std::size_t parts = job.picture && counted[job.index] ? countParts(job) : 1;
        const auto paths = parts > 1 ? partPathsFor(*job.picture, parts)
                                     : std::vector{ job.picture.value_or(std::filesystem::path()) };
        job.refusal = claims.claim(job.index, paths);
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
