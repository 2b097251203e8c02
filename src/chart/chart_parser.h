#pragma once

#include "chart/chart_document.h"

#include <cstddef>
#include <cstdint>
#include <exception>
#include <map>
#include <memory>
#include <string>

namespace beatplate {

class ChartTextReader;

// Longest chart text parse accepts, in UTF-16 code units; a longer chart is a chart error.
inline constexpr std::size_t kMaxChartLength = std::size_t{ 1 } << 22;
// Most characters one measure of a note line may hold; more is a chart error.
inline constexpr std::size_t kMaxCharsPerMeasure = 65536;
// Most measures a chart may complete: ten times a very long chart, and far more than the
// tallest picture holds; more is a chart error found while reading, not after drawing.
inline constexpr std::size_t kMaxMeasures = 100'000;
// Most gogo spans that may stand open at once (a "begingogo" with no "endgogo" stays open to the
// chart's end and is drawn on every later measure); more is a chart error.
inline constexpr std::size_t kMaxOpenGogoSpans = 256;

// A chart error with the number of the line on which it was found.
class ChartParseError : public std::exception {
public:
    ChartParseError(int lineNumber, std::string message);

    [[nodiscard]] int lineNumber() const { return m_lineNumber; }
    [[nodiscard]] const std::string& message() const { return m_message; }
    // The report as printed: "読み込み時にエラーが発生しました: %d行\n%s" (UTF-8).
    [[nodiscard]] const char* what() const noexcept override { return m_report.c_str(); }

private:
    int m_lineNumber;
    std::string m_message;
    std::string m_report;
};

// Reads a chart line by line into a ChartDocument. Used once: construct, parse, read sourceText.
class ChartParser {
public:
    ChartParser();

    // Reads the whole input and gives the document away; throws ChartParseError on a chart error.
    [[nodiscard]] std::unique_ptr<ChartDocument> parse(ChartTextReader& reader);

    // Handle one line each, the directive with its leading "#"; throw std::runtime_error with
    // the chart error's message.
    void readDirective(const std::wstring& line);
    void readNoteLine(std::wstring line);

    std::unique_ptr<ChartDocument> document;
    std::uint32_t measureCursor = 0;
    std::int32_t beats = 4;
    double beatLength = 1.0;
    std::uint32_t ticksPerChar = 120;
    std::uint32_t tabWidth = 4;
    std::int32_t branchMask = 0;
    std::int32_t currentBranch = 0;
    std::map<std::int32_t, std::int32_t> groupState;
    std::map<std::int32_t, ChartNote> openSpan;
    std::wstring sourceText; // every line read, each followed by one LF
    std::int32_t lineCount = 0;
    std::size_t openGogoSpans = 0; // spans of document->gogoSpans open to the chart's end

private:
    void reset();
};

} // namespace beatplate
