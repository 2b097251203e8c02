#include "lsp/chart_analysis.h"

#include <algorithm>
#include <optional>

namespace beatplate {

namespace {

constexpr char16_t kReplacementCharacter = u'\uFFFD';

// Where the first character that stands for invalid text lies, as an encoding error.
std::optional<ChartDiagnostic> invalidTextError(const TextDocument& document)
{
    const auto lines = document.lines();
    for (std::size_t number = 0; number < lines.size(); ++number) {
        const auto found = lines[number].find(kReplacementCharacter);
        if (found == std::u16string_view::npos)
            continue;
        ChartDiagnostic error{ { static_cast<int>(number) + 1, columnAt(lines[number], found) },
                               ChartSeverity::Error,
                               "encoding error.",
                               "the editor sent text that is not valid UTF-8 or UTF-16",
                               ChartErrorKind::Encoding };
        placeInLine(error, lines[number], ChartTarget::Character);
        return error;
    }
    return std::nullopt;
}

bool byLocation(const ChartDiagnostic& a, const ChartDiagnostic& b)
{
    return std::pair(a.line(), a.column()) < std::pair(b.line(), b.column());
}

} // namespace

ChartAnalysis::ChartAnalysis(const TextDocument& document, bool invalidText)
    : m_reading(readChart(document.text(), ChartScope::WholeChart))
    , m_version(document.version())
{
    if (!invalidText)
        return;
    if (auto error = invalidTextError(document)) {
        auto& diagnostics = m_reading.diagnostics;
        const auto at =
            std::upper_bound(diagnostics.begin(), diagnostics.end(), *error, byLocation);
        diagnostics.insert(at, std::move(*error));
        m_reading.firstError = m_reading.firstErrorDiagnostic()->kind;
    }
}

} // namespace beatplate
