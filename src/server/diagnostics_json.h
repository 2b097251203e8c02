#pragma once

#include "chart/chart_diagnostic.h"

#include <span>
#include <string>

namespace beatplate {

// A chart's errors and warnings as the page reads them, a JSON array of
// {"line", "column", "severity", "message", "detail"}, severity "error" or "warning".
[[nodiscard]] std::string diagnosticsJson(std::span<const ChartDiagnostic> diagnostics);

} // namespace beatplate
