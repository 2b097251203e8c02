#pragma once

#include "platform/files.h"

#include <cstddef>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <span>
#include <string>
#include <vector>

namespace beatplate {

// Which chart of a run writes each output path (a picture or a part), so that no output of the
// run replaces one of its charts or another chart's output: the first chart to claim a path
// keeps it. Safe to use from several threads at once.
class OutputClaims {
public:
    // The charts of the run as given, "-" for standard input; a chart is claimed by its index.
    explicit OutputClaims(std::span<const std::string> charts);

    // Claims every path for chart, or none: the refusal, a message with its detail, when one of
    // them is a chart of the run or another chart's.
    [[nodiscard]] std::optional<std::string> claim(std::size_t chart,
                                                   std::span<const std::filesystem::path> paths);
    // True when a chart other than chart has claimed path.
    [[nodiscard]] bool claimedByOther(std::size_t chart, const std::filesystem::path& path) const;

private:
    [[nodiscard]] std::optional<std::string> refusalOf(std::size_t chart,
                                                       const std::filesystem::path& path,
                                                       const std::filesystem::path& key) const;

    std::vector<std::string> m_charts;
    std::vector<std::optional<FileIdentity>> m_identities; // of each chart
    std::set<FileIdentity> m_chartFiles;
    mutable std::mutex m_mutex;
    std::map<std::filesystem::path, std::size_t> m_owners; // by the path's key
};

// The key under which two spellings of one path meet: through the links of the directories
// that exist, "." and ".." resolved.
[[nodiscard]] std::filesystem::path outputKeyOf(const std::filesystem::path& path);

} // namespace beatplate
