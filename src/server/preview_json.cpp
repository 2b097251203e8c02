#include "server/preview_json.h"

#include <cmath>
#include <nlohmann/json.hpp>

namespace beatplate {

using Json = nlohmann::ordered_json;

std::string diagnosticsJson(std::span<const ChartDiagnostic> diagnostics)
{
    Json list = Json::array();
    for (const auto& diagnostic : diagnostics) {
        list.push_back(
            { { "line", diagnostic.line() },
              { "column", diagnostic.column() },
              { "severity", diagnostic.severity == ChartSeverity::Error ? "error" : "warning" },
              { "message", diagnostic.message },
              { "detail", diagnostic.detail } });
    }
    return list.dump();
}

std::vector<Stroke> previewStrokes(const ChartDocument& document)
{
    const ChartTimeline timeline(document);
    StrokeScheduler scheduler(document, timeline, { true, true, 0 });
    std::vector<Stroke> strokes;
    for (auto stroke = scheduler.next(); stroke; stroke = scheduler.next())
        strokes.push_back(*stroke);
    return strokes;
}

std::string soundJson(std::span<const Stroke> strokes)
{
    Json voices = Json::array();
    for (std::size_t voice = 0; voice < kVoiceCount; ++voice)
        voices.push_back(voiceName(static_cast<Voice>(voice)));
    Json list = Json::array();
    for (const Stroke& stroke : strokes)
        list.push_back({ std::round(stroke.seconds * 1e6) / 1e6, static_cast<int>(stroke.voice),
                         stroke.paths });
    return Json{
        { "sampleRate", kSampleRate },
        { "voiceSamples", DrumVoices::kLongestVoice },
        { "voices", voices },
        { "strokes", list }
    }.dump();
}

} // namespace beatplate
