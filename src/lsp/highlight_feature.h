#pragma once

#include "lsp/note_spans.h"

#include <nlohmann/json.hpp>

namespace beatplate {

// The two ends of a span: at its opening or closing character, or anywhere inside it, both are
// shown, so that the author sees where a span held over lines begins and ends.
class HighlightFeature {
public:
    // The DocumentHighlight array of textDocument/documentHighlight; empty outside every span.
    [[nodiscard]] static nlohmann::json highlights(const NoteSpans& spans, TextPosition position);
};

} // namespace beatplate
