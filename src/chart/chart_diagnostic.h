#pragma once

#include <cstddef>
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

// One error or warning about a chart.
struct ChartDiagnostic {
    ChartLocation location;
    ChartSeverity severity = ChartSeverity::Error;
    std::string message; // one of the system's fixed texts, UTF-8
    std::string detail; // what exactly, e.g. "'　' U+3000" or "#bmp"; may be empty
    ChartErrorKind kind = ChartErrorKind::Content; // of an error
    ChartSlip slip = ChartSlip::None; // of a warning

    [[nodiscard]] int line() const { return location.line; }
    [[nodiscard]] int column() const { return location.column; }
    // The message followed by the detail in parentheses, as the check lines show it.
    [[nodiscard]] std::string text() const;

    bool operator==(const ChartDiagnostic&) const = default;
};

// "PATH:LINE:COLUMN: error: MESSAGE (DETAIL)" or "... warning: ...", without a line end.
[[nodiscard]] std::string formatDiagnosticLine(std::string_view path,
                                               const ChartDiagnostic& diagnostic);
// "PATH: 2 errors, 1 warning", counting the warnings not listed, and a note when the check
// stopped before the chart's end.
[[nodiscard]] std::string formatCheckSummary(std::string_view path,
                                             std::span<const ChartDiagnostic> diagnostics,
                                             bool complete, std::size_t omittedWarnings = 0);
// The second line of the error report: "MESSAGE (column C: DETAIL)".
[[nodiscard]] std::string formatReportLine(const ChartDiagnostic& diagnostic);

// The column of the code unit at index in a line of UTF-16 code units.
[[nodiscard]] int columnAt(std::u16string_view line, std::size_t index);
// A character for a detail: "','" for printable ASCII, "'　' U+3000" beyond, "U+000D" for
// what cannot be shown.
[[nodiscard]] std::string describeCharacter(char32_t codePoint);
// Text as written, for a detail: UTF-8, cut after kExcerptLength characters with "…".
inline constexpr std::size_t kExcerptLength = 40;
[[nodiscard]] std::string excerptOf(std::u16string_view text);

} // namespace beatplate
