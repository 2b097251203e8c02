#include "chart/chart_parser.h"

#include "chart/chart_error.h"
#include "chart/chart_text_reader.h"
#include "chart/note_line_reader.h"

#include <algorithm>
#include <cmath>
#include <iterator>
#include <utility>

namespace beatplate {
namespace {

// Length of a note line with its tabs expanded to the next multiple of the tab width.
std::size_t expandedLength(std::u16string_view line, std::uint32_t tabWidth)
{
    std::size_t length = 0;
    for (std::size_t unit = 0; unit < line.size(); ++unit) {
        length += line[unit] == u'\t' ? tabWidth - (length & (tabWidth - 1)) : 1;
        if (length > kMaxLineLength)
            throw ChartError("line is too long.", columnAt(line, unit));
    }
    return length;
}

// The column of the character of a note line that fills slot `slot` once tabs are expanded.
int columnOfSlot(std::u16string_view line, std::uint32_t tabWidth, std::size_t slot)
{
    std::size_t length = 0;
    for (std::size_t unit = 0; unit < line.size(); ++unit) {
        length += line[unit] == u'\t' ? tabWidth - (length & (tabWidth - 1)) : 1;
        if (length > slot)
            return columnAt(line, unit);
    }
    return columnAt(line, line.size());
}

// Characters per measure under the meter and the characters per beat in force.
std::size_t charsPerMeasure(const ChartReadingState& parser)
{
    const auto measureTicks =
        static_cast<std::uint32_t>(std::int64_t{ parser.beats } * kTicksPerQuarter);
    if (parser.ticksPerChar == 0)
        throw ChartError("measure has too many characters.", 1);
    const double chars = std::trunc(measureTicks * parser.beatLength / parser.ticksPerChar + 0.5);
    if (chars < 1.0)
        throw ChartError("measure has no characters.", 1);
    if (chars > static_cast<double>(kMaxCharsPerMeasure))
        throw ChartError("measure has too many characters.", 1);
    return static_cast<std::size_t>(chars);
}

// The next enabled branch in the cycle First, Second, Third; None stays None, and a branch
// alone stays itself.
Branch nextBranch(Branch branch, BranchMask branchMask)
{
    constexpr Branch kCycle[] = { Branch::First, Branch::Second, Branch::Third };
    const auto* const at = std::find(std::begin(kCycle), std::end(kCycle), branch);
    if (at == std::end(kCycle))
        return branch;
    const auto index = at - std::begin(kCycle);
    for (int step = 1; step < 3; ++step) {
        const Branch candidate = kCycle[(index + step) % 3];
        if (contains(branchMask, candidate))
            return candidate;
    }
    return branch;
}

// True when the rotation is back at the first enabled branch, or nothing is branched.
bool groupComplete(Branch branch, BranchMask branchMask)
{
    switch (branch) {
    case Branch::None:
    case Branch::First:
        return true;
    case Branch::Second:
        return !contains(branchMask, Branch::First);
    case Branch::Third:
        break;
    }
    return branchMask == (BranchMask::None | Branch::Third);
}

ChartDiagnostic diagnosticOf(const LineFault& fault, int lineNumber, std::u16string_view line)
{
    ChartDiagnostic diagnostic{
        { lineNumber, fault.column }, ChartSeverity::Error, fault.message, fault.detail, fault.kind
    };
    placeInLine(diagnostic, line, fault.target);
    return diagnostic;
}

bool byLocation(const ChartDiagnostic& a, const ChartDiagnostic& b)
{
    return std::pair(a.line(), a.column()) < std::pair(b.line(), b.column());
}

} // namespace

ChartReading ChartParser::read(ChartTextReader& reader, ChartScope scope)
{
    ChartReading reading;
    reading.complete = readLines(reader, scope, reading.diagnostics);
    finish(reading.complete ? ReadingEnd::ChartEnd : ReadingEnd::Stopped);
    if (!reading.diagnostics.empty())
        reading.firstError = reading.diagnostics.front().kind;
    const auto& found = m_tracker.warnings();
    const auto errorCount = static_cast<std::ptrdiff_t>(reading.diagnostics.size());
    reading.diagnostics.insert(reading.diagnostics.end(), found.begin(), found.end());
    std::inplace_merge(reading.diagnostics.begin(), reading.diagnostics.begin() + errorCount,
                       reading.diagnostics.end(), byLocation);
    reading.omittedWarnings = m_tracker.omitted();
    reading.document = std::move(m_state.document);
    reading.noteLines = std::move(m_noteLines);
    return reading;
}

bool ChartParser::readLines(ChartTextReader& reader, ChartScope scope,
                            std::vector<ChartDiagnostic>& errors)
{
    std::u16string line;
    while (reader.good()) {
        // Counted before the read, so that a line too long to read is reported with its number.
        ++m_state.lineCount;
        auto fault = reader.readLine(line);
        if (!fault)
            fault = readContent(line);
        if (fault) {
            errors.push_back(diagnosticOf(*fault, m_state.lineCount, line));
            if (scope == ChartScope::FirstError || fault->extent == ChartErrorExtent::Chart)
                return false;
        }
        if (!reader.good() && reader.cutAtEndOfFileMark())
            m_tracker.warn({ m_state.lineCount, columnAt(line, line.size()) },
                           "the chart ends here; the text after it is not read");
        // Warnings beyond the limit are only counted; errors stop the check, so that a chart
        // with many warnings is still read to its end and none of its errors is missed.
        if (errors.size() >= kMaxDiagnostics)
            return !reader.good();
    }
    return true;
}

std::optional<LineFault> ChartParser::readContent(std::u16string_view line)
{
    if (line.empty() || line[0] == u';')
        return std::nullopt;
    try {
        if (line[0] == u'#')
            readDirective(line);
        else
            readNoteLine(line);
    } catch (const ChartError& error) {
        return error.fault();
    }
    return std::nullopt;
}

void ChartParser::readNoteLine(std::u16string_view line)
{
    const std::size_t length = expandedLength(line, m_state.tabWidth);
    const std::size_t cpm = charsPerMeasure(m_state);
    const std::size_t padded = length % cpm == 0 ? length : length + cpm - length % cpm;
    // Refused before its notes are read: a line may hold a million one-character measures.
    if (padded / cpm > kMaxMeasures - std::min<std::size_t>(m_state.measureCursor, kMaxMeasures))
        throw ChartError("too many measures.", 1, {}, ChartErrorExtent::Chart);

    const NoteLinePlace place{ m_state.lineCount,
                               m_state.measureCursor,
                               m_state.ticksPerChar,
                               m_state.tabWidth,
                               cpm,
                               bitsOf(m_state.currentBranch) };
    try {
        NoteLineReader(m_state, m_tracker, m_lineNotes).read(line, cpm, padded);
    } catch (const ChartError&) {
        // A check goes on after the line: its measures stay, blank, so that the lines after it
        // keep their measures and branches.
        endNoteLine(line, length, cpm, padded);
        throw;
    }
    endNoteLine(line, length, cpm, padded);
    m_noteLines.push_back(place);
}

void ChartParser::endNoteLine(std::u16string_view line, std::size_t length, std::size_t cpm,
                              std::size_t padded)
{
    const bool beyondWhole = length > cpm && length % cpm != 0;
    const int extraColumn =
        beyondWhole ? columnOfSlot(line, m_state.tabWidth, length - length % cpm) : 1;
    m_tracker.noteLineShape({ m_state.lineCount, extraColumn }, length, cpm);
    m_state.currentBranch = nextBranch(m_state.currentBranch, m_state.branchMask);
    if (!groupComplete(m_state.currentBranch, m_state.branchMask)) {
        m_tracker.groupLineRead({ m_state.lineCount, 1 });
        return;
    }
    completeMeasures(padded);
}

void ChartParser::completeMeasures(std::size_t lineLength)
{
    const auto lineTicks = static_cast<std::uint64_t>(lineLength) * m_state.ticksPerChar;
    // The ticks per beat are whole and the count rounds half up, as charts have always been
    // measured: a different rounding would move later measures.
    // NOLINTBEGIN(bugprone-integer-division,bugprone-incorrect-roundings)
    const auto ticksOverBeats =
        static_cast<double>(lineTicks / static_cast<std::uint32_t>(m_state.beats));
    const auto completed =
        static_cast<std::uint32_t>(ticksOverBeats / m_state.beatLength / kTicksPerQuarter + 0.5);
    // NOLINTEND(bugprone-integer-division,bugprone-incorrect-roundings)
    if (completed > kMaxMeasures - m_state.document.measures.size())
        throw ChartError("too many measures.", 1, {}, ChartErrorExtent::Chart);
    m_state.document.measures.insert(
        m_state.document.measures.end(), completed,
        MeasureInfo{ m_state.beats, m_state.beatLength, bitsOf(m_state.branchMask) });
    m_state.measureCursor += completed;
    m_tracker.measuresCompleted(completed,
                                static_cast<std::uint32_t>(m_state.beats)
                                    * static_cast<double>(kTicksPerQuarter) * m_state.beatLength);
}

void ChartParser::finish(ReadingEnd end)
{
    std::vector<std::int32_t> branchesInSpan;
    for (const Branch branch : kBranches) {
        if (m_state.track(branch).group == GroupState::InSpan)
            branchesInSpan.push_back(bitsOf(branch));
    }
    m_tracker.finish(branchesInSpan, end == ReadingEnd::ChartEnd);
    m_state.document.notes.shrinkToFit();
}

} // namespace beatplate
