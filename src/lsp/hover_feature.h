#pragma once

#include "lsp/chart_analysis.h"
#include "lsp/text_document.h"

#include <nlohmann/json.hpp>

namespace beatplate {

// What a character of a chart is: on a note line its measure, beat, time from the start,
// tempo, scroll speed and branch; on a directive what it sets and the value as read.
class HoverFeature {
public:
    // The hover's result, or null where there is nothing to say.
    [[nodiscard]] static nlohmann::json hover(const TextDocument& document,
                                              const ChartAnalysis& analysis, TextPosition position);
};

} // namespace beatplate
