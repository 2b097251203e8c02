#include "chart/chart_parser.h"

#include "chart/chart_text_reader.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <stdexcept>
#include <utility>

namespace beatplate {
namespace {

// groupState values: idle, the three notes of a triplet group, inside a span.
constexpr std::int32_t kIdle = 0;
constexpr std::int32_t kGroupFirst = 1;
constexpr std::int32_t kGroupSecond = 2;
constexpr std::int32_t kGroupThird = 3;
constexpr std::int32_t kInSpan = 4;

// A span closed without a kind letter in a branch that never had one keeps this kind, which
// the renderer does not draw.
constexpr std::int32_t kUnnamedSpanKind = L'[';

constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();

[[noreturn]] void throwParseError()
{
    throw std::runtime_error("parse error.");
}

// Reads the characters of one note line into the notes of the parser's current branch.
class NoteLineReader {
public:
    explicit NoteLineReader(ChartParser& parser)
        : m_notes(parser.document->notes)
        , m_ticksPerChar(parser.ticksPerChar)
        , m_branch(parser.currentBranch)
        , m_state(parser.groupState[parser.currentBranch])
        , m_span(parser.openSpan
                     .try_emplace(parser.currentBranch, ChartNote{ kUnnamedSpanKind, 0, 0, {} })
                     .first->second)
    {
    }

    // Acts on the character in slot `slot` of measure `measure`.
    void read(wchar_t c, std::uint32_t measure, std::uint32_t slot);

private:
    [[nodiscard]] std::uint32_t tickOf(std::uint32_t slot);
    void insertNote(wchar_t kind, std::uint32_t measure, std::uint32_t slot);
    void openSpan(std::uint32_t measure, std::uint32_t slot);
    void readInsideSpan(wchar_t c);
    void growSpan();

