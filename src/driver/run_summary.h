#pragma once

#include "driver/chart_job.h"

#include <span>
#include <string>

namespace beatplate {

// What a run of several charts did, for a person reading its window at the end: one line per
// picture written (the failures were reported as they came), then the counts, as in
// "3 pictures written, 1 chart has an error".
[[nodiscard]] std::string runSummary(std::span<const ChartJob> jobs,
                                     std::span<const ChartOutcome> outcomes);

} // namespace beatplate
