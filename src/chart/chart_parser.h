#pragma once

#include "chart/chart_diagnostic.h"
#include "chart/chart_document.h"
#include "chart/chart_reading.h"
#include "chart/chart_reading_state.h"
#include "chart/note_line_reader.h"
#include "chart/warning_tracker.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace beatplate {

class ChartTextReader;

// Most characters one measure of a note line may hold; more is a chart error.
inline constexpr std::size_t kMaxCharsPerMeasure = 65536;
// Most measures a chart may complete: ten times a very long chart, and far more than the
// tallest picture holds; more is a chart error found while reading, not after drawing.
inline constexpr std::size_t kMaxMeasures = 100'000;
// Most gogo spans that may stand open at once (a "begingogo" with no "endgogo" stays open to the
// chart's end and is drawn on every later measure); more is a chart error.
inline constexpr std::size_t kMaxOpenGogoSpans = 256;

// Reads a chart line by line into a ChartDocument; callers ask through readChart. Used once:
// construct, then read.
class ChartParser {
public:
    ChartParser() = default;

    // Reads the whole input as far as scope says; with WholeChart it stops early only at a
    // limit, a failed read or kMaxDiagnostics errors. The diagnostics are not yet placed in
    // their lines, the timeline and the text not yet given.
    [[nodiscard]] ChartReading read(ChartTextReader& reader, ChartScope scope);

private:
    // Handle one line each, the directive with its leading "#"; throw ChartError and leave the
    // parser as it was.
    void readDirective(std::u16string_view line);
    void readNoteLine(std::u16string_view line);
    // Reads every line; errors go to errors. False when reading stopped before the end.
    bool readLines(ChartTextReader& reader, ChartScope scope, std::vector<ChartDiagnostic>& errors);
    // The fault of a directive or a note line; none for a comment or an empty line.
    [[nodiscard]] std::optional<LineFault> readContent(std::u16string_view line);
    // Rotates the branch and completes the measures of a note line that was read.
    void endNoteLine(std::u16string_view line, std::size_t length, std::size_t cpm,
                     std::size_t padded);
    void completeMeasures(std::size_t lineLength);
    enum class ReadingEnd {
        ChartEnd,
        Stopped, // at a limit or after too many diagnostics
    };
    void finish(ReadingEnd end);

    ChartReadingState m_state;
    WarningTracker m_tracker;
    std::vector<ChartPosition> m_lineNotes;
    std::vector<NoteLinePlace> m_noteLines;
};

} // namespace beatplate
