#include "chart/chart_diagnostic.h"

#include "base/text_codec.h"
#include "chart/directive_scanner.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <nlohmann/json.hpp>

namespace beatplate {
namespace {

// Control characters, surrogates and the space show as their code point alone.
bool isShowable(char32_t codePoint)
{
    if (codePoint <= 0x20 || codePoint == 0x7F || (codePoint >= 0x80 && codePoint < 0xA0))
        return false;
    return !isSurrogate(codePoint);
}

std::string codePointName(char32_t codePoint)
{
    std::array<char, 16> buffer{};
    std::snprintf(buffer.data(), buffer.size(), "U+%04X", static_cast<unsigned>(codePoint));
    return buffer.data();
}

constexpr const char* kReportHead = "読み込み時にエラーが発生しました: ";

std::size_t endOfWord(std::u16string_view line, std::size_t start)
{
    std::size_t end = start;
    while (end < line.size() && !isChartSpace(line[end]))
        ++end;
    return end;
}

std::size_t endOfContent(std::u16string_view line)
{
    std::size_t end = line.size();
    while (end > 0 && isChartSpace(line[end - 1]))
        --end;
    return end;
}

std::size_t unitsOfCharacterAt(std::u16string_view line, std::size_t unit)
{
    return codePointAt(line, unit) >= 0x10000 ? 2 : 1;
}

std::string plural(std::size_t count, const char* noun)
{
    return std::to_string(count) + " " + noun + (count == 1 ? "" : "s");
}

} // namespace

std::string ChartDiagnostic::text() const
{
    if (detail.empty())
        return message;
    return message + " (" + detail + ")";
}

std::string formatDiagnosticLine(std::string_view path, const ChartDiagnostic& diagnostic)
{
    const char* const severity = diagnostic.severity == ChartSeverity::Error ? "error" : "warning";
    return std::string(path) + ":" + std::to_string(diagnostic.line()) + ":"
        + std::to_string(diagnostic.column()) + ": " + severity + ": " + diagnostic.text();
}

std::string formatCheckSummary(std::string_view path, std::span<const ChartDiagnostic> diagnostics,
                               bool complete, std::size_t omittedWarnings)
{
    const auto errors = static_cast<std::size_t>(
        std::count_if(diagnostics.begin(), diagnostics.end(), [](const ChartDiagnostic& entry) {
            return entry.severity == ChartSeverity::Error;
        }));
    std::string summary = std::string(path) + ": " + plural(errors, "error") + ", "
        + plural(diagnostics.size() - errors + omittedWarnings, "warning");
    if (omittedWarnings > 0)
        summary += " (" + std::to_string(omittedWarnings) + " not listed)";
    if (!complete)
        summary += " (the rest of the chart was not checked)";
    return summary;
}

std::string formatReportLine(const ChartDiagnostic& diagnostic)
{
    std::string line = diagnostic.message + " (column " + std::to_string(diagnostic.column());
    if (!diagnostic.detail.empty())
        line += ": " + diagnostic.detail;
    return line + ")";
}

std::string formatErrorReport(const ChartDiagnostic& diagnostic)
{
    return kReportHead + std::to_string(diagnostic.line()) + "行\n" + formatReportLine(diagnostic);
}

int columnAt(std::u16string_view line, std::size_t index)
{
    index = std::min(index, line.size());
    int column = 1;
    for (std::size_t i = 0; i < index; ++i) {
        // The second unit of a pair adds no column.
        const bool secondOfPair = i > 0 && codePointAt(line, i - 1) >= 0x10000;
        if (!secondOfPair)
            ++column;
    }
    return column;
}

std::size_t unitOfColumn(std::u16string_view line, int column)
{
    std::size_t unit = 0;
    for (int at = 1; at < column && unit < line.size(); ++at)
        unit += unitsOfCharacterAt(line, unit);
    return std::min(unit, line.size());
}

void placeInLine(ChartDiagnostic& diagnostic, std::u16string_view line, ChartTarget target)
{
    const std::size_t start = unitOfColumn(line, diagnostic.column());
    std::size_t end = start;
    if (start < line.size()) {
        if (target == ChartTarget::Character)
            end = start + unitsOfCharacterAt(line, start);
        else if (line.front() == u'#')
            end = endOfWord(line, start);
        else
            end = std::max(endOfContent(line), start + 1);
    }
    diagnostic.units = { static_cast<int>(start), static_cast<int>(end) };
    // The column given may lie past the line's end; the stretch is empty there.
    diagnostic.endColumn = diagnostic.column() + (columnAt(line, end) - columnAt(line, start));
}

std::string describeCharacter(char32_t codePoint)
{
    if (!isShowable(codePoint))
        return codePointName(codePoint);
    std::string shown = "'";
    appendUtf8(shown, codePoint);
    shown += "'";
    if (codePoint < 0x80)
        return shown;
    return shown + " " + codePointName(codePoint);
}

std::string excerptOf(std::u16string_view text)
{
    std::size_t units = 0;
    for (std::size_t characters = 0; units < text.size() && characters < kExcerptLength;
         ++characters)
        units += codePointAt(text, units) >= 0x10000 ? 2 : 1;
    if (units >= text.size())
        return utf8Of(text);
    return utf8Of(text.substr(0, units)) + "…";
}

nlohmann::ordered_json diagnosticsJson(std::span<const ChartDiagnostic> diagnostics)
{
    nlohmann::ordered_json list = nlohmann::ordered_json::array();
    for (const auto& diagnostic : diagnostics) {
        list.push_back(
            { { "line", diagnostic.line() },
              { "column", diagnostic.column() },
              { "severity", diagnostic.severity == ChartSeverity::Error ? "error" : "warning" },
              { "message", diagnostic.message },
              { "detail", diagnostic.detail },
              { "endColumn", diagnostic.endColumn },
              { "unit", diagnostic.units.start },
              { "endUnit", diagnostic.units.end } });
    }
    return list;
}

} // namespace beatplate
