#include "driver/chart_check.h"

#include "chart/chart_diagnostic.h"
#include "chart/chart_reading.h"

namespace beatplate {

std::string checkLinesOf(std::string_view name, const ChartReading& chart, WarningDisplay warnings)
{
    std::string lines;
    for (const ChartDiagnostic& diagnostic : chart.diagnostics) {
        if (diagnostic.severity == ChartSeverity::Warning && warnings == WarningDisplay::Hidden)
            continue;
        lines += formatDiagnosticLine(name, diagnostic) + '\n';
    }
    return lines
        + formatCheckSummary(name, chart.diagnostics, chart.complete, chart.omittedWarnings) + '\n';
}

} // namespace beatplate
