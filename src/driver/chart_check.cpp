#include "driver/chart_check.h"

#include "chart/chart_diagnostic.h"
#include "chart/chart_parser.h"
#include "render/score_layout.h"

namespace beatplate {

CheckedChart checkChartText(std::string_view name, ChartTextReader& reader, WarningDisplay warnings)
{
    ChartParser parser;
    ChartCheck check = parser.check(reader);
    CheckedChart checked{ {}, check.hasErrors(), std::move(check.document) };
    for (const ChartDiagnostic& diagnostic : check.diagnostics) {
        if (diagnostic.severity == ChartSeverity::Warning && warnings == WarningDisplay::Hidden)
            continue;
        checked.lines += formatDiagnosticLine(name, diagnostic) + '\n';
    }
    checked.lines +=
        formatCheckSummary(name, check.diagnostics, check.complete, check.omittedWarnings) + '\n';
    return checked;
}

bool pictureFits(const ChartDocument& document)
{
    // The layout alone, without a sheet or a canvas: it is what decides the picture's size.
    return ScoreLayout(document).fitsPicture();
}

} // namespace beatplate
