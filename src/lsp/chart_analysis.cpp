#include "lsp/chart_analysis.h"

#include "base/text_codec.h"

#include <algorithm>

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
        return ChartDiagnostic{ { static_cast<int>(number) + 1, columnAt(lines[number], found) },
                                ChartSeverity::Error,
                                "encoding error.",
                                "the editor sent text that is not valid UTF-8 or UTF-16",
                                ChartErrorKind::Encoding };
    }
    return std::nullopt;
}

bool byLocation(const ChartDiagnostic& a, const ChartDiagnostic& b)
{
    return std::pair(a.line(), a.column()) < std::pair(b.line(), b.column());
}

} // namespace

std::string ChartAnalysis::chartBytesOf(std::u16string_view text)
{
    return "\xFF\xFE" + utf16Bytes(text, ByteOrder::LittleEndian);
}

ChartAnalysis::ChartAnalysis(const TextDocument& document, bool invalidText)
    : m_pipeline(ChartSource::bytes(chartBytesOf(document.text()), std::nullopt))
    , m_version(document.version())
{
    // Bytes in memory always open.
    static_cast<void>(m_pipeline.open());
    static_cast<void>(m_pipeline.read(DiagnosticScope::WholeChart));
    m_diagnostics = m_pipeline.diagnostics();
    if (!invalidText)
        return;
    if (auto error = invalidTextError(document)) {
        const auto at =
            std::upper_bound(m_diagnostics.begin(), m_diagnostics.end(), *error, byLocation);
        m_diagnostics.insert(at, std::move(*error));
    }
}

bool ChartAnalysis::hasErrors() const
{
    return std::any_of(m_diagnostics.begin(), m_diagnostics.end(),
                       [](const ChartDiagnostic& diagnostic) {
                           return diagnostic.severity == ChartSeverity::Error;
                       });
}

} // namespace beatplate

namespace beatplate {

const NoteLinePlace* ChartAnalysis::placeOfLine(int line) const
{
    const auto& places = noteLines();
    const auto found = std::lower_bound(
        places.begin(), places.end(), line,
        [](const NoteLinePlace& place, int number) { return place.line < number; });
    return found != places.end() && found->line == line ? &*found : nullptr;
}

std::size_t slotOfUnit(std::u16string_view line, std::uint32_t tabWidth, std::size_t unit)
{
    std::size_t slot = 0;
    for (std::size_t at = 0; at < unit && at < line.size(); ++at)
        slot += line[at] == u'\t' ? tabWidth - (slot % tabWidth) : 1;
    return slot;
}

std::size_t slotCount(std::u16string_view line, std::uint32_t tabWidth)
{
    return slotOfUnit(line, tabWidth, line.size());
}

} // namespace beatplate
