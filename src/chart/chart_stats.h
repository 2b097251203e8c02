#pragma once

#include "chart/chart_document.h"

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace beatplate {

// The scroll speed in force before a chart's first "hs".
inline constexpr double kDefaultScrollSpeed = 1.0;

// Single notes by kind, as the notation writes them ("c" counts as "o", "C" as "O").
struct NoteCounts {
    std::int64_t o = 0;
    std::int64_t bigO = 0;
    std::int64_t x = 0;
    std::int64_t bigX = 0;

    // The combo count: every single note.
    [[nodiscard]] std::int64_t total() const { return o + bigO + x + bigX; }

    bool operator==(const NoteCounts&) const = default;
};

struct SpanFigures {
    NoteKind kind = NoteKind::None; // one of kSpanKinds
    std::int64_t count = 0; // spans of this kind
    double seconds = 0; // their lengths added up

    bool operator==(const SpanFigures&) const = default;
};

inline constexpr std::array<NoteKind, 5> kSpanKinds{ NoteKind::ParenSpan, NoteKind::AngleSpan,
                                                     NoteKind::AtSpan, NoteKind::BSpan,
                                                     NoteKind::PSpan };

// Lowest and highest value in force for some of the chart's time.
struct ValueRange {
    double lowest = 0;
    double highest = 0;

    bool operator==(const ValueRange&) const = default;
};

struct NoteDensity {
    double averagePerSecond = 0; // 0 for a chart that takes no time
    std::int64_t peakNotes = 0; // most notes in any one second, a window that starts at a note
    double peakStart = 0; // seconds from the start to the earliest such window; 0 without notes
    std::uint32_t peakMeasure = 0; // the measure of that window's first note, from 1; 0 without
    // Notes per second over the chart's time: entry i counts the notes from i x step seconds on
    // for step seconds, divided by step; the last entry ends at or after the chart's end.
    std::vector<double> series;

    bool operator==(const NoteDensity&) const = default;
};

// A stretch of the chart's time, in seconds from its start.
struct TimeSpan {
    double start = 0;
    double end = 0;

    bool operator==(const TimeSpan&) const = default;
};

// The step of the density series: a second, or longer for a long chart, so that the series
// keeps a few hundred entries.
[[nodiscard]] double densityStep(double chartSeconds);

// What a play through one branch meets: the unbranched measures and that branch's lanes.
struct BranchPathFigures {
    int branch = 1; // 1, 2 or 3: the branch named by the first, second or third letter
    std::int64_t notes = 0;
    NoteDensity density;

    bool operator==(const BranchPathFigures&) const = default;
};

// Where the picture shows a measure, in the picture's pixels: filled by whoever lays the
// picture out, so that every reader takes places from the layout itself.
struct MeasurePicturePlace {
    std::size_t part = 0; // the picture's part, from 0 (0 for a picture in one piece)
    std::size_t column = 0; // from 0, left to right
    std::size_t row = 0; // the score's row, from 0, counted through the whole chart
    std::int64_t x = 0; // of the measure's first slot, its beat 0
    std::int64_t top = 0; // of its row
    int height = 0; // of its row
    double pixelsPerTick = 0; // along the row

    bool operator==(const MeasurePicturePlace&) const = default;
};

// A completed measure in time, and where the chart and the picture hold it.
struct MeasureTime {
    std::int64_t tick = 0; // from the chart's start
    std::uint32_t ticks = 0; // its length
    double start = 0; // seconds from the chart's start
    double seconds = 0; // its length
    std::int32_t beats = 0; // the metronome's beats
    // The chart's line that fills it, for each branch path (the same line thrice without
    // branches); 0 where it is not known.
    std::array<std::int32_t, 3> lines{};
    std::optional<MeasurePicturePlace> place;

    bool operator==(const MeasureTime&) const = default;
};

// A tempo in force from a tick on.
struct TempoChange {
    std::int64_t tick = 0;
    double seconds = 0;
    double tempo = 0; // quarter notes per minute

    bool operator==(const TempoChange&) const = default;
};

// The figures of a chart. Only completed measures count: notes and events of measures that
// were never completed are not drawn and take no part, beyond the count of those notes.
// Notes, spans and the chart's density cover every lane of a branched chart.
struct ChartStats {
    std::size_t measures = 0;
    double seconds = 0;
    NoteCounts notes;
    std::array<SpanFigures, kSpanKinds.size()> spans; // in the order of kSpanKinds
    std::int64_t countedSpans = 0; // spans of the kinds "@", "b" and "p"
    std::int64_t countSum = 0; // the numbers written inside them, added up
    ValueRange tempo; // quarter notes per minute
    ValueRange scrollSpeed;
    NoteDensity density; // of single notes; spans are not notes here
    double densityStep = 1; // seconds, of every density series
    std::vector<TimeSpan> gogo; // the gogo sections, in the order they open
    std::vector<BranchPathFigures> branches; // in branch order; empty without branches
    std::int64_t uncompletedNotes = 0; // notes and spans of measures never completed
    std::vector<MeasureTime> timeline; // one per completed measure
    std::vector<TempoChange> tempos; // the default tempo at tick 0, then every change

    bool operator==(const ChartStats&) const = default;
};

// Computes every figure of the document; reads nothing else.
[[nodiscard]] ChartStats computeChartStats(const ChartDocument& document);

} // namespace beatplate
