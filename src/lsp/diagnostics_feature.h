#pragma once

#include "chart/chart_diagnostic.h"
#include "lsp/chart_analysis.h"
#include "lsp/text_document.h"

#include <nlohmann/json.hpp>
#include <string>

namespace beatplate {

// The diagnostics an editor shows for a chart: those of --check, each over the text it is about.
class DiagnosticsFeature {
public:
    // The params of textDocument/publishDiagnostics.
    [[nodiscard]] static nlohmann::json publishParams(const std::string& uri,
                                                      const ChartAnalysis& analysis);
    // The text a diagnostic is about, as the chart reader placed it in its line.
    [[nodiscard]] static TextRange rangeOf(const ChartDiagnostic& diagnostic);
};

} // namespace beatplate
