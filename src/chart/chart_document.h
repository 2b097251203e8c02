#pragma once

#include "chart/chart_note.h"
#include "chart/note_set.h"

#include <cstdint>
#include <set>
#include <string>
#include <vector>

namespace beatplate {

enum class ChartEventKind : std::int32_t {
    Tempo = 0,
    ScrollSpeed = 1,
    BranchStart = 2,
    LineBreak = 3
};

// The chart errors of an "endgogo" placed before the "begingogo" it closes, and of one with
// no section to close.
inline constexpr const char* kGogoSpanBackwardsMessage = "gogo section ends before it begins.";
inline constexpr const char* kGogoSpanUnopenedMessage = "begin/endgogoの対応が取れていません";

// What closing a gogo span did.
enum class GogoClosing {
    Closed,
    NoneOpen, // there was no span to close
    Backwards, // the end lies before the span's start; the span stays as it was
};

struct ChartEvent {
    ChartEventKind kind = ChartEventKind::Tempo;
    std::int32_t value = 0; // tempo or scroll speed times 100, rounded
    ChartPosition position;

    bool operator==(const ChartEvent&) const = default;
};

struct MeasureInfo {
    std::int32_t beats = 4;
    double beatLength = 1.0; // quarter notes per beat
    std::int32_t branchMask = 0;

    bool operator==(const MeasureInfo&) const = default;
};

// Orders records by their position alone; kind, length, count and value take no part.
struct PositionLess {
    template <typename Record>
    bool operator()(const Record& a, const Record& b) const
    {
        return a.position < b.position;
    }
};

// A closed interval of positions; an open span reaches to kChartEnd.
struct GogoSpan {
    // Throws std::runtime_error(kGogoSpanBackwardsMessage) when lower > upper.
    GogoSpan(const ChartPosition& lower, const ChartPosition& upper);

    [[nodiscard]] ChartPosition lower() const { return m_lower; }
    [[nodiscard]] ChartPosition upper() const { return m_upper; }

    bool operator==(const GogoSpan&) const = default;

private:
    ChartPosition m_lower;
    ChartPosition m_upper;
};

struct ChartDocument {
    NoteSet notes; // first entry at a position wins
    std::multiset<ChartEvent, PositionLess> events; // equal positions keep insertion order
    std::vector<MeasureInfo> measures;
    std::vector<GogoSpan> gogoSpans;
    std::u16string title;
    std::u16string difficulty = u"ふつう";
    std::int32_t level = 5;

    // Appends a span [p, kChartEnd]; a span already open stays open.
    void openGogoSpan(const ChartPosition& p);
    // Moves the end of the last span to p, unless there is none or p is before its start.
    [[nodiscard]] GogoClosing closeGogoSpan(const ChartPosition& p);

    bool operator==(const ChartDocument&) const = default;
};

} // namespace beatplate
