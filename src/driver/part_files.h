#pragma once

#include "platform/staged_files.h"

#include <cstddef>
#include <filesystem>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace beatplate {

// What stands where the parts of a picture go, looked at just now. A part replaces only one of
// our parts of its number: a regular file and a PNG whose chunks before the image carry a chart
// ("bpLt") and the part label ("bpPt") of that number; only those chunks are read.
struct PartTargets {
    std::vector<StagedFiles::Target> targets; // of each part: Replaced over one of ours, or Absent
    std::optional<std::filesystem::path> other; // the first path where anything else stands
};

// paths: part 1's first.
[[nodiscard]] PartTargets examinePartTargets(std::span<const std::filesystem::path> paths);

// Whether a path may be removed: false for one another chart of the run writes.
using PathRemovable = std::function<bool(const std::filesystem::path& path)>;

// Removes our parts of an earlier picture by this name that follow the first parts of the new one
// (0: it is whole), up to the first part number where none of ours stands. Returns
// "PATH: REASON" for each that could not be removed.
[[nodiscard]] std::vector<std::string> removeLaterParts(const std::filesystem::path& picturePath,
                                                        std::size_t first,
                                                        const PathRemovable& removable);

} // namespace beatplate
