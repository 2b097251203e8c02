#pragma once

#include "chart/chart_diagnostic.h"
#include "chart/chart_document.h"
#include "chart/note_line_reader.h"
#include "chart/warning_tracker.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <string>
#include <utility>
#include <vector>

namespace beatplate {

class ChartTextReader;

// Longest chart text parse accepts, in UTF-16 code units with its line ends; a longer chart
// is a chart error.
inline constexpr std::size_t kMaxChartLength = std::size_t{ 1 } << 22;
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

// What a check of a whole chart finds.
struct ChartCheck {
    std::unique_ptr<ChartDocument> document; // what the lines without errors make
    std::wstring sourceText; // every line read, each followed by one LF
    std::vector<ChartDiagnostic> diagnostics; // errors and warnings, in line and column order
    bool complete = true; // false when reading stopped before the chart's end
    std::size_t omittedWarnings = 0; // found beyond kMaxDiagnostics, counted only

    [[nodiscard]] bool hasErrors() const;
};

// What a parse of a whole chart gives.
struct ParsedChart {
    ChartDocument document;
    std::wstring sourceText; // every line read, each followed by one LF
    std::vector<ChartDiagnostic> warnings; // in line and column order, at most kMaxDiagnostics
    std::size_t omittedWarnings = 0; // found beyond kMaxDiagnostics, counted only
};

// Where reading stands between two lines: what the directives so far have set and what the
// lines so far have made.
struct ChartReadingState {
    ChartDocument document;
    std::uint32_t measureCursor = 0;
    std::int32_t beats = 4;
    double beatLength = 1.0;
    std::uint32_t ticksPerChar = 120;
    std::uint32_t tabWidth = 4;
    std::int32_t branchMask = 0;
    std::int32_t currentBranch = 0;
    std::map<std::int32_t, std::int32_t> groupState{ { 0, 0 }, { 1, 0 }, { 2, 0 }, { 4, 0 } };
    std::map<std::int32_t, ChartNote> openSpan;
    std::wstring sourceText; // every line read, each followed by one LF
    std::int32_t lineCount = 0;
    std::size_t openGogoSpans = 0; // spans of document.gogoSpans open to the chart's end
};

// Reads a chart line by line into a ChartDocument. Used once: construct, then parse or check.
class ChartParser {
public:
    // groupState of a branch that has a span open.
    static constexpr std::int32_t kInSpan = 4;

    ChartParser() = default;
    // Goes on from a state that reading lines would have reached.
    explicit ChartParser(ChartReadingState start)
        : m_state(std::move(start))
    {
    }

    // Reads the whole input; throws ChartParseError on the first chart error.
    [[nodiscard]] ParsedChart parse(ChartTextReader& reader);
    // Reads the whole input, skipping each line with an error, and collects every error and
    // warning; it stops early only at a limit, a failed read or kMaxDiagnostics errors.
    [[nodiscard]] ChartCheck check(ChartTextReader& reader);

    // Handle one line each, the directive with its leading "#"; throw ChartError (a
    // std::runtime_error with the chart error's message) and leave the parser as it was.
    void readDirective(const std::wstring& line);
    void readNoteLine(std::wstring_view line);

    // What the lines read so far have made and set.
    [[nodiscard]] const ChartReadingState& state() const { return m_state; }

private:
    // Reads every line; errors go to errors, or are thrown as ChartParseError without it.
    // False when reading stopped before the end.
    bool readLines(ChartTextReader& reader, std::vector<ChartDiagnostic>* errors);
    void readLine(ChartTextReader& reader, std::wstring& line);
    // Rotates the branch and completes the measures of a note line that was read.
    void endNoteLine(std::wstring_view line, std::size_t length, std::size_t cpm,
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
    std::size_t m_textLength = 0; // of the chart text read, without sourceText's final LF
};

} // namespace beatplate
