#include "chart/chart_diagnostic.h"

#include <algorithm>
#include <array>
#include <cstdio>

namespace beatplate {
namespace {

constexpr char32_t kReplacementCharacter = 0xFFFD;

bool isHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

bool isLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

void appendUtf8(std::string& out, char32_t codePoint)
{
    const auto byte = [&out](char32_t value) { out.push_back(static_cast<char>(value)); };
    if (codePoint < 0x80) {
        byte(codePoint);
        return;
    }
    if (codePoint < 0x800) {
        byte(0xC0 | codePoint >> 6);
    } else if (codePoint < 0x10000) {
        byte(0xE0 | codePoint >> 12);
        byte(0x80 | (codePoint >> 6 & 0x3F));
    } else {
        byte(0xF0 | codePoint >> 18);
        byte(0x80 | (codePoint >> 12 & 0x3F));
        byte(0x80 | (codePoint >> 6 & 0x3F));
    }
    byte(0x80 | (codePoint & 0x3F));
}

// Control characters, surrogates and the space show as their code point alone.
bool isShowable(char32_t codePoint)
{
    if (codePoint <= 0x20 || codePoint == 0x7F || (codePoint >= 0x80 && codePoint < 0xA0))
        return false;
    return !isHighSurrogate(codePoint) && !isLowSurrogate(codePoint);
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

int columnAt(std::wstring_view line, std::size_t index)
{
    index = std::min(index, line.size());
    int column = 1;
    for (std::size_t i = 0; i < index; ++i) {
        const bool secondOfPair = i > 0 && isLowSurrogate(static_cast<char32_t>(line[i]))
            && isHighSurrogate(static_cast<char32_t>(line[i - 1]));
        if (!secondOfPair)
            ++column;
    }
    return column;
}

char32_t codePointAt(std::wstring_view units, std::size_t index)
{
    const auto unit = static_cast<char32_t>(units[index]);
    if (!isHighSurrogate(unit) || index + 1 >= units.size())
        return unit;
    const auto next = static_cast<char32_t>(units[index + 1]);
    if (!isLowSurrogate(next))
        return unit;
    return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
}

std::string utf8Of(std::wstring_view units)
{
    std::string out;
    out.reserve(units.size());
    for (std::size_t i = 0; i < units.size(); ++i) {
        const char32_t codePoint = codePointAt(units, i);
        if (codePoint >= 0x10000)
            ++i;
        const bool lone = isHighSurrogate(codePoint) || isLowSurrogate(codePoint);
        appendUtf8(out, lone ? kReplacementCharacter : codePoint);
    }
    return out;
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

std::string excerptOf(std::wstring_view text)
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
