#pragma once

#include "chart/chart_diagnostic.h"
#include "lsp/chart_analysis.h"
#include "lsp/text_document.h"

#include <nlohmann/json.hpp>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// The diagnostics an editor shows for a chart: those of --check, each over the text it is about.
class DiagnosticsFeature {
public:
    // The params of textDocument/publishDiagnostics.
    [[nodiscard]] static nlohmann::json publishParams(const std::string& uri,
                                                      const TextDocument& document,
                                                      const ChartAnalysis& analysis);
    // The span of text a diagnostic is about in lines (the chart's lines, from 0): the character
    // it names, a directive's word, or the rest of a note line.
    [[nodiscard]] static TextRange rangeOf(const ChartDiagnostic& diagnostic,
                                           const std::vector<std::u16string_view>& lines);
};

} // namespace beatplate
