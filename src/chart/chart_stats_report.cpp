#include "chart/chart_stats_report.h"

#include "base/text_codec.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>

namespace beatplate {
namespace {

using Json = nlohmann::ordered_json;

constexpr int kLabelWidth = 16;
constexpr int kColumnWidth = 10;

std::string fixed(double value, int decimals)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.*f", decimals, value);
    return buffer;
}

// Tempos and speeds are hundredths: two decimals at most, trailing zeros dropped.
std::string hundredths(double value)
{
    std::string text = fixed(value, 2);
    while (text.back() == '0')
        text.pop_back();
    if (text.back() == '.')
        text.pop_back();
    return text == "-0" ? "0" : text;
}

std::string rangeText(const ValueRange& range)
{
    if (range.lowest == range.highest)
        return hundredths(range.lowest);
    return hundredths(range.lowest) + " to " + hundredths(range.highest);
}

std::string padded(std::string text, int width)
{
    if (static_cast<int>(text.size()) < width)
        text.insert(0, static_cast<std::size_t>(width) - text.size(), ' ');
    return text;
}

// The label and enough blanks to line the values up.
std::string labelled(std::string_view label)
{
    std::string text(label);
    text.resize(std::max(text.size() + 1, static_cast<std::size_t>(kLabelWidth)), ' ');
    return text;
}

void appendLine(std::string& out, std::string_view label, const std::string& value)
{
    out += labelled(label) + value + '\n';
}

std::string spansText(const ChartStats& stats)
{
    std::string text;
    for (const SpanFigures& span : stats.spans) {
        if (!text.empty())
            text += ", ";
        text += static_cast<char>(span.kind);
        text += ' ' + std::to_string(span.count) + " for " + fixed(span.seconds, 3) + " s";
    }
    return text;
}

std::string densityText(const NoteDensity& density, const std::string& lanes)
{
    std::string text = fixed(density.averagePerSecond, 3) + " notes/s" + lanes;
    if (density.peakNotes > 0) {
        text += ", at most " + std::to_string(density.peakNotes) + " in one second from "
            + fixed(density.peakStart, 3) + " s (measure " + std::to_string(density.peakMeasure)
            + ")";
    }
    return text;
}

template <typename Cell>
void appendBranchRow(std::string& out, std::string_view label,
                     const std::vector<BranchPathFigures>& paths, Cell cell)
{
    std::string row = labelled(label);
    for (const BranchPathFigures& path : paths)
        row += padded(cell(path), kColumnWidth);
    out += row + '\n';
}

void appendBranchTable(std::string& out, const std::vector<BranchPathFigures>& paths)
{
    appendBranchRow(out, "branch paths", paths,
                    [](const auto& path) { return "branch " + std::to_string(path.branch); });
    appendBranchRow(out, "  notes", paths,
                    [](const auto& path) { return std::to_string(path.notes); });
    appendBranchRow(out, "  notes/s", paths,
                    [](const auto& path) { return fixed(path.density.averagePerSecond, 3); });
    appendBranchRow(out, "  most in 1 s", paths,
                    [](const auto& path) { return std::to_string(path.density.peakNotes); });
    appendBranchRow(out, "  from second", paths,
                    [](const auto& path) { return fixed(path.density.peakStart, 3); });
    appendBranchRow(out, "  from measure", paths,
                    [](const auto& path) { return std::to_string(path.density.peakMeasure); });
}

double milli(double value)
{
    return std::round(value * 1000.0) / 1000.0;
}

Json densityJson(const NoteDensity& density)
{
    Json series = Json::array();
    for (const double perSecond : density.series)
        series.push_back(milli(perSecond));
    return { { "average", milli(density.averagePerSecond) },
             { "peak", density.peakNotes },
             { "peakStart", milli(density.peakStart) },
             { "peakMeasure", density.peakMeasure },
             { "series", series } };
}

// The timeline is read back to place a cursor in time: microseconds.
double micro(double value)
{
    return std::round(value * 1e6) / 1e6;
}

Json measureJson(std::size_t index, const MeasureTime& measure)
{
    Json json{ { "measure", index + 1 },
               { "tick", measure.tick },
               { "ticks", measure.ticks },
               { "start", micro(measure.start) },
               { "seconds", micro(measure.seconds) },
               { "beats", measure.beats } };
    if (measure.lines != std::array<std::int32_t, 3>{})
        json["lines"] = measure.lines;
    if (const auto& place = measure.place) {
        json["part"] = place->part + 1;
        json["column"] = place->column + 1;
        json["row"] = place->row + 1;
        json["x"] = place->x;
        json["top"] = place->top;
        json["height"] = place->height;
        json["pixelsPerTick"] = place->pixelsPerTick;
    }
    return json;
}

Json timelineJson(const ChartStats& stats)
{
    Json tempos = Json::array();
    for (const TempoChange& change : stats.tempos)
        tempos.push_back({ { "tick", change.tick },
                           { "seconds", micro(change.seconds) },
                           { "tempo", change.tempo } });
    Json measures = Json::array();
    for (std::size_t i = 0; i < stats.timeline.size(); ++i)
        measures.push_back(measureJson(i, stats.timeline[i]));
    return { { "tempos", tempos }, { "measures", measures } };
}

Json rangeJson(const ValueRange& range)
{
    return { { "lowest", range.lowest }, { "highest", range.highest } };
}

} // namespace

