#include "driver/chart_check.h"

#include "chart/chart_diagnostic.h"
#include "pipeline/chart_pipeline.h"

namespace beatplate {

std::string checkLinesOf(std::string_view name, const ChartPipeline& chart, WarningDisplay warnings)
{
    std::string lines;
    for (const ChartDiagnostic& diagnostic : chart.diagnostics()) {
        if (diagnostic.severity == ChartSeverity::Warning && warnings == WarningDisplay::Hidden)
            continue;
        lines += formatDiagnosticLine(name, diagnostic) + '\n';
    }
    return lines
        + formatCheckSummary(name, chart.diagnostics(), chart.complete(), chart.omittedWarnings())
        + '\n';
}

} // namespace beatplate
