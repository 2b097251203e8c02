#pragma once

#include "chart/chart_diagnostic.h"
#include "chart/chart_document.h"
#include "chart/chart_reading_state.h"
#include "chart/note_line_reader.h"
#include "chart/warning_tracker.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <memory>
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

// A chart error with the line and column at which it was found.
class ChartParseError : public std::exception {
public:
    explicit ChartParseError(ChartDiagnostic diagnostic);
    // At column 1, with no detail.
    ChartParseError(int lineNumber, std::string message);

    [[nodiscard]] int lineNumber() const { return m_diagnostic.line(); }
    [[nodiscard]] const std::string& message() const { return m_diagnostic.message; }
    [[nodiscard]] const ChartDiagnostic& diagnostic() const { return m_diagnostic; }
    // The report as printed, UTF-8: "読み込み時にエラーが発生しました: %d行\n" and the
    // message with its column and detail, "parse error. (column 5: '　' U+3000)".
    [[nodiscard]] const char* what() const noexcept override { return m_report.c_str(); }

private:
    ChartDiagnostic m_diagnostic;
    std::string m_report;
};

// Where a note line laid its slots: enough to find the measure and tick of any character.
struct NoteLinePlace {
    std::int32_t line = 0; // from 1
    std::uint32_t firstMeasure = 0; // the measure of the line's first slot
    std::uint32_t ticksPerChar = 0;
    std::uint32_t tabWidth = 4;
    std::size_t charsPerMeasure = 0;
    std::int32_t branch = 0; // 0, 1, 2 or 4

    bool operator==(const NoteLinePlace&) const = default;
};

// What a check of a whole chart finds.
struct ChartCheck {
    std::unique_ptr<ChartDocument> document; // what the lines without errors make
    std::vector<ChartDiagnostic> diagnostics; // errors and warnings, in line and column order
    bool complete = true; // false when reading stopped before the chart's end
    std::size_t omittedWarnings = 0; // found beyond kMaxDiagnostics, counted only
    std::vector<NoteLinePlace> noteLines; // of the note lines read without an error, in order

    [[nodiscard]] bool hasErrors() const;
};

// What a parse of a whole chart gives.
struct ParsedChart {
    ChartDocument document;
    std::int32_t lineCount = 0; // every line of the file counted
    std::vector<ChartDiagnostic> warnings; // in line and column order, at most kMaxDiagnostics
    std::size_t omittedWarnings = 0; // found beyond kMaxDiagnostics, counted only
    std::vector<NoteLinePlace> noteLines; // in order
};

// Reads a chart line by line into a ChartDocument. Used once: construct, then parse or check.
class ChartParser {
public:
    ChartParser() = default;

    // Reads the whole input; throws ChartParseError on the first chart error.
    [[nodiscard]] ParsedChart parse(ChartTextReader& reader);
    // Reads the whole input, skipping each line with an error, and collects every error and
    // warning; it stops early only at a limit, a failed read or kMaxDiagnostics errors.
    [[nodiscard]] ChartCheck check(ChartTextReader& reader);

private:
    // Handle one line each, the directive with its leading "#"; throw ChartError (a
    // std::runtime_error with the chart error's message) and leave the parser as it was.
    void readDirective(std::u16string_view line);
    void readNoteLine(std::u16string_view line);
    // Reads every line; errors go to errors, or are thrown as ChartParseError without it.
    // False when reading stopped before the end.
    bool readLines(ChartTextReader& reader, std::vector<ChartDiagnostic>* errors);
    void readLine(ChartTextReader& reader, std::u16string& line);
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
