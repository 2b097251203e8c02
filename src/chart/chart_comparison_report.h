#pragma once

#include "chart/chart_comparison.h"

#include <nlohmann/json_fwd.hpp>
#include <string>

namespace beatplate {

// A comparison as it is reported: the two charts' names as given, and what differs.
struct ComparisonEntry {
    std::string oldName;
    std::string newName;
    ChartComparison comparison;
};

// The comparison as lines for people, UTF-8, each ending in LF: a line naming both charts and
// how many places differ, then each place (its measures, the notes added and removed by kind,
// the tempo, scroll speed and meter changes and what else changed), header changes, and the
// change in length, measures and notes. Measures are numbered from 1, as the picture shows them.
[[nodiscard]] std::string formatComparisonText(const ComparisonEntry& entry);

// The comparison as a JSON object, UTF-8, ending in LF: "same", the measures "changed" and
// "added" (of the new chart) and "removed" (of the old one), numbered from 1, where the removed
// ones stood in "removedBefore" ({"measure", "count"}: the new chart's measure they stood
// before, one past the last for the end), each place in "places", the header changes in
// "header", and both charts' figures in "old" and "new".
[[nodiscard]] std::string formatComparisonJson(const ComparisonEntry& entry);
// The same object as a value to build on.
[[nodiscard]] nlohmann::ordered_json comparisonJson(const ComparisonEntry& entry);

} // namespace beatplate
