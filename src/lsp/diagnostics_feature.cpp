#include "lsp/diagnostics_feature.h"

#include "base/text_codec.h"
#include "chart/directive_scanner.h"
#include "lsp/protocol_json.h"

#include <algorithm>

namespace beatplate {

namespace {

// The protocol's severities.
constexpr int kSeverityError = 1;
constexpr int kSeverityWarning = 2;

// A detail that names one character: "'x'", "'　' U+3000" or "U+000D".
bool namesCharacter(const std::string& detail)
{
    return detail.starts_with("'") || detail.starts_with("U+");
}

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

} // namespace

TextRange DiagnosticsFeature::rangeOf(const ChartDiagnostic& diagnostic,
                                      const std::vector<std::u16string_view>& lines)
{
    const int lineIndex = std::max(diagnostic.line() - 1, 0);
    const std::u16string_view line =
        lineIndex >= 0 && static_cast<std::size_t>(lineIndex) < lines.size()
        ? lines[static_cast<std::size_t>(lineIndex)]
        : std::u16string_view();
    const std::size_t start = unitOfColumn(line, diagnostic.column());
    std::size_t end = start;
    if (start < line.size()) {
        if (namesCharacter(diagnostic.detail))
            end = start + (codePointAt(line, start) >= 0x10000 ? 2 : 1);
        else if (line.front() == u'#')
            end = endOfWord(line, start);
        else
            end = std::max(endOfContent(line), start + 1);
    }
    return { { lineIndex, static_cast<int>(start) }, { lineIndex, static_cast<int>(end) } };
}

nlohmann::json DiagnosticsFeature::publishParams(const std::string& uri,
                                                 const TextDocument& document,
                                                 const ChartAnalysis& analysis)
{
    const auto lines = document.lines();
    nlohmann::json diagnostics = nlohmann::json::array();
    for (const ChartDiagnostic& diagnostic : analysis.diagnostics()) {
        diagnostics.push_back(
            { { "range", toJson(rangeOf(diagnostic, lines)) },
              { "severity",
                diagnostic.severity == ChartSeverity::Error ? kSeverityError : kSeverityWarning },
              { "source", "beatplate" },
              { "message", diagnostic.text() } });
    }
    return { { "uri", uri }, { "version", analysis.version() }, { "diagnostics", diagnostics } };
}

} // namespace beatplate