    std::set<ChartNote, PositionLess>& m_notes;
    std::int64_t m_ticksPerChar;
    std::int32_t m_branch;
    std::int32_t& m_state;
    ChartNote& m_span;
};

void NoteLineReader::read(wchar_t c, std::uint32_t measure, std::uint32_t slot)
{
    switch (c) {
    case L' ':
        static_cast<void>(tickOf(slot));
        return;
    case L'o':
    case L'x':
    case L'O':
    case L'X':
        insertNote(c, measure, slot);
        return;
    case L'c':
        insertNote(L'o', measure, slot);
        return;
    case L'C':
        insertNote(L'O', measure, slot);
        return;
    case L'(':
    case L'<':
        m_span.kind = c;
        [[fallthrough]];
    case L'[':
        openSpan(measure, slot);
        return;
    case L'3':
        if (m_state != kInSpan) {
            m_state = kGroupFirst;
            return;
        }
        break;
    default:
        break;
    }
    if (m_state != kInSpan)
        throwParseError();
    readInsideSpan(c);
}

// The tick of a slot, advancing a triplet group: its three notes share four slots evenly.
std::uint32_t NoteLineReader::tickOf(std::uint32_t slot)
{
    const std::int64_t t = m_ticksPerChar;
    std::int64_t tick = slot * t;
    switch (m_state) {
    case kGroupFirst:
        tick = (slot - std::int64_t{ 1 }) * t;
        m_state = kGroupSecond;
        break;
    case kGroupSecond:
        tick = slot * t - 2 * t / 3;
        m_state = kGroupThird;
        break;
    case kGroupThird:
        tick = slot * t - t / 3;
        m_state = kIdle;
        break;
    default:
        break;
    }
    // A group carried over a measure end would land before its measure's start; it starts there.
    return static_cast<std::uint32_t>(std::max<std::int64_t>(tick, 0));
}

void NoteLineReader::insertNote(wchar_t kind, std::uint32_t measure, std::uint32_t slot)
{
    m_notes.insert(ChartNote{ kind, 0, 0, { measure, tickOf(slot), m_branch } });
}

// A span opened while another is open replaces it; its kind stays until a kind letter comes.
void NoteLineReader::openSpan(std::uint32_t measure, std::uint32_t slot)
{
    m_span.position = { measure, tickOf(slot), m_branch };
    m_span.count = 0;
    m_span.length = static_cast<std::int32_t>(m_ticksPerChar);
    m_state = kInSpan;
}

void NoteLineReader::readInsideSpan(wchar_t c)
{
    switch (c) {
    case L'@':
    case L'b':
    case L'p':
        m_span.kind = c;
        growSpan();
        return;
    case L'=':
        growSpan();
        return;
    case L')':
    case L'>':
    case L']':
        growSpan();
        m_notes.insert(m_span);
        m_state = kIdle;
        return;
    default:
        break;
    }
    if (c < L'0' || c > L'9')
        throwParseError();
    const std::int64_t count = std::int64_t{ m_span.count } * 10 + (c - L'0');
    if (count > kInt32Max)
        throw std::runtime_error("span count is too large.");
    m_span.count = static_cast<std::int32_t>(count);
    growSpan();
}

void NoteLineReader::growSpan()
{
    if (m_span.length > kInt32Max - m_ticksPerChar)
        throw std::runtime_error("span is too long.");
    m_span.length += static_cast<std::int32_t>(m_ticksPerChar);
}

// Replaces each tab by spaces up to the next multiple of the tab width.
std::wstring expandTabs(const std::wstring& line, std::uint32_t tabWidth)
{
    std::wstring expanded;
    expanded.reserve(line.size());
    for (const wchar_t c : line) {
        if (c != L'\t')
            expanded.push_back(c);
        else
            expanded.append(tabWidth - (expanded.size() & (tabWidth - 1)), L' ');
        if (expanded.size() > kMaxLineLength)
            throw std::runtime_error("line is too long.");
    }
    return expanded;
}

// Characters per measure under the meter and the characters per beat in force.
std::size_t charsPerMeasure(const ChartParser& parser)
{
    const auto measureTicks = static_cast<std::uint32_t>(std::int64_t{ parser.beats } * 480);
    if (parser.ticksPerChar == 0)
        throw std::runtime_error("measure has too many characters.");
    const double chars = std::trunc(measureTicks * parser.beatLength / parser.ticksPerChar + 0.5);
    if (chars < 1.0)
        throw std::runtime_error("measure has no characters.");
    if (chars > static_cast<double>(kMaxCharsPerMeasure))
        throw std::runtime_error("measure has too many characters.");
    return static_cast<std::size_t>(chars);
}

// The next enabled branch in the cycle 1, 2, 4; 0 stays 0, and a branch alone stays itself.
std::int32_t nextBranch(std::int32_t branch, std::int32_t branchMask)
{
    constexpr std::int32_t kCycle[] = { 1, 2, 4 };
    const auto* const at = std::find(std::begin(kCycle), std::end(kCycle), branch);
    if (at == std::end(kCycle))
        return branch;
    const auto index = at - std::begin(kCycle);
    for (int step = 1; step < 3; ++step) {
        const std::int32_t candidate = kCycle[(index + step) % 3];
        if ((branchMask & candidate) != 0)
            return candidate;
    }
    return branch;
}

// True when the rotation is back at the first enabled branch, or nothing is branched.
bool groupComplete(std::int32_t branch, std::int32_t branchMask)
{
    return branch == 0 || branch == 1 || (branch == 2 && (branchMask & 1) == 0)
        || (branch == 4 && branchMask == 4);
}

} // namespace

ChartParseError::ChartParseError(int lineNumber, std::string message)
    : m_lineNumber(lineNumber)
    , m_message(std::move(message))
    , m_report("読み込み時にエラーが発生しました: " + std::to_string(lineNumber) + "行\n"
               + m_message)
{
}

ChartParser::ChartParser()
{
    reset();
}

void ChartParser::reset()
{
    document = std::make_unique<ChartDocument>();
    measureCursor = 0;
    ticksPerChar = 120;
    tabWidth = 4;
    currentBranch = 0;
    branchMask = 0;
    groupState = { { 0, 0 }, { 1, 0 }, { 2, 0 }, { 4, 0 } };
    beatLength = 1.0;
    beats = 4;
    lineCount = 0;
    openGogoSpans = 0;
}

std::unique_ptr<ChartDocument> ChartParser::parse(ChartTextReader& reader)
{
    std::wstring line;
    while (reader.good()) {
        // Counted before the read, so that a line too long to read is reported with its number.
        ++lineCount;
        try {
            reader.readLine(line);
            if (sourceText.size() + line.size() + 1 > kMaxChartLength)
                throw std::runtime_error("chart is too long.");
            sourceText += line;
            sourceText += L'\n';
            if (line.empty() || line[0] == L';')
                continue;
            if (line[0] == L'#')
                readDirective(line);
            else
                readNoteLine(line);
        } catch (const std::runtime_error& error) {
            throw ChartParseError(lineCount, error.what());
        }
    }
    return std::move(document);
}

void ChartParser::readNoteLine(std::wstring line)
{
    line = expandTabs(line, tabWidth);
    const std::size_t cpm = charsPerMeasure(*this);
    if (line.size() % cpm != 0)
        line.append(cpm - line.size() % cpm, L' ');
    // Refused before its notes are read: a line may hold a million one-character measures.
    if (line.size() / cpm > kMaxMeasures - std::min<std::size_t>(measureCursor, kMaxMeasures))
        throw std::runtime_error("too many measures.");

    NoteLineReader reader(*this);
    for (std::size_t index = 0; index < line.size(); ++index) {
        const auto measure = measureCursor + static_cast<std::uint32_t>(index / cpm);
        reader.read(line[index], measure, static_cast<std::uint32_t>(index % cpm));
    }

    currentBranch = nextBranch(currentBranch, branchMask);
    if (!groupComplete(currentBranch, branchMask))
        return;
    const auto lineTicks = static_cast<std::uint64_t>(line.size()) * ticksPerChar;
    const auto ticksOverBeats = static_cast<double>(lineTicks / static_cast<std::uint32_t>(beats));
    const auto completed = static_cast<std::uint32_t>(ticksOverBeats / beatLength / 480 + 0.5);
    if (completed > kMaxMeasures - document->measures.size())
        throw std::runtime_error("too many measures.");
    document->measures.insert(document->measures.end(), completed,
                              MeasureInfo{ beats, beatLength, branchMask });
    measureCursor += completed;
}

} // namespace beatplate