Json chartStatsJson(const ChartStatsEntry& entry)
{
    const ChartStats& stats = entry.stats;
    Json spans = Json::object();
    for (const SpanFigures& span : stats.spans) {
        spans[std::string(1, static_cast<char>(span.kind))] = {
            { "count", span.count }, { "seconds", milli(span.seconds) }
        };
    }
    Json branches = Json::array();
    for (const BranchPathFigures& path : stats.branches) {
        branches.push_back({ { "branch", path.branch },
                             { "notes", path.notes },
                             { "density", densityJson(path.density) } });
    }
    Json gogo = Json::array();
    for (const TimeSpan& section : stats.gogo)
        gogo.push_back({ { "start", milli(section.start) }, { "end", milli(section.end) } });
    return { { "path", entry.path.string() },
             { "title", utf8Of(entry.title) },
             { "measures", stats.measures },
             { "seconds", milli(stats.seconds) },
             { "notes",
               { { "o", stats.notes.o },
                 { "O", stats.notes.bigO },
                 { "x", stats.notes.x },
                 { "X", stats.notes.bigX },
                 { "total", stats.notes.total() } } },
             { "spans", spans },
             { "countedSpans", stats.countedSpans },
             { "countSum", stats.countSum },
             { "tempo", rangeJson(stats.tempo) },
             { "scrollSpeed", rangeJson(stats.scrollSpeed) },
             { "density", densityJson(stats.density) },
             { "densityStep", stats.densityStep },
             { "gogo", gogo },
             { "branches", branches },
             { "uncompletedNotes", stats.uncompletedNotes },
             { "timeline", timelineJson(stats) } };
}

std::string formatChartStatsText(const ChartStatsEntry& entry)
{
    const ChartStats& stats = entry.stats;
    std::string out = entry.path.string();
    if (!entry.title.empty())
        out += ": " + utf8Of(entry.title);
    out += '\n';
    appendLine(out, "measures", std::to_string(stats.measures));
    appendLine(out, "length", fixed(stats.seconds, 3) + " s");
    appendLine(out, "tempo", rangeText(stats.tempo));
    appendLine(out, "scroll speed", rangeText(stats.scrollSpeed));
    const NoteCounts& notes = stats.notes;
    // Of a branched chart no play meets every note; the paths below tell what one meets.
    const std::string lanes = stats.branches.empty() ? "" : " in all lanes";
    appendLine(out, "notes",
               std::to_string(notes.total()) + lanes + " (o " + std::to_string(notes.o) + ", O "
                   + std::to_string(notes.bigO) + ", x " + std::to_string(notes.x) + ", X "
                   + std::to_string(notes.bigX) + ")");
    appendLine(out, "spans", spansText(stats));
    appendLine(out, "counted spans",
               std::to_string(stats.countedSpans) + ", their counts adding up to "
                   + std::to_string(stats.countSum));
    appendLine(out, "density", densityText(stats.density, lanes));
    if (stats.uncompletedNotes > 0) {
        appendLine(out, "not counted",
                   std::to_string(stats.uncompletedNotes)
                       + " notes and spans of measures never completed");
    }
    if (!stats.branches.empty())
        appendBranchTable(out, stats.branches);
    return out;
}

std::string formatChartStatsJson(std::span<const ChartStatsEntry> entries, StatsJsonLayout layout)
{
    Json json = Json::array();
    for (const ChartStatsEntry& entry : entries)
        json.push_back(chartStatsJson(entry));
    const bool single = entries.size() == 1 && layout == StatsJsonLayout::ObjectForOne;
    const Json& document = single ? json.at(0) : json;
    // A path need not be UTF-8; its undecodable bytes become U+FFFD rather than an error.
    return document.dump(2, ' ', false, Json::error_handler_t::replace) + '\n';
}

} // namespace beatplate
