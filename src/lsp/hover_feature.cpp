#include "lsp/hover_feature.h"

#include "base/text_codec.h"
#include "chart/chart_timeline.h"
#include "chart/directive_scanner.h"
#include "chart/directive_table.h"
#include "lsp/protocol_json.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace beatplate {

namespace {

// Whole numbers without a point, others with as many decimals as they need, up to six digits.
std::string formatNumber(double value)
{
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%g", value);
    return buffer.data();
}

std::string formatSeconds(double seconds)
{
    std::array<char, 64> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "%.3f", seconds);
    return buffer.data();
}

nlohmann::json markdown(std::string text, const TextRange& range)
{
    return { { "contents", { { "kind", "markdown" }, { "value", std::move(text) } } },
             { "range", toJson(range) } };
}

nlohmann::json directiveHover(std::u16string_view line, int lineIndex)
{
    DirectiveScanner scanner(line.substr(1));
    const auto keyword = scanner.readWord();
    if (!keyword)
        return nullptr;
    const Directive* const directive = findDirective(*keyword);
    const std::string name = "#" + utf8Of(*keyword);
    const TextRange range{
        { lineIndex, 0 }, { lineIndex, static_cast<int>(1 + scanner.lastStart() + keyword->size()) }
    };
    if (directive == nullptr)
        return markdown("`" + name + "`: not a directive of the notation", range);
    std::string text = "`" + name + "` " + std::string(directive->description);
    const std::u16string_view value = trimChartSpace(scanner.rest());
    if (!value.empty())
        text += "\n\nvalue as read: `" + utf8Of(value) + "`";
    return markdown(std::move(text), range);
}

const char* branchName(std::int32_t branch)
{
    switch (branch) {
    case 1:
        return "first";
    case 2:
        return "second";
    case 4:
        return "third";
    default:
        return "none";
    }
}

// The value of the last event of kind at or before position, for position's branch.
std::optional<std::int32_t> valueInForce(const ChartDocument& chart, ChartEventKind kind,
                                         const ChartPosition& position)
{
    std::optional<std::int32_t> value;
    for (const ChartEvent& event : chart.events) {
        if (event.position.measure > position.measure
            || (event.position.measure == position.measure && event.position.tick > position.tick))
            break;
        const bool forBranch = event.position.branch == 0 || position.branch == 0
            || (event.position.branch & position.branch) != 0;
        if (event.kind == kind && forBranch)
            value = event.value;
    }
    return value;
}

std::string noteLineText(const ChartReading& reading, const NoteLinePlace& place, std::size_t slot)
{
    const ChartPosition position = place.positionOfSlot(slot);
    const ChartDocument& chart = reading.document;
    std::string text = "**measure " + std::to_string(position.measure + 1) + "**";
    if (position.measure < chart.measures.size()) {
        const double beat =
            position.tick / (kTicksPerQuarter * chart.measures[position.measure].beatLength);
        text += ", beat " + formatNumber(beat + 1);
    }
    text += " (tick " + std::to_string(position.tick) + ")";
    const ChartTimeline& timeline = reading.timeline;
    const auto tick = timeline.tickOf(position);
    text += tick ? "\n\ntime " + formatSeconds(timeline.secondsAt(*tick)) + " s"
                 : std::string("\n\ntime unknown: the measure is not complete");
    const auto tempo = valueInForce(chart, ChartEventKind::Tempo, position);
    const auto speed = valueInForce(chart, ChartEventKind::ScrollSpeed, position);
    text += " · tempo " + formatNumber(tempo ? *tempo / 100.0 : kDefaultTempo);
    text += " · scroll speed " + formatNumber(speed ? *speed / 100.0 : 1.0);
    text += " · branch " + std::string(branchName(place.branch));
    return text;
}

} // namespace

nlohmann::json HoverFeature::hover(const TextDocument& document, const ChartAnalysis& analysis,
                                   TextPosition position)
{
    const auto lines = document.lines();
    if (position.line < 0 || static_cast<std::size_t>(position.line) >= lines.size())
        return nullptr;
    const std::u16string_view line = lines[static_cast<std::size_t>(position.line)];
    if (line.empty() || line.front() == u';')
        return nullptr;
    if (line.front() == u'#')
        return directiveHover(line, position.line);
    const NoteLinePlace* const place = analysis.placeOfLine(position.line + 1);
    const auto unit = static_cast<std::size_t>(std::max(position.character, 0));
    if (place == nullptr || unit >= line.size())
        return nullptr;
    const std::size_t slot = place->slotOfUnit(line, unit);
    const TextRange range{ { position.line, static_cast<int>(unit) },
                           { position.line, static_cast<int>(unit + 1) } };
    return markdown(noteLineText(analysis.reading(), *place, slot), range);
}

} // namespace beatplate
