#include "chart/note_line_reader.h"

#include "base/text_codec.h"
#include "chart/chart_diagnostic.h"
#include "chart/chart_error.h"
#include "chart/chart_reading_state.h"
#include "chart/warning_tracker.h"

#include <algorithm>
#include <limits>

namespace beatplate {
NoteLineReader::NoteLineReader(ChartReadingState& reading, WarningTracker& tracker,
                               std::vector<ChartPosition>& inserted)
    : m_reading(reading)
    , m_tracker(tracker)
    , m_notes(reading.document.notes)
    , m_ticksPerChar(reading.ticksPerChar)
    , m_branch(reading.currentBranch)
    , m_state(reading.track(reading.currentBranch).group)
    , m_span(reading.track(reading.currentBranch).span)
    , m_inserted(inserted)
{
    m_inserted.clear();
}

void NoteLineReader::read(std::u16string_view line, std::size_t charsPerMeasure,
                          std::size_t paddedLength)
{
    const GroupState stateBefore = m_state;
    const ChartNote spanBefore = m_span;
    const auto spanStartBefore = m_tracker.spanStart(bitsOf(m_branch));
    const auto warningsBefore = m_tracker.checkpoint();
    try {
        readLine(line, charsPerMeasure, paddedLength);
    } catch (const ChartError&) {
        for (const ChartPosition& inserted : m_inserted)
            m_notes.erase(inserted);
        m_state = stateBefore;
        m_span = spanBefore;
        m_tracker.setSpanStart(bitsOf(m_branch), spanStartBefore);
        m_tracker.rollBack(warningsBefore);
        throw;
    }
}

// Tabs become blanks up to the next multiple of the tab width, each blank its own slot.
void NoteLineReader::readLine(std::u16string_view line, std::size_t charsPerMeasure,
                              std::size_t paddedLength)
{
    const std::uint32_t tabWidth = m_reading.tabWidth;
    m_line = line;
    std::size_t slot = 0;
    const auto readNext = [&](char16_t c) {
        const auto measure =
            m_reading.measureCursor + static_cast<std::uint32_t>(slot / charsPerMeasure);
        readSlot(c, measure, static_cast<std::uint32_t>(slot % charsPerMeasure));
        ++slot;
    };
    for (std::size_t unit = 0; unit < line.size(); ++unit) {
        // Only ASCII is read without an error, so the first unit of a pair is the last read.
        m_unit = unit;
        m_column = static_cast<int>(unit) + 1;
        const char16_t c = line[unit];
        if (c != u'\t') {
            readNext(c);
            continue;
        }
        const std::size_t blanks = tabWidth - (slot & (tabWidth - 1));
        for (std::size_t blank = 0; blank < blanks; ++blank)
            readNext(u' ');
    }
    while (slot < paddedLength)
        readNext(u' ');
}

void NoteLineReader::readSlot(char16_t c, std::uint32_t measure, std::uint32_t slot)
{
    switch (c) {
    case u' ':
        static_cast<void>(tickOf(slot));
        return;
    case u'o':
    case u'c':
        insertNote(NoteKind::O, measure, slot);
        return;
    case u'O':
    case u'C':
        insertNote(NoteKind::BigO, measure, slot);
        return;
    case u'x':
        insertNote(NoteKind::X, measure, slot);
        return;
    case u'X':
        insertNote(NoteKind::BigX, measure, slot);
        return;
    case u'(':
        m_span.kind = NoteKind::ParenSpan;
        openSpan(measure, slot);
        return;
    case u'<':
        m_span.kind = NoteKind::AngleSpan;
        openSpan(measure, slot);
        return;
    case u'[':
        openSpan(measure, slot);
        return;
    case u'3':
        if (m_state != GroupState::InSpan) {
            m_state = GroupState::TripletFirst;
            return;
        }
        break;
    default:
        break;
    }
    if (m_state != GroupState::InSpan)
        throwParseError();
    readInsideSpan(c);
}

void NoteLineReader::throwParseError() const
{
    throw ChartError(
        LineFault{ "parse error.", m_column, describeCharacter(codePointAt(m_line, m_unit)),
                   ChartErrorExtent::Line, ChartErrorKind::Content, ChartTarget::Character });
}

// The tick of a slot, advancing a triplet group: its three notes share four slots evenly.
std::uint32_t NoteLineReader::tickOf(std::uint32_t slot)
{
    const std::int64_t t = m_ticksPerChar;
    std::int64_t tick = slot * t;
    switch (m_state) {
    case GroupState::TripletFirst:
        tick = (slot - std::int64_t{ 1 }) * t;
        m_state = GroupState::TripletSecond;
        break;
    case GroupState::TripletSecond:
        tick = slot * t - 2 * t / 3;
        m_state = GroupState::TripletThird;
        break;
    case GroupState::TripletThird:
        tick = slot * t - t / 3;
        m_state = GroupState::Idle;
        break;
    case GroupState::Idle:
    case GroupState::InSpan:
        break;
    }
    // A group carried over a measure end would land before its measure's start; it starts there.
    return static_cast<std::uint32_t>(std::max<std::int64_t>(tick, 0));
}

void NoteLineReader::checkPageEdge(std::uint32_t tick)
{
    if (m_pageEdgeWarned || !beyondPageEdge(tick))
        return;
    // One warning a line: the rest of a long measure usually lies there too.
    m_pageEdgeWarned = true;
    m_tracker.warn({ m_reading.lineCount, m_column }, "note is beyond the page's right edge.");
}

void NoteLineReader::insertNote(NoteKind kind, std::uint32_t measure, std::uint32_t slot)
{
    const std::uint32_t tick = tickOf(slot);
    checkPageEdge(tick);
    const ChartPosition position{ measure, tick, bitsOf(m_branch) };
    if (m_notes.insert(ChartNote{ kind, 0, 0, position })) {
        m_inserted.push_back(position);
        return;
    }
    // One warning a line: a line written over another drops most of its notes.
    if (!m_dropWarned)
        m_tracker.warn({ m_reading.lineCount, m_column },
                       "note is dropped: an earlier note holds its position.");
    m_dropWarned = true;
}

// A span opened while another is open replaces it; its kind stays until a kind letter comes.
void NoteLineReader::openSpan(std::uint32_t measure, std::uint32_t slot)
{
    const ChartLocation here{ m_reading.lineCount, m_column };
    if (m_state == GroupState::InSpan)
        m_tracker.warn(here, "span opened inside a span; the first is dropped.");
    m_tracker.setSpanStart(bitsOf(m_branch), here);
    m_span.position = { measure, tickOf(slot), bitsOf(m_branch) };
    checkPageEdge(m_span.position.tick);
    m_span.count = 0;
    m_span.length = static_cast<std::int32_t>(m_ticksPerChar);
    m_state = GroupState::InSpan;
}

void NoteLineReader::readInsideSpan(char16_t c)
{
    switch (c) {
    case u'@':
        m_span.kind = NoteKind::AtSpan;
        growSpan();
        return;
    case u'b':
        m_span.kind = NoteKind::BSpan;
        growSpan();
        return;
    case u'p':
        m_span.kind = NoteKind::PSpan;
        growSpan();
        return;
    case u'=':
        growSpan();
        return;
    case u')':
    case u'>':
    case u']':
        closeSpan();
        return;
    default:
        break;
    }
    if (c < u'0' || c > u'9')
        throwParseError();
    const std::int64_t count = std::int64_t{ m_span.count } * 10 + (c - u'0');
    if (count > kInt32Max)
        throw ChartError("span count is too large.", m_column);
    m_span.count = static_cast<std::int32_t>(count);
    growSpan();
}

void NoteLineReader::closeSpan()
{
    growSpan();
    if (m_notes.insert(m_span))
        m_inserted.push_back(m_span.position);
    else
        m_tracker.warn(m_tracker.spanStart(bitsOf(m_branch))
                           .value_or(ChartLocation{ m_reading.lineCount, m_column }),
                       "span is dropped: an earlier note holds its position.");
    m_state = GroupState::Idle;
}

void NoteLineReader::growSpan()
{
    if (m_span.length > kInt32Max - m_ticksPerChar)
        throw ChartError("span is too long.", m_column);
    m_span.length += static_cast<std::int32_t>(m_ticksPerChar);
}

} // namespace beatplate
