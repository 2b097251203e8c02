#include "chart/chart_comparison_report.h"

#include "base/text_codec.h"

#include <cmath>
#include <cstdio>
#include <nlohmann/json.hpp>
#include <string_view>

namespace beatplate {

namespace {

using Json = nlohmann::ordered_json;

std::string kindName(NoteKind kind)
{
    return std::string(1, static_cast<char>(kind));
}

// A tempo or scroll speed stored times 100, as written: "165.5", "-1.5", "120".
std::string hundredthsText(std::int32_t value)
{
    const std::int64_t magnitude = value < 0 ? -std::int64_t{ value } : value;
    std::string text = (value < 0 ? "-" : "") + std::to_string(magnitude / 100);
    if (const auto fraction = magnitude % 100; fraction != 0)
        text += '.' + std::to_string(fraction / 10)
            + (fraction % 10 != 0 ? std::to_string(fraction % 10) : "");
    return text;
}

// 4/4, 6/8; a beat that is no note value as beats x quarter notes.
std::string meterText(const MeasureInfo& meter)
{
    const double unit = 4.0 / meter.beatLength;
    if (unit >= 1 && unit <= 1024 && unit == std::floor(unit))
        return std::to_string(meter.beats) + "/" + std::to_string(static_cast<int>(unit));
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d x %g quarters", meter.beats, meter.beatLength);
    return buffer;
}

std::string fixed3(double value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.3f", value);
    return buffer;
}

std::string signedText(std::int64_t value)
{
    return (value >= 0 ? "+" : "") + std::to_string(value);
}

// Measure numbers from 1, runs written as ranges: "3, 5-7".
std::string measureList(const std::vector<std::uint32_t>& measures)
{
    std::string text;
    for (std::size_t at = 0; at < measures.size();) {
        std::size_t end = at + 1;
        while (end < measures.size() && measures[end] == measures[end - 1] + 1)
            ++end;
        if (!text.empty())
            text += ", ";
        text += std::to_string(measures[at] + 1);
        if (end - at > 1)
            text += "-" + std::to_string(measures[end - 1] + 1);
        at = end;
    }
    return text;
}

std::string rangeText(std::uint32_t first, std::uint32_t end)
{
    if (end - first == 1)
        return std::to_string(first + 1);
    return std::to_string(first + 1) + "-" + std::to_string(end);
}

// Where a place stands in the new chart: its measures, or the measure its removed ones stood
// before.
std::string newPlaceText(const ChangedPlace& place, std::size_t newMeasures)
{
    if (place.newFirst < place.newEnd)
        return (place.newEnd - place.newFirst == 1 ? "measure " : "measures ")
            + rangeText(place.newFirst, place.newEnd);
    if (place.newFirst < newMeasures)
        return "before measure " + std::to_string(place.newFirst + 1);
    if (newMeasures > 0)
        return "after measure " + std::to_string(newMeasures);
    return "no measure";
}

std::string placeHeading(const ChangedPlace& place, std::size_t newMeasures)
{
    std::string text = "@ " + newPlaceText(place, newMeasures) + " (";
    text += place.oldFirst < place.oldEnd ? "old " + rangeText(place.oldFirst, place.oldEnd)
                                          : std::string("no old measure");
    text += "):";
    std::string_view separator = " ";
    const auto part = [&](std::string_view what, const std::vector<std::uint32_t>& measures) {
        if (measures.empty())
            return;
        text += std::string(separator) + std::string(what) + measureList(measures);
        separator = "; ";
    };
    part("changed ", place.changed);
    part("added ", place.added);
    part("removed old ", place.removed);
    return text + '\n';
}

// "+3 (o 2, x 1)"; empty when there are none.
std::string countsText(const NoteKindCounts& counts, char sign)
{
    if (counts.total() == 0)
        return {};
    std::string kinds;
    for (std::size_t at = 0; at < counts.counts.size(); ++at) {
        if (counts.counts[at] == 0)
            continue;
        if (!kinds.empty())
            kinds += ", ";
        kinds += kindName(kComparedNoteKinds[at]) + " " + std::to_string(counts.counts[at]);
    }
    return sign + std::to_string(counts.total()) + " (" + kinds + ")";
}

std::string eventText(const EventChange& change)
{
    std::string text = change.kind == ChartEventKind::Tempo ? "  tempo: " : "  scroll speed: ";
    const std::string tick = change.tick != 0 ? " (tick " + std::to_string(change.tick) + ")" : "";
    if (change.oldValue && change.newValue)
        return text + hundredthsText(*change.oldValue) + " -> " + hundredthsText(*change.newValue)
            + " in measure " + std::to_string(*change.newMeasure + 1) + tick + '\n';
    if (change.newValue)
        return text + hundredthsText(*change.newValue) + " added in measure "
            + std::to_string(*change.newMeasure + 1) + tick + '\n';
    return text + hundredthsText(change.oldValue.value_or(0)) + " removed from old measure "
        + std::to_string(change.oldMeasure.value_or(0) + 1) + tick + '\n';
}

constexpr std::array<std::pair<ChangeAspect, std::string_view>, 4> kOtherAspects{ {
    { kSpansChanged, "spans" },
    { kGogoChanged, "gogo" },
    { kBranchesChanged, "branches" },
    { kRowBreakChanged, "row break" },
} };

std::string placeText(const ChangedPlace& place, std::size_t newMeasures)
{
    std::string text = placeHeading(place, newMeasures);
    const std::string added = countsText(place.notesAdded, '+');
    const std::string removed = countsText(place.notesRemoved, '-');
    if (!added.empty() || !removed.empty())
        text +=
            "  notes: " + added + (added.empty() || removed.empty() ? "" : ", ") + removed + '\n';
    for (const EventChange& change : place.events)
        text += eventText(change);
    for (const MeterChange& meter : place.meters)
        text += "  meter: " + meterText(meter.oldMeter) + " -> " + meterText(meter.newMeter)
            + " in measure " + std::to_string(meter.newMeasure + 1) + '\n';
    std::string others;
    for (const auto& [aspect, name] : kOtherAspects) {
        if ((place.aspects & aspect) != 0)
            others += (others.empty() ? "" : ", ") + std::string(name);
    }
    if (!others.empty())
        text += "  also: " + others + '\n';
    return text;
}

std::string figuresLine(const ChartComparison& comparison)
{
    const ComparedFigures& before = comparison.oldFigures;
    const ComparedFigures& after = comparison.newFigures;
    const auto change = [](auto oldValue, auto newValue) {
        return std::to_string(oldValue) + " -> " + std::to_string(newValue) + " ("
            + signedText(static_cast<std::int64_t>(newValue) - static_cast<std::int64_t>(oldValue))
            + ")";
    };
    const double seconds = after.seconds - before.seconds;
    return "length: " + fixed3(before.seconds) + " s -> " + fixed3(after.seconds) + " s ("
        + (seconds >= 0 ? "+" : "") + fixed3(seconds)
        + " s), measures: " + change(before.measures, after.measures)
        + ", notes: " + change(before.notes, after.notes) + '\n';
}

Json measureNumbers(const std::vector<std::uint32_t>& measures)
{
    Json list = Json::array();
    for (const std::uint32_t measure : measures)
        list.push_back(measure + 1);
    return list;
}

Json countsJson(const NoteKindCounts& counts)
{
    Json json = Json::object();
    for (std::size_t at = 0; at < counts.counts.size(); ++at)
        json[kindName(kComparedNoteKinds[at])] = counts.counts[at];
    return json;
}

Json optionalNumber(const std::optional<std::uint32_t>& measure)
{
    return measure ? Json(*measure + 1) : Json(nullptr);
}

Json optionalValue(const std::optional<std::int32_t>& value)
{
    return value ? Json(*value / 100.0) : Json(nullptr);
}

Json placeJson(const ChangedPlace& place)
{
    Json events = Json::array();
    for (const EventChange& change : place.events)
        events.push_back(
            { { "kind", change.kind == ChartEventKind::Tempo ? "tempo" : "scroll speed" },
              { "measure", optionalNumber(change.newMeasure) },
              { "oldMeasure", optionalNumber(change.oldMeasure) },
              { "tick", change.tick },
              { "old", optionalValue(change.oldValue) },
              { "new", optionalValue(change.newValue) } });
    Json meters = Json::array();
    for (const MeterChange& meter : place.meters)
        meters.push_back({ { "measure", meter.newMeasure + 1 },
                           { "oldMeasure", meter.oldMeasure + 1 },
                           { "old", meterText(meter.oldMeter) },
                           { "new", meterText(meter.newMeter) } });
    Json also = Json::array();
    for (const auto& [aspect, name] : kOtherAspects) {
        if ((place.aspects & aspect) != 0)
            also.push_back(name);
    }
    return { { "first", place.newFirst + 1 },
             { "count", place.newEnd - place.newFirst },
             { "oldFirst", place.oldFirst + 1 },
             { "oldCount", place.oldEnd - place.oldFirst },
             { "changed", measureNumbers(place.changed) },
             { "added", measureNumbers(place.added) },
             { "removed", measureNumbers(place.removed) },
             { "notesAdded", countsJson(place.notesAdded) },
             { "notesRemoved", countsJson(place.notesRemoved) },
             { "events", events },
             { "meters", meters },
             { "also", also } };
}

Json figuresJson(const std::string& name, const ComparedFigures& figures)
{
    return { { "path", name },
             { "measures", figures.measures },
             { "seconds", std::round(figures.seconds * 1000.0) / 1000.0 },
             { "notes", figures.notes } };
}

Json headerJson(const ChartComparison& comparison)
{
    Json header = Json::object();
    if (comparison.title)
        header["title"] = { { "old", utf8Of(comparison.title->oldValue) },
                            { "new", utf8Of(comparison.title->newValue) } };
    if (comparison.difficulty)
        header["difficulty"] = { { "old", utf8Of(comparison.difficulty->oldValue) },
                                 { "new", utf8Of(comparison.difficulty->newValue) } };
    if (comparison.level)
        header["level"] = { { "old", comparison.level->oldValue },
                            { "new", comparison.level->newValue } };
    return header;
}

} // namespace

std::string formatComparisonText(const ComparisonEntry& entry)
{
    const ChartComparison& comparison = entry.comparison;
    std::string text = entry.oldName + " -> " + entry.newName + ": ";
    if (comparison.same())
        text += "the same\n";
    else
        text += std::to_string(comparison.places.size())
            + (comparison.places.size() == 1 ? " place differs\n" : " places differ\n");
    for (const ChangedPlace& place : comparison.places)
        text += placeText(place, comparison.newFigures.measures);
    if (comparison.title)
        text += "title: \"" + utf8Of(comparison.title->oldValue) + "\" -> \""
            + utf8Of(comparison.title->newValue) + "\"\n";
    if (comparison.difficulty)
        text += "difficulty: \"" + utf8Of(comparison.difficulty->oldValue) + "\" -> \""
            + utf8Of(comparison.difficulty->newValue) + "\"\n";
    if (comparison.level)
        text += "level: " + std::to_string(comparison.level->oldValue) + " -> "
            + std::to_string(comparison.level->newValue) + '\n';
    return text + figuresLine(comparison);
}

Json comparisonJson(const ComparisonEntry& entry)
{
    const ChartComparison& comparison = entry.comparison;
    std::vector<std::uint32_t> changed;
    std::vector<std::uint32_t> added;
    std::vector<std::uint32_t> removed;
    Json places = Json::array();
    for (const ChangedPlace& place : comparison.places) {
        changed.insert(changed.end(), place.changed.begin(), place.changed.end());
        added.insert(added.end(), place.added.begin(), place.added.end());
        removed.insert(removed.end(), place.removed.begin(), place.removed.end());
        places.push_back(placeJson(place));
    }
    Json removedBefore = Json::array();
    const auto& counts = comparison.marks.removedBefore;
    for (std::size_t measure = 0; measure < counts.size(); ++measure) {
        if (counts[measure] > 0)
            removedBefore.push_back({ { "measure", measure + 1 }, { "count", counts[measure] } });
    }
    return { { "old", figuresJson(entry.oldName, comparison.oldFigures) },
             { "new", figuresJson(entry.newName, comparison.newFigures) },
             { "same", comparison.same() },
             { "changed", measureNumbers(changed) },
             { "added", measureNumbers(added) },
             { "removed", measureNumbers(removed) },
             { "removedBefore", removedBefore },
             { "places", places },
             { "header", headerJson(comparison) } };
}

std::string formatComparisonJson(const ComparisonEntry& entry)
{
    // A path need not be UTF-8; its undecodable bytes become U+FFFD rather than an error.
    return comparisonJson(entry).dump(2, ' ', false, Json::error_handler_t::replace) + '\n';
}

} // namespace beatplate
