#include "sound/stroke_scheduler.h"

#include <algorithm>

namespace beatplate {

static std::optional<Voice> voiceOf(NoteKind kind)
{
    switch (kind) {
    case NoteKind::O:
    case NoteKind::ParenSpan:
    case NoteKind::AtSpan:
    case NoteKind::BSpan:
    case NoteKind::PSpan:
        return Voice::Don;
    case NoteKind::BigO:
    case NoteKind::AngleSpan:
        return Voice::BigDon;
    case NoteKind::X:
        return Voice::Ka;
    case NoteKind::BigX:
        return Voice::BigKa;
    case NoteKind::None:
    case NoteKind::Unnamed:
        break;
    }
    // A span that never got a kind is not drawn either.
    return std::nullopt;
}

StrokeScheduler::StrokeScheduler(const ChartDocument& document, const ChartTimeline& timeline,
                                 SoundChoice choice)
    : m_document(document)
    , m_timeline(timeline)
    , m_choice(choice)
    , m_note(document.notes.begin())
{
}

bool StrokeScheduler::heard(std::uint8_t paths) const
{
    return m_choice.branch == 0 || (paths & (1 << (m_choice.branch - 1))) != 0;
}

void StrokeScheduler::push(std::int64_t tick, Voice voice, std::uint8_t paths)
{
    m_strokes.push({ tick, m_timeline.secondsAt(tick), voice, paths });
}

void StrokeScheduler::scheduleNotes(std::uint32_t measure)
{
    const std::int32_t mask = m_document.measures[measure].branchMask;
    for (; m_note != m_document.notes.end() && m_note->position.measure <= measure; ++m_note) {
        const ChartNote& note = *m_note;
        const auto voice = voiceOf(note.kind);
        const auto tick = m_timeline.tickOf(note.position);
        // A triplet begun before its measure wraps its first tick far past the chart's end.
        if (!voice || !tick || *tick >= m_timeline.endTick())
            continue;
        const std::uint8_t paths = pathsHearing(note.position.branch, mask);
        if (!heard(paths))
            continue;
        if (isSingleNote(note.kind))
            push(*tick, *voice, paths);
        else
            m_rolls.push_back(
                { *tick, std::min(*tick + note.length, m_timeline.endTick()), *voice, paths });
    }
}

void StrokeScheduler::scheduleMeasure(std::uint32_t measure)
{
    const std::int64_t start = m_timeline.measureStart(measure);
    const std::int64_t end = m_timeline.measureStart(measure + 1);
    if (m_choice.metronome) {
        const MeasureInfo& info = m_document.measures[measure];
        for (std::int32_t beat = 0; beat < info.beats; ++beat) {
            const auto tick =
                start + static_cast<std::int64_t>(beat * info.beatLength * kTicksPerQuarter);
            if (tick < end)
                push(tick, beat == 0 ? Voice::AccentClick : Voice::Click, kEveryPath);
        }
    }
    if (!m_choice.notes)
        return;
    scheduleNotes(measure);
    for (Roll& roll : m_rolls) {
        for (; roll.next < std::min(roll.end, end); roll.next += kRollTicks)
            push(roll.next, roll.voice, roll.paths);
    }
    std::erase_if(m_rolls, [](const Roll& roll) { return roll.next >= roll.end; });
}

std::optional<Stroke> StrokeScheduler::next()
{
    const auto measures = static_cast<std::uint32_t>(m_document.measures.size());
    // Every stroke before a measure's start is known once the measures before it are.
    while (m_measure < measures
           && (m_strokes.empty() || m_strokes.top().tick >= m_timeline.measureStart(m_measure)))
        scheduleMeasure(m_measure++);
    if (m_strokes.empty())
        return std::nullopt;
    Stroke stroke = m_strokes.top();
    m_strokes.pop();
    return stroke;
}

} // namespace beatplate
