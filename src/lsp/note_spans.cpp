#include "lsp/note_spans.h"

#include <map>
#include <utility>

namespace beatplate {

static bool opensSpan(char16_t c)
{
    return c == u'(' || c == u'<' || c == u'[';
}

static bool closesSpan(char16_t c)
{
    return c == u')' || c == u'>' || c == u']';
}

NoteSpans::NoteSpans(const TextDocument& document, const ChartAnalysis& analysis)
{
    // The span each branch holds open, by its index in m_spans.
    std::map<std::int32_t, std::size_t> open;
    const auto lines = document.lines();
    for (const NoteLinePlace& place : analysis.noteLines()) {
        const auto index = static_cast<std::size_t>(place.line - 1);
        if (index >= lines.size())
            continue;
        const std::u16string_view line = lines[index];
        for (std::size_t unit = 0; unit < line.size(); ++unit) {
            const TextPosition here{ static_cast<int>(index), static_cast<int>(unit) };
            const auto held = open.find(place.branch);
            if (held == open.end() && opensSpan(line[unit])) {
                open.emplace(place.branch, m_spans.size());
                m_spans.push_back({ here, std::nullopt });
            } else if (held != open.end() && closesSpan(line[unit])) {
                m_spans[held->second].close = here;
                open.erase(held);
            }
        }
    }
}

const NoteSpan* NoteSpans::spanAt(TextPosition position) const
{
    const auto at = std::pair(position.line, position.character);
    const NoteSpan* inner = nullptr;
    for (const NoteSpan& span : m_spans) {
        if (std::pair(span.open.line, span.open.character) > at)
            break;
        const bool closedBefore =
            span.close && std::pair(span.close->line, span.close->character) < at;
        if (!closedBefore)
            inner = &span;
    }
    return inner;
}

} // namespace beatplate
