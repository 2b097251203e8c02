#pragma once

#include "chart/chart_stats.h"

#include <filesystem>
#include <nlohmann/json_fwd.hpp>
#include <span>
#include <string>

namespace beatplate {

// One chart's figures as they are reported: with the chart's path as given and its title.
struct ChartStatsEntry {
    std::filesystem::path path;
    std::u16string title; // UTF-16 code units, as the chart document holds them
    ChartStats stats;

    bool operator==(const ChartStatsEntry&) const = default;
};

// The figures as a block of lines for people, UTF-8, each line ending in LF; the branch paths
// stand side by side in columns.
[[nodiscard]] std::string formatChartStatsText(const ChartStatsEntry& entry);

enum class StatsJsonLayout {
    ObjectForOne, // one entry as an object, any other number as an array
    Array, // always an array
};

// One entry's figures as the JSON object --stats --json prints for it, as a value to build on.
[[nodiscard]] nlohmann::ordered_json chartStatsJson(const ChartStatsEntry& entry);

// The figures as JSON, UTF-8, ending in LF: objects laid out as layout says. Seconds and notes
// per second are rounded to three decimals.
[[nodiscard]] std::string
formatChartStatsJson(std::span<const ChartStatsEntry> entries,
                     StatsJsonLayout layout = StatsJsonLayout::ObjectForOne);

} // namespace beatplate
