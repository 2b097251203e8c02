#pragma once

#include "driver/chart_job.h"
#include "driver/output_claims.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// The picture's path: beside the chart, the file name's extension (from the last "." of the
// last path component) replaced by ".png", or ".png" appended to a name without one. A leading
// "." marks a hidden file, not an extension (".hidden" gives ".hidden.png"); a name ending in
// "." has an empty extension ("a." gives "a.png").
// The extension may be another, such as ".wav" for a sound.
[[nodiscard]] std::filesystem::path outputPathFor(const std::filesystem::path& chartPath,
                                                  std::string_view extension = ".png");

// Part number part (from 1) of a picture cut in parts: pics/song.png gives pics/song-2.png.
[[nodiscard]] std::filesystem::path partPathFor(const std::filesystem::path& picturePath,
                                                std::size_t part);

// True when the output path names the chart file itself, under any spelling (also through a
// link or on a filesystem that ignores case), so that writing it would destroy the chart.
[[nodiscard]] bool isSameFile(const std::filesystem::path& chartPath,
                              const std::filesystem::path& outputPath);

// Whether an --output path names the directory for the pictures rather than the picture itself,
// whatever the number of charts: it does when it ends with "/", names an existing directory, or
// does not end in the extension, ".png" (in any letter case); "-" is standard output, no directory.
[[nodiscard]] bool outputIsDirectory(std::string_view output, std::string_view extension = ".png");

// How many pictures a chart makes: 1, or its parts; 1 for a chart that cannot be read.
using PartCounter = std::function<std::size_t(const ChartJob& job)>;

// Where each chart's picture goes. Without output: beside the chart as outputPathFor says, and
// to standard output for "-". A directory output (outputIsDirectory) receives each picture under
// its usual name, a chart "-" still going to standard output; any other output is the picture,
// "-" standard output.
// Each chart then claims, in the order given, the paths it will write: its picture, or its parts
// when countParts finds more than one. countParts is asked only about charts whose parts could
// take the name of another chart's picture, or whose picture another chart's parts could. A
// chart with a path that a chart before it claimed, or that names a chart of the run, is refused,
// so that no picture is lost and no chart destroyed. The files have the extension, ".png" for
// pictures.
[[nodiscard]] std::vector<ChartJob> planChartJobs(const std::vector<std::string>& charts,
                                                  const std::optional<std::string>& output,
                                                  OutputClaims& claims,
                                                  const PartCounter& countParts = {},
                                                  std::string_view extension = ".png");

// The paths of a picture's parts, part 1 first.
[[nodiscard]] std::vector<std::filesystem::path>
partPathsFor(const std::filesystem::path& picturePath, std::size_t parts);

} // namespace beatplate
