#pragma once

#include <cstddef>
#include <nlohmann/json_fwd.hpp>
#include <span>
#include <string>
#include <string_view>

namespace beatplate {

enum class ChartSeverity {
    Error, // the chart cannot be drawn
    Warning, // accepted, but very likely not what the author meant
};

// What an error is about, for callers that treat some errors apart without reading their text.
enum class ChartErrorKind {
    Content, // what the notation does not allow, or a limit of a line or a measure
    Encoding, // bytes that cannot be decoded
    TooLong, // the chart is longer than is read
};

// How much of the chart an error spoils for a reader that goes on after errors.
enum class ChartErrorExtent {
    Line, // the next line can be read as usual
    Chart, // nothing after it can be read (a limit, or the file itself)
};

// The error of a chart longer than is read; a server answers it as a request too large.
inline constexpr const char* kChartTooLongMessage = "chart is too long.";

// The slip a warning is about, when an editor can offer to mend it: callers tell it by this,
// not by the message.
enum class ChartSlip {
    None,
    LineBeyondMeasures, // a note line longer than whole measures
    SpanNeverClosed,
    NumberWithText, // a number of a directive followed directly by other characters
};

// Where in the chart text a diagnostic points.
struct ChartLocation {
    int line = 0; // from 1, every line of the file counted
    int column = 0; // from 1, in characters of the decoded line (a surrogate pair is one)

    bool operator==(const ChartLocation&) const = default;
};

// What of its line a diagnostic is about, from its column on.
enum class ChartTarget {
    Element, // in a directive the word there, in a note line the rest of its notes
    Character, // the one character there
};

// A chart error found in one line, before it is given the line's number: one of the system's
// fixed messages, the column it points at and what exactly (may be empty).
struct LineFault {
    std::string message;
    int column = 1;
    std::string detail;
    ChartErrorExtent extent = ChartErrorExtent::Line;
    ChartErrorKind kind = ChartErrorKind::Content;
    ChartTarget target = ChartTarget::Element;

    bool operator==(const LineFault&) const = default;
};

// A stretch of a line in UTF-16 code units from 0, as editors count them; end is past its last.
struct UnitRange {
    int start = 0;
    int end = 0;

    bool operator==(const UnitRange&) const = default;
};

// One error or warning about a chart.
struct ChartDiagnostic {
    ChartLocation location; // where what it is about begins
    ChartSeverity severity = ChartSeverity::Error;
    std::string message; // one of the system's fixed texts, UTF-8
    std::string detail; // what exactly, e.g. "'　' U+3000" or "#bmp"; may be empty
    ChartErrorKind kind = ChartErrorKind::Content; // of an error
    ChartSlip slip = ChartSlip::None; // of a warning
    // Where what it is about ends, past its last character, and the same stretch of the line
    // as units; set by placeInLine, as every diagnostic the chart reader gives has them.
    int endColumn = 0;
    UnitRange units = {};

    [[nodiscard]] int line() const { return location.line; }
    [[nodiscard]] int column() const { return location.column; }
    // The message followed by the detail in parentheses, as the check lines show it.
    [[nodiscard]] std::string text() const;

    bool operator==(const ChartDiagnostic&) const = default;
};

// "PATH:LINE:COLUMN: error: MESSAGE (DETAIL)" or "... warning: ...", without a line end.
[[nodiscard]] std::string formatDiagnosticLine(std::string_view path,
                                               const ChartDiagnostic& diagnostic);
// The diagnostics as the preview pages show them: an array of {"line", "column", "severity"
// ("error" or "warning"), "message", "detail", "endColumn", "unit", "endUnit"}.
[[nodiscard]] nlohmann::ordered_json diagnosticsJson(std::span<const ChartDiagnostic> diagnostics);
// "PATH: 2 errors, 1 warning", counting the warnings not listed, and a note when the check
// stopped before the chart's end.
[[nodiscard]] std::string formatCheckSummary(std::string_view path,
                                             std::span<const ChartDiagnostic> diagnostics,
                                             bool complete, std::size_t omittedWarnings = 0);
// The second line of the error report: "MESSAGE (column C: DETAIL)".
[[nodiscard]] std::string formatReportLine(const ChartDiagnostic& diagnostic);
// The error report of a chart that cannot be drawn, UTF-8, without a line end:
// "読み込み時にエラーが発生しました: %d行" and the report line below it.
[[nodiscard]] std::string formatErrorReport(const ChartDiagnostic& diagnostic);

// Columns count characters from 1, a surrogate pair one; units count UTF-16 code units from 0.
// These two are the only conversions between them.
// The column of the code unit at index in a line of UTF-16 code units.
[[nodiscard]] int columnAt(std::u16string_view line, std::size_t index);
// The index of the code unit that begins column; the line's length past its end.
[[nodiscard]] std::size_t unitOfColumn(std::u16string_view line, int column);

// Gives the diagnostic its end and its units over the text of its line, from its column: the
// character there, or the element (a directive's word, or the rest of a note line's notes,
// at least one character); nothing past the line's end.
void placeInLine(ChartDiagnostic& diagnostic, std::u16string_view line,
                 ChartTarget target = ChartTarget::Element);
// A character for a detail: "','" for printable ASCII, "'　' U+3000" beyond, "U+000D" for
// what cannot be shown.
[[nodiscard]] std::string describeCharacter(char32_t codePoint);
// Text as written, for a detail: UTF-8, cut after kExcerptLength characters with "…".
inline constexpr std::size_t kExcerptLength = 40;
[[nodiscard]] std::string excerptOf(std::u16string_view text);

} // namespace beatplate
