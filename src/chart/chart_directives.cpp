#include "chart/chart_error.h"
#include "chart/chart_parser.h"
#include "chart/chart_reading_state.h"
#include "chart/directive_scanner.h"
#include "chart/directive_table.h"

#include <array>
#include <cmath>
#include <limits>
#include <optional>
#include <string>
#include <string_view>

namespace beatplate {
namespace {

constexpr std::int64_t kInt32Min = std::numeric_limits<std::int32_t>::min();

// One directive line being read: its words, and where in the line they stand.
struct DirectiveLine {
    ChartReadingState& state;
    WarningTracker& tracker;
    DirectiveScanner scanner; // over the line after its "#"
    std::u16string_view line;
    ChartLocation keyword; // where the directive's keyword begins

    // The location of the character at index in the scanner's text.
    [[nodiscard]] ChartLocation at(std::size_t index) const
    {
        return { keyword.line, columnAt(line, index + 1) };
    }
    [[nodiscard]] ChartLocation lastRead() const { return at(scanner.lastStart()); }
    [[noreturn]] void fail(const char* message, ChartLocation where) const
    {
        throw ChartError(message, where.column);
    }
};

// Two integers read one after the other, each empty when missing, and where each begins.
struct IntegerPair {
    std::optional<std::int32_t> first;
    ChartLocation firstAt;
    std::optional<std::int32_t> second;
    ChartLocation secondAt;
};

// pair := [ integer [ integer ] ]; either too large for 32 bits fails with outOfRange, at the
// second
IntegerPair readIntegerPair(DirectiveLine& directive, const char* outOfRange)
{
    IntegerPair pair;
    pair.first = directive.scanner.readInteger();
    pair.firstAt = directive.lastRead();
    pair.second = directive.scanner.readInteger();
    pair.secondAt = directive.lastRead();
    if (directive.scanner.outOfRange())
        directive.fail(outOfRange, pair.secondAt);
    return pair;
}

// x + 0.5 truncated toward zero, and halves of negative values away from zero as of positive
// ones (-1.5 as a scroll speed is -150, not -149); empty outside the signed 32-bit range.
std::optional<std::int32_t> roundToInt32(double x)
{
    const double rounded = x < 0 ? -std::trunc(0.5 - x) : std::trunc(x + 0.5);
    if (!(rounded >= static_cast<double>(kInt32Min) && rounded <= static_cast<double>(kInt32Max)))
        return std::nullopt;
    return static_cast<std::int32_t>(rounded);
}

// mask := First, Second and Third for an "o" as the first, second and third character
BranchMask branchMaskOf(std::u16string_view word)
{
    constexpr Branch kLanes[] = { Branch::First, Branch::Second, Branch::Third };
    BranchMask mask = BranchMask::None;
    for (std::size_t i = 0; i < std::size(kLanes) && i < word.size(); ++i) {
        if (word[i] == u'o')
            mask = mask | kLanes[i];
    }
    return mask;
}

// tick := n × 480 / d, truncated toward zero; errors point at d
std::uint32_t gridTick(const DirectiveLine& directive, std::int32_t divisor, std::int32_t steps,
                       ChartLocation where)
{
    if (divisor == 0)
        directive.fail("grid divisor must not be 0.", where);
    const std::int64_t scaled = steps * std::int64_t{ kTicksPerQuarter };
    if (scaled > kInt32Max || scaled < kInt32Min)
        directive.fail("grid position is too large.", where);
    const std::int64_t tick = scaled / divisor;
    if (tick < 0)
        directive.fail("grid position must not be negative.", where);
    return static_cast<std::uint32_t>(tick);
}

// grid offset := [ integer d [ integer n ] ]; tick 0 unless both are read
std::uint32_t readGridOffset(DirectiveLine& directive)
{
    const auto [divisor, where, steps, stepsAt] =
        readIntegerPair(directive, "grid position is out of range.");
    if (!divisor || !steps)
        return 0;
    return gridTick(directive, *divisor, *steps, where);
}

// Inserts an event at the measure cursor; one that draws a mark is remembered for the checks
// against the measure it lands in.
void insertEvent(DirectiveLine& directive, ChartEventKind kind, std::int32_t value,
                 std::uint32_t tick, std::int32_t branch)
{
    auto& state = directive.state;
    state.document.events.insert(ChartEvent{ kind, value, { state.measureCursor, tick, branch } });
    if (kind != ChartEventKind::LineBreak)
        directive.tracker.markPlaced(directive.keyword, tick);
}

// bpm := real tempo, grid offset
void readTempo(DirectiveLine& directive)
{
    const auto tempo = directive.scanner.readReal();
    const ChartLocation where = directive.lastRead();
    if (!tempo)
        directive.fail("bpm needs a number.", where);
    const std::uint32_t tick = readGridOffset(directive);
    const auto value = roundToInt32(static_cast<double>(*tempo) * 100);
    if (!value)
        directive.fail("bpm is out of range.", where);
    if (*value <= 0)
        directive.fail("bpm must be positive.", where);
    insertEvent(directive, ChartEventKind::Tempo, *value, tick, 0);
}

// integer word := a whole word that is a signed 32-bit integer
std::int32_t integerWord(const DirectiveLine& directive, std::u16string_view word,
                         ChartLocation where)
{
    const auto parsed = parseIntegerWord(word);
    if (parsed.outOfRange)
        directive.fail("grid position is out of range.", where);
    if (!parsed.value)
        directive.fail("hs position must be integers.", where);
    return *parsed.value;
}

// hs := real speed, then up to three words: [ branch word ] [ integer word d, integer word n ]
void readScrollSpeed(DirectiveLine& directive)
{
    auto& scanner = directive.scanner;
    const auto speed = scanner.readReal();
    const ChartLocation where = directive.lastRead();
    if (!speed)
        directive.fail("hs needs a number.", where);
    std::array<std::u16string_view, 3> words;
    std::array<ChartLocation, 3> places;
    std::size_t wordCount = 0;
    while (wordCount < words.size()) {
        const auto word = scanner.readWord();
        if (!word)
            break;
        places[wordCount] = directive.lastRead();
        words[wordCount++] = *word;
    }
    std::uint32_t tick = 0;
    BranchMask mask = BranchMask::None;
    if (wordCount >= 2) {
        // The grid is the last two words; with three, the first names the branches.
        const std::size_t first = wordCount - 2;
        const std::int32_t divisor = integerWord(directive, words[first], places[first]);
        const std::int32_t steps = integerWord(directive, words[first + 1], places[first + 1]);
        tick = gridTick(directive, divisor, steps, places[first]);
        if (wordCount == 3)
            mask = branchMaskOf(words[0]);
    }
    const auto value = roundToInt32(static_cast<double>(*speed) * 100);
    if (!value)
        directive.fail("hs is out of range.", where);
    // A lone word names branches only when it has three characters; otherwise it is ignored.
    if (wordCount == 1 && words[0].size() == 3)
        mask = branchMaskOf(words[0]);
    else if (wordCount == 1)
        directive.tracker.warn(places[0], "branch word is ignored.", excerptOf(words[0]));
    // For this kind the position's branch is the mask of branches the speed applies to.
    insertEvent(directive, ChartEventKind::ScrollSpeed, *value, tick, bitsOf(mask));
}

void readTitle(DirectiveLine& directive)
{
    directive.state.document.title = trimChartSpace(directive.scanner.rest());
}

void readDifficulty(DirectiveLine& directive)
{
    directive.state.document.difficulty = trimChartSpace(directive.scanner.rest());
}

// An integer the directive cannot do without; failing, the message says whether it was missing
// or written too large.
std::int32_t readNeededInteger(DirectiveLine& directive, const char* outOfRangeMessage,
                               const char* missingMessage)
{
    const auto value = directive.scanner.readInteger();
    if (!value)
        directive.fail(directive.scanner.outOfRange() ? outOfRangeMessage : missingMessage,
                       directive.lastRead());
    return *value;
}

// level := integer; the page shows 0 to 10 stars
void readLevel(DirectiveLine& directive)
{
    const std::int32_t level =
        readNeededInteger(directive, "level is out of range.", "level needs a number.");
    if (level < 0 || level > 10)
        directive.tracker.warn(directive.lastRead(),
                               "level is outside 0 to 10; it is drawn clamped.");
    directive.state.document.level = level;
}

// tab := [ unsigned ]; without a number the width in force stays
void readTab(DirectiveLine& directive)
{
    const auto width = directive.scanner.readUnsigned();
    const ChartLocation where = width ? directive.lastRead() : directive.keyword;
    if (directive.scanner.outOfRange())
        directive.fail("tab is out of range.", directive.lastRead());
    if (width && *width != 4 && *width != 8)
        directive.fail("size of tub must be 4 or 8.", where);
    if (width)
        directive.state.tabWidth = *width;
}

// meter := integer note value d, integer beats n; the characters per beat stay as they were
void readMeter(DirectiveLine& directive)
{
    auto& state = directive.state;
    const auto [noteValue, where, beats, beatsWhere] =
        readIntegerPair(directive, "meter is out of range.");
    if (!noteValue || !beats)
        directive.fail("meter needs two numbers.", beatsWhere);
    if (*noteValue <= 0 || *beats <= 0)
        directive.fail("meter must be positive.", where);
    const double beatLength = 4.0 / *noteValue;
    const std::int64_t beatTicks = *beats * std::int64_t{ kTicksPerQuarter };
    if (beatTicks > kInt32Max || static_cast<double>(beatTicks) * beatLength > kInt32Max)
        directive.fail("meter is out of range.", beatsWhere);
    const auto ticksPerChar = roundToInt32(beatLength * state.ticksPerChar / state.beatLength);
    if (!ticksPerChar)
        directive.fail("meter is out of range.", where);
    state.beats = *beats;
    state.beatLength = beatLength;
    state.ticksPerChar = static_cast<std::uint32_t>(*ticksPerChar);
}

// beatchar := integer characters per beat c
void readBeatChar(DirectiveLine& directive)
{
    const std::int32_t chars =
        readNeededInteger(directive, "beatchar is out of range.", "beatchar needs a number.");
    if (chars <= 0)
        directive.fail("beatchar must be positive.", directive.lastRead());
    // At most 4 quarter notes per beat, so the result stays far inside 32 bits.
    directive.state.ticksPerChar = static_cast<std::uint32_t>(
        std::trunc(directive.state.beatLength * kTicksPerQuarter / chars + 0.5));
}

// branch := branch word of three characters; any other word changes nothing
void readBranch(DirectiveLine& directive)
{
    auto& state = directive.state;
    const auto word = directive.scanner.readWord();
    const ChartLocation where = directive.lastRead();
    if (word && word->size() == 3) {
        directive.tracker.branchesChanged();
        const int oldLanes = laneCount(bitsOf(state.branchMask));
        state.branchMask = branchMaskOf(*word);
        state.currentBranch = (*word)[0] == u'o' ? Branch::First
            : (*word)[1] == u'o'                 ? Branch::Second
                                                 : Branch::Third;
        // Such a word leaves the following note lines in a group that never completes.
        if (state.branchMask == BranchMask::None)
            directive.tracker.warn(where, "branch word selects no branch.", excerptOf(*word));
        if (laneCount(bitsOf(state.branchMask)) != oldLanes)
            insertEvent(directive, ChartEventKind::LineBreak, 0, 0, 0);
    } else if (word) {
        directive.tracker.warn(where, "branch word is ignored.", excerptOf(*word));
    }
    insertEvent(directive, ChartEventKind::BranchStart, 0, 0, 0);
}

// begingogo := grid offset
void readBeginGogo(DirectiveLine& directive)
{
    auto& state = directive.state;
    const std::uint32_t tick = readGridOffset(directive);
    if (state.openGogoSpans >= kMaxOpenGogoSpans)
        directive.fail("too many gogo sections open.", directive.keyword);
    state.document.openGogoSpan({ state.measureCursor, tick, 0 });
    ++state.openGogoSpans;
    directive.tracker.markPlaced(directive.keyword, std::nullopt);
}

// endgogo := grid offset
void readEndGogo(DirectiveLine& directive)
{
    auto& state = directive.state;
    const std::uint32_t tick = readGridOffset(directive);
    auto& spans = state.document.gogoSpans;
    const bool closesOpenSpan = !spans.empty() && spans.back().upper() == kChartEnd;
    // The document's own errors point at the directive.
    switch (state.document.closeGogoSpan({ state.measureCursor, tick, 0 })) {
    case GogoClosing::Closed:
        break;
    case GogoClosing::NoneOpen:
        directive.fail(kGogoSpanUnopenedMessage, directive.keyword);
    case GogoClosing::Backwards:
        directive.fail(kGogoSpanBackwardsMessage, directive.keyword);
    }
    if (closesOpenSpan)
        --state.openGogoSpans;
}

void readNewline(DirectiveLine& directive)
{
    insertEvent(directive, ChartEventKind::LineBreak, 0, 0, 0);
}

using DirectiveReader = void (*)(DirectiveLine&);

// Every directive of the table has its reader here; the compiler names one that has none.
DirectiveReader readerOf(DirectiveKind kind)
{
    switch (kind) {
    case DirectiveKind::Title:
        return readTitle;
    case DirectiveKind::Difficulty:
        return readDifficulty;
    case DirectiveKind::Level:
        return readLevel;
    case DirectiveKind::Bpm:
        return readTempo;
    case DirectiveKind::Hs:
        return readScrollSpeed;
    case DirectiveKind::Meter:
        return readMeter;
    case DirectiveKind::BeatChar:
        return readBeatChar;
    case DirectiveKind::Tab:
        return readTab;
    case DirectiveKind::Branch:
        return readBranch;
    case DirectiveKind::BeginGogo:
        return readBeginGogo;
    case DirectiveKind::EndGogo:
        return readEndGogo;
    case DirectiveKind::NewLine:
        break;
    }
    return readNewline;
}

// "#bmp", and after it the name it was likely meant as: "#bmp; did you mean #bpm?".
std::string unknownDirectiveDetail(std::u16string_view word)
{
    std::string detail = "#" + excerptOf(word);
    if (const Directive* meant = nearestDirective(word))
        detail += "; did you mean #" + std::string(meant->name) + "?";
    return detail;
}

// "150,5": a number read with other characters right after it.
void warnTextAfterNumber(const DirectiveLine& directive)
{
    const auto found = directive.scanner.numberWithText();
    if (!found)
        return;
    const std::u16string_view text = directive.line.substr(1);
    std::size_t end = found->textStart;
    while (end < text.size() && !isChartSpace(text[end]))
        ++end;
    directive.tracker.warn(directive.at(found->textStart),
                           "number is followed by other characters.",
                           excerptOf(text.substr(found->numberStart, end - found->numberStart)),
                           ChartSlip::NumberWithText);
}

} // namespace

void ChartParser::readDirective(std::u16string_view line)
{
    std::u16string_view body = line;
    if (!body.empty())
        body.remove_prefix(1);
    DirectiveLine directive{
        m_state, m_tracker, DirectiveScanner(body), line, { m_state.lineCount, 1 }
    };
    const auto keyword = directive.scanner.readWord();
    if (keyword)
        directive.keyword = directive.lastRead();
    const Directive* const known = keyword ? findDirective(*keyword) : nullptr;
    if (known == nullptr)
        throw ChartError("unknown command.", directive.keyword.column,
                         keyword ? unknownDirectiveDetail(*keyword) : std::string());
    const auto checkpoint = m_tracker.checkpoint();
    try {
        readerOf(known->kind)(directive);
    } catch (const ChartError&) {
        m_tracker.rollBack(checkpoint);
        throw;
    }
    warnTextAfterNumber(directive);
}

} // namespace beatplate
