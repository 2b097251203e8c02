#include "driver/run_paths.h"

#include "cli/messages.h"
#include "platform/files.h"

#include <set>
#include <string>
#include <system_error>
#include <utility>

namespace beatplate {

std::filesystem::path outputPathFor(const std::filesystem::path& chartPath)
{
    auto outputPath = chartPath;
    outputPath.replace_extension(".png");
    return outputPath;
}

namespace {

constexpr const char* kTakenOutputMessage = "ほかの譜面と出力先が同じです。";

} // namespace

static std::optional<std::filesystem::path> picturePathFor(const std::string& chart,
                                                           const std::optional<std::string>& output,
                                                           bool severalCharts)
{
    if (output == "-" || (chart == "-" && (severalCharts || !output)))
        return std::nullopt;
    if (!output)
        return outputPathFor(chart);
    // Like cp, one chart given a directory puts its picture in it.
    std::error_code error;
    if (!severalCharts && !std::filesystem::is_directory(*output, error))
        return std::filesystem::path(*output);
    return std::filesystem::path(*output) / outputPathFor(chart).filename();
}

std::vector<ChartJob> planChartJobs(const std::vector<std::string>& charts,
                                    const std::optional<std::string>& output)
{
    std::set<FileIdentity> chartFiles;
    for (const auto& chart : charts) {
        if (const auto identity = chart == "-" ? std::nullopt : fileIdentityOf(chart))
            chartFiles.insert(*identity);
    }
    std::vector<ChartJob> jobs;
    std::set<std::filesystem::path> taken; // empty path: standard output
    for (const auto& chart : charts) {
        ChartJob job{ chart, picturePathFor(chart, output, charts.size() > 1), std::nullopt };
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
