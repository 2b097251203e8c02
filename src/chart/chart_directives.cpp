#include "chart/chart_parser.h"
#include "chart/directive_scanner.h"

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <stdexcept>
#include <string_view>

namespace beatplate {
namespace {

constexpr std::int64_t kTicksPerQuarter = 480;
constexpr std::int64_t kInt32Max = std::numeric_limits<std::int32_t>::max();
constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();

[[noreturn]] void fail(const char* message)
{
    throw std::runtime_error(message);
}

// x + 0.5 truncated toward zero; empty when the result leaves the signed 32-bit range.
std::optional<std::int32_t> roundToInt32(double x)
{
    const double rounded = std::trunc(x + 0.5);
    if (!(rounded >= static_cast<double>(kInt32Min) && rounded <= static_cast<double>(kInt32Max)))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

// mask := 1, 2 and 4 for an "o" as the first, second and third character
std::int32_t branchMaskOf(std::wstring_view word)
{
    std::int32_t mask = 0;
    for (std::size_t i = 0; i < 3 && i < word.size(); ++i) {
        if (word[i] == L'o')
            mask |= 1 << i;
    }
    return mask;
}

// tick := n × 480 / d, truncated toward zero
std::uint32_t gridTick(std::int32_t divisor, std::int32_t steps)
{
    if (divisor == 0)
        fail("grid divisor must not be 0.");
    const std::int64_t scaled = steps * kTicksPerQuarter;
    if (scaled > kInt32Max || scaled < kInt32Min)
        fail("grid position is too large.");
    const std::int64_t tick = scaled / divisor;
    if (tick < 0)
        fail("grid position must not be negative.");
    return static_cast<std::uint32_t>(tick);
}

// grid offset := [ integer d [ integer n ] ]; tick 0 unless both are read
std::uint32_t readGridOffset(DirectiveScanner& scanner)
{
    const auto divisor = scanner.readInteger();
    const auto steps = scanner.readInteger();
    if (!divisor || !steps)
        return 0;
    return gridTick(*divisor, *steps);
}

void insertEvent(ChartParser& parser, ChartEventKind kind, std::int32_t value, std::uint32_t tick,
                 std::int32_t branch)
{
    parser.document->events.insert(
        ChartEvent{ kind, value, { parser.measureCursor, tick, branch } });
}

// bpm := real tempo, grid offset
void readTempo(ChartParser& parser, DirectiveScanner& scanner)
{
    const auto tempo = scanner.readReal();
    if (!tempo)
        fail("bpm needs a number.");
    const std::uint32_t tick = readGridOffset(scanner);
    const auto value = roundToInt32(static_cast<double>(*tempo) * 100);
    if (!value)
        fail("bpm is out of range.");
    insertEvent(parser, ChartEventKind::Tempo, *value, tick, 0);
}

std::int32_t integerWord(std::wstring_view word)
{
    const auto value = parseIntegerWord(word);
    if (!value)
        fail("hs position must be integers.");
    return *value;
}

// hs := real speed, then up to three words: [ branch word ] [ integer word d, integer word n ]
void readScrollSpeed(ChartParser& parser, DirectiveScanner& scanner)
{
    const auto speed = scanner.readReal();
    if (!speed)
        fail("hs needs a number.");
    std::array<std::wstring_view, 3> words;
    std::size_t wordCount = 0;
    while (wordCount < words.size()) {
        const auto word = scanner.readWord();
        if (!word)
            break;
        words[wordCount++] = *word;
    }
    std::uint32_t tick = 0;
    std::int32_t mask = 0;
    // A lone word names branches only when it has three characters; otherwise it is ignored.
    if (wordCount == 1 && words[0].size() == 3)
        mask = branchMaskOf(words[0]);
    if (wordCount == 2)
        tick = gridTick(integerWord(words[0]), integerWord(words[1]));
    if (wordCount == 3) {
        mask = branchMaskOf(words[0]);
        tick = gridTick(integerWord(words[1]), integerWord(words[2]));
    }
    const auto value = roundToInt32(static_cast<double>(*speed) * 100);
    if (!value)
        fail("hs is out of range.");
    insertEvent(parser, ChartEventKind::ScrollSpeed, *value, tick, mask);
}

void readTitle(ChartParser& parser, DirectiveScanner& scanner)
{
    parser.document->title = trimChartSpace(scanner.rest());
}

void readDifficulty(ChartParser& parser, DirectiveScanner& scanner)
{
    parser.document->difficulty = trimChartSpace(scanner.rest());
}

// level := integer
void readLevel(ChartParser& parser, DirectiveScanner& scanner)
{
    const auto level = scanner.readInteger();
    if (!level)
        fail("level needs a number.");
    parser.document->level = *level;
}

// tab := [ unsigned ]; without a number the width in force is checked again
void readTab(ChartParser& parser, DirectiveScanner& scanner)
{
    if (const auto width = scanner.readUnsigned())
        parser.tabWidth = *width;
    if (parser.tabWidth != 4 && parser.tabWidth != 8)
        fail("size of tub must be 4 or 8.");
}

// meter := integer note value d, integer beats n; the characters per beat stay as they were
void readMeter(ChartParser& parser, DirectiveScanner& scanner)
{
    const auto noteValue = scanner.readInteger();
    const auto beats = scanner.readInteger();
    if (!noteValue || !beats)
        fail("meter needs two numbers.");
    if (*noteValue <= 0 || *beats <= 0)
        fail("meter must be positive.");
    const double beatLength = 4.0 / *noteValue;
    const std::int64_t beatTicks = *beats * kTicksPerQuarter;
    if (beatTicks > kInt32Max || static_cast<double>(beatTicks) * beatLength > kInt32Max)
        fail("meter is out of range.");
    const auto ticksPerChar = roundToInt32(beatLength * parser.ticksPerChar / parser.beatLength);
    if (!ticksPerChar)
        fail("meter is out of range.");
    parser.beats = *beats;
    parser.beatLength = beatLength;
    parser.ticksPerChar = static_cast<std::uint32_t>(*ticksPerChar);
}

// beatchar := integer characters per beat c
void readBeatChar(ChartParser& parser, DirectiveScanner& scanner)
{
    const auto chars = scanner.readInteger();
    if (!chars)
        fail("beatchar needs a number.");
    if (*chars <= 0)
        fail("beatchar must be positive.");
    // At most 4 quarter notes per beat, so the result stays far inside 32 bits.
    parser.ticksPerChar =
        static_cast<std::uint32_t>(std::trunc(parser.beatLength * 480.0 / *chars + 0.5));
}

// branch := branch word of three characters; any other word changes nothing
void readBranch(ChartParser& parser, DirectiveScanner& scanner)
{
    const auto word = scanner.readWord();
    if (word && word->size() == 3) {
        const int oldLanes = laneCount(parser.branchMask);
        parser.branchMask = branchMaskOf(*word);
        parser.currentBranch = (*word)[0] == L'o' ? 1 : (*word)[1] == L'o' ? 2 : 4;
        if (laneCount(parser.branchMask) != oldLanes)
            insertEvent(parser, ChartEventKind::LineBreak, 0, 0, 0);
    }
    insertEvent(parser, ChartEventKind::BranchStart, 0, 0, 0);
}

// begingogo := grid offset
void readBeginGogo(ChartParser& parser, DirectiveScanner& scanner)
{
    const std::uint32_t tick = readGridOffset(scanner);
    if (parser.openGogoSpans >= kMaxOpenGogoSpans)
        throw std::runtime_error("too many gogo sections open.");
    parser.document->openGogoSpan({ parser.measureCursor, tick, 0 });
    ++parser.openGogoSpans;
}

// endgogo := grid offset
void readEndGogo(ChartParser& parser, DirectiveScanner& scanner)
{
    const std::uint32_t tick = readGridOffset(scanner);
    auto& spans = parser.document->gogoSpans;
    const bool closesOpenSpan = !spans.empty() && spans.back().upper() == kChartEnd;
    parser.document->closeGogoSpan({ parser.measureCursor, tick, 0 });
    if (closesOpenSpan)
        --parser.openGogoSpans;
}

void readNewline(ChartParser& parser, DirectiveScanner&)
{
    insertEvent(parser, ChartEventKind::LineBreak, 0, 0, 0);
}

struct Directive {
    std::wstring_view keyword;
    void (*read)(ChartParser&, DirectiveScanner&);
};

constexpr Directive kDirectives[] = {
    { L"bpm", readTempo },       { L"hs", readScrollSpeed },
    { L"title", readTitle },     { L"difficulty", readDifficulty },
    { L"level", readLevel },     { L"tab", readTab },
    { L"meter", readMeter },     { L"beatchar", readBeatChar },
    { L"branch", readBranch },   { L"begingogo", readBeginGogo },
    { L"endgogo", readEndGogo }, { L"newline", readNewline },
};

} // namespace

void ChartParser::readDirective(const std::wstring& line)
{
    std::wstring_view body(line);
    if (!body.empty())
        body.remove_prefix(1);
    DirectiveScanner scanner(body);
    const auto keyword = scanner.readWord();
    for (const auto& directive : kDirectives) {
        if (keyword == directive.keyword) {
            directive.read(*this, scanner);
            return;
        }
    }
    fail("unknown command.");
}

} // namespace beatplate
