#include "lsp/highlight_feature.h"

#include "lsp/protocol_json.h"

namespace beatplate {

static nlohmann::json highlight(TextPosition at)
{
    // The protocol's highlight kind "text".
    constexpr int kTextHighlight = 1;
    return { { "range", toJson(TextRange{ at, { at.line, at.character + 1 } }) },
             { "kind", kTextHighlight } };
}

nlohmann::json HighlightFeature::highlights(const NoteSpans& spans, TextPosition position)
{
    nlohmann::json result = nlohmann::json::array();
    const NoteSpan* span = spans.spanAt(position);
    // A caret just after a closing character still means that span.
    if (span == nullptr && position.character > 0)
        span = spans.spanAt({ position.line, position.character - 1 });
    if (span == nullptr)
        return result;
    result.push_back(highlight(span->open));
    if (span->close)
        result.push_back(highlight(*span->close));
    return result;
}

} // namespace beatplate
