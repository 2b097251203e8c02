#include "lsp/selection_feature.h"

#include "lsp/folding_feature.h"
#include "lsp/protocol_json.h"

#include <algorithm>

namespace beatplate {

namespace {

bool holds(const TextRange& outer, const TextRange& inner)
{
    const auto before = [](TextPosition a, TextPosition b) {
        return std::pair(a.line, a.character) <= std::pair(b.line, b.character);
    };
    return before(outer.start, inner.start) && before(inner.end, outer.end) && outer != inner;
}

// The slots of the measure that holds unit on a note line, as a range of code units.
std::optional<TextRange> measureOf(std::u16string_view line, int index, const NoteLinePlace& place,
                                   std::size_t unit)
{
    if (place.charsPerMeasure == 0 || unit >= line.size())
        return std::nullopt;
    const std::size_t measure = place.slotOfUnit(line, unit) / place.charsPerMeasure;
    // One walk along the line, not a slot count for each unit: a long line stays quick.
    std::size_t start = unit;
    std::size_t end = line.size();
    std::size_t slot = 0;
    for (std::size_t at = 0; at < line.size(); ++at) {
        const std::size_t here = slot / place.charsPerMeasure;
        if (here == measure && at < start)
            start = at;
        if (at > unit && here != measure) {
            end = at;
            break;
        }
        slot += line[at] == u'\t' ? place.tabWidth - slot % place.tabWidth : 1;
    }
    return TextRange{ { index, static_cast<int>(start) }, { index, static_cast<int>(end) } };
}

class Chain {
public:
    explicit Chain(const TextDocument& document)
        : m_document(document)
    {
    }

    void add(const TextRange& range) { m_candidates.push_back(range); }

    // The narrowest candidate, then each narrowest that holds the last one taken, as a
    // SelectionRange and its parents.
    nlohmann::json json()
    {
        std::stable_sort(
            m_candidates.begin(), m_candidates.end(),
            [&](const TextRange& a, const TextRange& b) { return length(a) < length(b); });
        std::vector<TextRange> taken;
        for (const TextRange& range : m_candidates)
            if (taken.empty() || holds(range, taken.back()))
                taken.push_back(range);
        nlohmann::json result;
        for (auto range = taken.rbegin(); range != taken.rend(); ++range) {
            nlohmann::json outer = std::move(result);
            result = { { "range", toJson(*range) } };
            if (!outer.is_null())
                result["parent"] = std::move(outer);
        }
        return result;
    }

private:
    std::size_t length(const TextRange& range) const
    {
        return m_document.offsetOf(range.end) - m_document.offsetOf(range.start);
    }

    const TextDocument& m_document;
    std::vector<TextRange> m_candidates;
};

} // namespace

nlohmann::json SelectionFeature::selectionRanges(const TextDocument& document,
                                                 const ChartAnalysis& analysis,
                                                 const NoteSpans& spans,
                                                 const nlohmann::json& positions)
{
    const auto lines = document.lines();
    const std::vector<FoldRange> folds = FoldingFeature::ranges(document);
    const int lastLine = std::max(static_cast<int>(lines.size()) - 1, 0);
    const TextRange whole{ {}, document.positionOf(document.text().size()) };
    nlohmann::json result = nlohmann::json::array();
    for (const nlohmann::json& entry : positions) {
        TextPosition position = positionOf(entry);
        position.line = std::clamp(position.line, 0, lastLine);
        const std::u16string_view line = lines[static_cast<std::size_t>(position.line)];
        position.character = std::clamp(position.character, 0, static_cast<int>(line.size()));
        Chain chain(document);
        chain.add({ position, position });
        if (static_cast<std::size_t>(position.character) < line.size())
            chain.add({ position, { position.line, position.character + 1 } });
        if (const NoteSpan* span = spans.spanAt(position))
            chain.add({ span->open,
                        span->close ? TextPosition{ span->close->line, span->close->character + 1 }
                                    : whole.end });
        if (const NoteLinePlace* place = analysis.placeOfLine(position.line + 1))
            if (auto measure = measureOf(line, position.line, *place,
                                         static_cast<std::size_t>(position.character)))
                chain.add(*measure);
        chain.add({ { position.line, 0 }, { position.line, static_cast<int>(line.size()) } });
        for (auto fold = folds.rbegin(); fold != folds.rend(); ++fold)
            if (fold->startLine <= position.line && position.line <= fold->endLine)
                chain.add({ { fold->startLine, 0 },
                            { fold->endLine,
                              static_cast<int>(
                                  lines[static_cast<std::size_t>(fold->endLine)].size()) } });
        chain.add(whole);
        result.push_back(chain.json());
    }
    return result;
}

} // namespace beatplate
