#pragma once

#include "lsp/chart_analysis.h"
#include "lsp/text_document.h"

#include <nlohmann/json.hpp>
#include <string>

namespace beatplate {

// Quick fixes for the common slips of a chart: a note line that is not whole measures, a span
// left open, a full-width space, a number run together with other characters.
class CodeActionsFeature {
public:
    // The CodeAction array for the diagnostics whose lines the range touches.
    [[nodiscard]] static nlohmann::json actions(const std::string& uri,
                                                const TextDocument& document,
                                                const ChartAnalysis& analysis,
                                                const TextRange& range);
};

} // namespace beatplate
