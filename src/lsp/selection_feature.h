#pragma once

#include "lsp/note_spans.h"
#include "lsp/text_document.h"

#include <nlohmann/json.hpp>

namespace beatplate {

// Ever wider selections from a place in a chart: the character, the span that holds it, the
// measure of the note line, the line, the branch or gogo section, the whole chart.
class SelectionFeature {
public:
    // The SelectionRange array of textDocument/selectionRange, one for each position.
    [[nodiscard]] static nlohmann::json selectionRanges(const TextDocument& document,
                                                        const ChartAnalysis& analysis,
                                                        const NoteSpans& spans,
                                                        const nlohmann::json& positions);
};

} // namespace beatplate
