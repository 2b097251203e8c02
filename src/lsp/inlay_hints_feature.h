#pragma once

#include "lsp/chart_analysis.h"
#include "lsp/text_document.h"

#include <nlohmann/json.hpp>
#include <string>

namespace beatplate {

// Where a note line stands in time, written before it: "m12 · 0:23.50", the measure of its
// first slot and the time from the chart's start to that slot.
class InlayHintsFeature {
public:
    // The InlayHint array of textDocument/inlayHint: one hint for each note line in range that
    // the reader read without an error.
    [[nodiscard]] static nlohmann::json
    hints(const TextDocument& document, const ChartAnalysis& analysis, const TextRange& range);
    // Minutes, then seconds to the hundredth: "0:23.50".
    [[nodiscard]] static std::string formatTime(double seconds);
};

} // namespace beatplate
