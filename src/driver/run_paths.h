#pragma once

#include "driver/chart_job.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// The picture's path: beside the chart, the file name's extension (from the last "." of the
// last path component) replaced by ".png", or ".png" appended to a name without one. A leading
// "." marks a hidden file, not an extension (".hidden" gives ".hidden.png"); a name ending in
// "." has an empty extension ("a." gives "a.png").
[[nodiscard]] std::filesystem::path outputPathFor(const std::filesystem::path& chartPath);

// True when the output path names the chart file itself, under any spelling (also through a
// link or on a filesystem that ignores case), so that writing it would destroy the chart.
[[nodiscard]] bool isSameFile(const std::filesystem::path& chartPath,
                              const std::filesystem::path& outputPath);

// Where each chart's picture goes. Without output: beside the chart as outputPathFor says, and
// to standard output for "-". With one chart, output is the picture, "-" standard output; with
// several, output is the directory for the pictures, and "-" still writes to standard output.
// A picture path that an earlier chart of the run already takes, or that names a chart of the
// run, refuses that chart, so that no picture is lost and no chart destroyed.
[[nodiscard]] std::vector<ChartJob> planChartJobs(const std::vector<std::string>& charts,
                                                  const std::optional<std::string>& output);

} // namespace beatplate
