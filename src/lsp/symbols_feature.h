#pragma once

#include "lsp/chart_analysis.h"
#include "lsp/text_document.h"

#include <nlohmann/json.hpp>

namespace beatplate {

// The outline of a chart: header directives, branch sections, gogo sections, tempo changes and
// every tenth measure, in the order of the text.
class SymbolsFeature {
public:
    // The DocumentSymbol array of textDocument/documentSymbol.
    [[nodiscard]] static nlohmann::json symbols(const TextDocument& document,
                                                const ChartAnalysis& analysis);
};

} // namespace beatplate
