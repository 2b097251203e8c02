#pragma once

#include "lsp/chart_analysis.h"
#include "lsp/text_document.h"

#include <optional>
#include <vector>

namespace beatplate {

// One span of a chart as written: where its opening character stands and where the character
// that closes it stands, when one does.
struct NoteSpan {
    TextPosition open;
    std::optional<TextPosition> close;

    bool operator==(const NoteSpan&) const = default;
};

// The spans of the note lines the reader read without an error, each branch's lines paired on
// their own, as the reader pairs them.
class NoteSpans {
public:
    NoteSpans(const TextDocument& document, const ChartAnalysis& analysis);

    // In the order of their opening characters.
    [[nodiscard]] const std::vector<NoteSpan>& spans() const { return m_spans; }
    // The innermost span whose characters, from its opening to its closing one, hold the
    // character at position; null when none does.
    [[nodiscard]] const NoteSpan* spanAt(TextPosition position) const;

private:
    std::vector<NoteSpan> m_spans;
};

} // namespace beatplate
