#pragma once

#include "chart/chart_document.h"

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace beatplate {

// How a measure of the new chart differs from the old chart.
enum class MeasureChange : std::uint8_t {
    Same,
    Changed, // edited where it stands
    Added, // it has no old measure
};

// What a picture of the new chart marks: each of its measures, and how many of the old chart's
// measures were removed before each.
struct MeasureMarks {
    std::vector<MeasureChange> measures; // one per measure of the new chart
    // One more entry than measures: the old measures removed before each measure, the last
    // after the last measure.
    std::vector<std::uint32_t> removedBefore;

    bool operator==(const MeasureMarks&) const = default;
};

// The kinds of notes and spans the comparison counts, in the order it lists them.
inline constexpr std::array<NoteKind, 9> kComparedNoteKinds{
    NoteKind::O,         NoteKind::BigO,   NoteKind::X,     NoteKind::BigX,  NoteKind::ParenSpan,
    NoteKind::AngleSpan, NoteKind::AtSpan, NoteKind::BSpan, NoteKind::PSpan,
};

// Notes and spans by kind, in the order of kComparedNoteKinds.
struct NoteKindCounts {
    std::array<std::int64_t, kComparedNoteKinds.size()> counts{};

    void add(NoteKind kind);
    [[nodiscard]] std::int64_t total() const;

    bool operator==(const NoteKindCounts&) const = default;
};

// What besides notes made a measure differ, as bits.
enum ChangeAspect : std::uint32_t {
    kNotesChanged = 1, // notes added, removed or of another kind
    kSpansChanged = 2, // a span's length or count, or where an earlier span ends
    kTempoChanged = 4,
    kScrollSpeedChanged = 8,
    kMeterChanged = 16, // beats or beat length
    kGogoChanged = 32,
    kBranchesChanged = 64, // the lanes, or a branch start
    kRowBreakChanged = 128,
};

// A tempo or scroll speed set, changed or dropped where the measures differ. A change has both
// values; one added has only the new one, one removed only the old one.
struct EventChange {
    ChartEventKind kind = ChartEventKind::Tempo;
    std::optional<std::uint32_t> oldMeasure; // where the old chart has it, or had the measure
    std::optional<std::uint32_t> newMeasure;
    std::uint32_t tick = 0; // from its measure's start
    std::optional<std::int32_t> oldValue; // times 100
    std::optional<std::int32_t> newValue;

    bool operator==(const EventChange&) const = default;
};

// A measure that keeps its place with another meter.
struct MeterChange {
    std::uint32_t oldMeasure = 0;
    std::uint32_t newMeasure = 0;
    MeasureInfo oldMeter;
    MeasureInfo newMeter;

    bool operator==(const MeterChange&) const = default;
};

// A run of measures that differ between the charts, with equal measures on either side: the
// old chart's measures [oldFirst, oldEnd) became the new chart's [newFirst, newEnd).
struct ChangedPlace {
    std::uint32_t oldFirst = 0;
    std::uint32_t oldEnd = 0;
    std::uint32_t newFirst = 0;
    std::uint32_t newEnd = 0;
    std::vector<std::uint32_t> changed; // of the new chart
    std::vector<std::uint32_t> added; // of the new chart
    std::vector<std::uint32_t> removed; // of the old chart
    NoteKindCounts notesAdded;
    NoteKindCounts notesRemoved;
    std::vector<EventChange> events; // tempo and scroll speed, in the new chart's order
    std::vector<MeterChange> meters;
    std::uint32_t aspects = 0; // ChangeAspect bits of the changed measures

    bool operator==(const ChangedPlace&) const = default;
};

// A chart's size, to set the two side by side.
struct ComparedFigures {
    std::size_t measures = 0;
    double seconds = 0;
    std::int64_t notes = 0; // single notes, as the combo counts them

    bool operator==(const ComparedFigures&) const = default;
};

// A header text or number that differs.
template <typename Value>
struct HeaderChange {
    Value oldValue;
    Value newValue;

    bool operator==(const HeaderChange&) const = default;
};

// How a new version of a chart differs from an old one, measure by measure.
struct ChartComparison {
    MeasureMarks marks;
    std::vector<ChangedPlace> places; // in order
    std::optional<HeaderChange<std::u16string>> title;
    std::optional<HeaderChange<std::u16string>> difficulty;
    std::optional<HeaderChange<std::int32_t>> level;
    ComparedFigures oldFigures;
    ComparedFigures newFigures;

    // No measure and no header differs: the charts play and draw alike, however their text is
    // spelled or encoded.
    [[nodiscard]] bool same() const { return places.empty() && !title && !difficulty && !level; }

    bool operator==(const ChartComparison&) const = default;
};

// Matches the measures of two charts by their contents and then by time, and gives what
// differs.
[[nodiscard]] ChartComparison compareCharts(const ChartDocument& oldChart,
                                            const ChartDocument& newChart);

} // namespace beatplate
