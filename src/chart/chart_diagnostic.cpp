#include "chart/chart_diagnostic.h"

#include "base/text_codec.h"

#include <algorithm>
#include <array>
#include <cstdio>

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

} // namespace beatplate
