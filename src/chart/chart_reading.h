#pragma once

#include "base/chart_encoding.h"
#include "chart/chart_diagnostic.h"
#include "chart/chart_document.h"
#include "chart/chart_stats.h"
#include "chart/chart_timeline.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

class ChartTextReader;

// How far reading goes after an error.
enum class ChartScope {
    FirstError, // it stops at the first error, as drawing needs no more
    WholeChart, // it goes on after each line with an error, to find every one
};

// Where a note line laid its slots: enough to find the measure and tick of any character.
struct NoteLinePlace {
    std::int32_t line = 0; // from 1
    std::uint32_t firstMeasure = 0; // the measure of the line's first slot
    std::uint32_t ticksPerChar = 0;
    std::uint32_t tabWidth = 4;
    std::size_t charsPerMeasure = 0;
    std::int32_t branch = 0; // 0, 1, 2 or 4

    // The slot that the code unit at unit of the line's text fills, its tabs expanded (the first
    // blank of a tab); the slots the line fills for an index at or past its end.
    [[nodiscard]] std::size_t slotOfUnit(std::u16string_view text, std::size_t unit) const;
    // The position of a slot, a triplet's shift left aside.
    [[nodiscard]] ChartPosition positionOfSlot(std::size_t slot) const;

    bool operator==(const NoteLinePlace&) const = default;
};

// All that a chart says and all that is wrong with it, as values: what every caller asks of a
// chart without a picture, and what a picture is drawn from.
struct ChartReading {
    ChartDocument document; // what the lines without errors make
    ChartTimeline timeline; // of the document: ticks and seconds
    // Errors and warnings in line and column order, each placed in its line (its end and its
    // units set); with FirstError, the warnings found before the error and the error.
    std::vector<ChartDiagnostic> diagnostics;
    std::size_t omittedWarnings = 0; // found beyond kMaxDiagnostics, counted only
    bool complete = true; // false when reading stopped before the chart's end
    std::optional<ChartErrorKind> firstError; // the kind of the first error, when there is one
    std::vector<NoteLinePlace> noteLines; // of the note lines read without an error, in order
    // Every line read, each followed by one LF: the text a picture carries.
    std::u16string text;

    [[nodiscard]] bool hasErrors() const { return firstError.has_value(); }
    // The first error; null without one.
    [[nodiscard]] const ChartDiagnostic* firstErrorDiagnostic() const;
    // The place of the note line numbered line (from 1); null when it is no note line or had
    // an error.
    [[nodiscard]] const NoteLinePlace* placeOfLine(int line) const;
    // The figures of the document, computed when asked, each measure of their timeline with the
    // lines that fill it; its places on a picture are the picture's to give.
    [[nodiscard]] ChartStats figures() const;
};

// How a chart in bytes is read.
struct ChartReadOptions {
    ChartScope scope = ChartScope::WholeChart;
    std::optional<ChartEncoding> encoding; // for a chart without a byte-order mark
};

// The one way to ask about a chart. Each reads the whole text (as far as the scope says) and
// gives every chart error as a diagnostic, never as an exception; only a system without a
// converter for the encoding throws.
// A chart file's bytes, from a reader opened on it (or on bytes), read to its end.
[[nodiscard]] ChartReading readChart(ChartTextReader& reader, ChartScope scope);
// A chart's bytes held in memory, decoded as a file's are.
[[nodiscard]] ChartReading readChart(std::string bytes, const ChartReadOptions& options = {});
// A chart's text as an editor holds it, UTF-16, read as it stands.
[[nodiscard]] ChartReading readChart(std::u16string_view text,
                                     ChartScope scope = ChartScope::WholeChart);

} // namespace beatplate
