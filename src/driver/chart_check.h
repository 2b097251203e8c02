#pragma once

#include "driver/chart_job.h"

#include <string>
#include <string_view>

namespace beatplate {

struct ChartReading;

// The check lines of a chart that was read: each diagnostic shown, under the name given, then
// the summary; every line ends in LF. Warnings left out when hidden still count in the summary.
[[nodiscard]] std::string checkLinesOf(std::string_view name, const ChartReading& chart,
                                       WarningDisplay warnings);

} // namespace beatplate
