#include "chart/chart_reading.h"

#include "chart/chart_parser.h"
#include "chart/chart_text_reader.h"

#include <algorithm>
#include <span>

namespace beatplate {

// Warnings may point at lines read long before they are found (where a span opened), so they
// are placed once the whole text is read; every line read stands in it under its own number.
static void placeWarnings(std::vector<ChartDiagnostic>& diagnostics, std::u16string_view text)
{
    std::vector<std::u16string_view> lines;
    for (ChartDiagnostic& diagnostic : diagnostics) {
        if (diagnostic.severity != ChartSeverity::Warning)
            continue;
        if (lines.empty()) {
            for (std::size_t start = 0; start < text.size();) {
                const std::size_t end = std::min(text.find(u'\n', start), text.size());
                lines.push_back(text.substr(start, end - start));
                start = end + 1;
            }
        }
        const auto index = static_cast<std::size_t>(std::max(diagnostic.line() - 1, 0));
        placeInLine(diagnostic, index < lines.size() ? lines[index] : std::u16string_view());
    }
}

std::size_t NoteLinePlace::slotOfUnit(std::u16string_view text, std::size_t unit) const
{
    std::size_t slot = 0;
    for (std::size_t at = 0; at < unit && at < text.size(); ++at)
        slot += text[at] == u'\t' ? tabWidth - (slot % tabWidth) : 1;
    return slot;
}

ChartPosition NoteLinePlace::positionOfSlot(std::size_t slot) const
{
    return { firstMeasure + static_cast<std::uint32_t>(slot / charsPerMeasure),
             static_cast<std::uint32_t>(slot % charsPerMeasure) * ticksPerChar, branch };
}

const ChartDiagnostic* ChartReading::firstErrorDiagnostic() const
{
    const auto found =
        std::find_if(diagnostics.begin(), diagnostics.end(), [](const ChartDiagnostic& diagnostic) {
            return diagnostic.severity == ChartSeverity::Error;
        });
    return found == diagnostics.end() ? nullptr : &*found;
}

const NoteLinePlace* ChartReading::placeOfLine(int line) const
{
    const auto found = std::lower_bound(
        noteLines.begin(), noteLines.end(), line,
        [](const NoteLinePlace& place, int number) { return place.line < number; });
    return found != noteLines.end() && found->line == line ? &*found : nullptr;
}

// Gives each measure the note line that fills it on each branch path: the last line before it
// that the path meets.
static void fillLines(std::vector<MeasureTime>& timeline, const ChartDocument& document,
                      std::span<const NoteLinePlace> noteLines)
{
    for (std::size_t path = 0; path < 3; ++path) {
        const auto bit = static_cast<std::uint8_t>(1 << path);
        std::int32_t line = 0;
        auto next = noteLines.begin();
        for (std::uint32_t measure = 0; measure < timeline.size(); ++measure) {
            for (; next != noteLines.end() && next->firstMeasure <= measure; ++next) {
                const std::int32_t mask = document.measures[next->firstMeasure].branchMask;
                if ((pathsHearing(next->branch, mask) & bit) != 0)
                    line = next->line;
            }
            timeline[measure].lines[path] = line;
        }
    }
}

ChartStats ChartReading::figures() const
{
    ChartStats stats = computeChartStats(document);
    fillLines(stats.timeline, document, noteLines);
    return stats;
}

ChartReading readChart(ChartTextReader& reader, ChartScope scope)
{
    ChartReading reading = ChartParser().read(reader, scope);
    reading.text = reader.takeText();
    placeWarnings(reading.diagnostics, reading.text);
    reading.timeline = ChartTimeline(reading.document);
    return reading;
}

ChartReading readChart(std::string bytes, const ChartReadOptions& options)
{
    auto reader = ChartTextReader::fromBytes(std::move(bytes), options.encoding);
    return readChart(reader, options.scope);
}

ChartReading readChart(std::u16string_view text, ChartScope scope)
{
    auto reader = ChartTextReader::fromText(text);
    return readChart(reader, scope);
}

} // namespace beatplate
