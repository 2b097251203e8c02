#pragma once

#include "chart/chart_document.h"

#include <cstdint>
#include <vector>

namespace beatplate {

// A stretch of a measure, in ticks from its start.
struct TickRange {
    std::uint32_t start = 0;
    std::uint32_t end = 0;

    bool operator==(const TickRange&) const = default;
};

// The part of a span begun in an earlier measure that runs through this one.
struct SpanPiece {
    NoteKind kind = NoteKind::None;
    std::int32_t branch = 0;
    std::uint32_t end = 0; // ticks from the measure's start; its length when the span runs on

    bool operator==(const SpanPiece&) const = default;
};

// What one completed measure of a chart holds, each position taken from the measure's start:
// so a measure moved elsewhere, or played at another tempo, holds the same. Row breaks count,
// as they change where the picture shows the measure; comments and spelling do not.
struct MeasureContents {
    MeasureInfo meter; // beats, beat length and branch mask
    std::vector<ChartNote> notes; // begun in the measure, in position order; measure 0
    std::vector<SpanPiece> spanPieces; // of earlier spans, in the order the spans began
    std::vector<ChartEvent> events; // in document order; measure 0
    std::vector<TickRange> gogo; // the gogo time in the measure, in order, without overlaps

    bool operator==(const MeasureContents&) const = default;
};

// The contents of every completed measure; notes and events of measures never completed are
// not drawn, and take no part.
[[nodiscard]] std::vector<MeasureContents> measureContentsOf(const ChartDocument& document);

// A number per measure, equal exactly where the contents are equal, for two charts at once.
struct MeasureKinds {
    std::vector<std::uint32_t> first;
    std::vector<std::uint32_t> second;
};
[[nodiscard]] MeasureKinds kindsOf(const std::vector<MeasureContents>& first,
                                   const std::vector<MeasureContents>& second);

} // namespace beatplate
