#pragma once

#include "driver/chart_job.h"

#include <chrono>
#include <span>

namespace beatplate {

// Saves closer together than this are one save: an editor's write, rename and touch.
inline constexpr std::chrono::milliseconds kSaveBurst{ 100 };

// Draws each chart, then draws it again whenever it is saved, until SIGINT or SIGTERM ends the
// watch; each drawing is reported on console, a picture written as "drawn CHART in N ms". A
// chart that fails leaves its last picture as it was. Returns 0 once interrupted, 1 when the
// charts' directories cannot be watched.
[[nodiscard]] int watchCharts(std::span<const ChartJob> jobs, const DrawingTools& tools,
                              const ChartSettings& settings, OutputClaims& claims,
                              Console& console);

} // namespace beatplate
