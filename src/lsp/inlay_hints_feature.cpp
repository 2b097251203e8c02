#include "lsp/inlay_hints_feature.h"

#include "chart/chart_timeline.h"
#include "lsp/protocol_json.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace beatplate {

std::string InlayHintsFeature::formatTime(double seconds)
{
    // Rounded once, in hundredths, so that 59.999 s reads 1:00.00 and never 0:60.00.
    const auto hundredths = static_cast<long long>(std::llround(std::max(seconds, 0.0) * 100));
    std::array<char, 48> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%lld:%02lld.%02lld", hundredths / 6000,
                  hundredths / 100 % 60, hundredths % 100);
    return buffer.data();
}

nlohmann::json InlayHintsFeature::hints(const TextDocument& document, const ChartAnalysis& analysis,
                                        const TextRange& range)
{
    nlohmann::json result = nlohmann::json::array();
    const auto& places = analysis.noteLines();
    // Note lines are numbered from 1, the range's lines from 0.
    const auto first =
        std::lower_bound(places.begin(), places.end(), range.start.line + 1,
                         [](const NoteLinePlace& place, int line) { return place.line < line; });
    if (first == places.end() || first->line > range.end.line + 1)
        return result;
    const ChartTimeline& timeline = analysis.reading().timeline;
    // Counted once: the document counts its lines anew each time it is asked.
    const int lineCount = document.lineCount();
    for (auto place = first; place != places.end() && place->line <= range.end.line + 1; ++place) {
        if (place->line > lineCount)
            break;
        std::string label = std::string(1, 'm').append(std::to_string(place->firstMeasure + 1));
        if (const auto tick = timeline.tickOf({ place->firstMeasure, 0, place->branch }))
            label.append(" · ").append(formatTime(timeline.secondsAt(*tick)));
        result.push_back({ { "position", toJson(TextPosition{ place->line - 1, 0 }) },
                           { "label", std::move(label) },
                           { "paddingRight", true } });
    }
    return result;
}

} // namespace beatplate
