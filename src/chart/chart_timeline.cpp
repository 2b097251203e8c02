#include "chart/chart_timeline.h"

#include <algorithm>

namespace beatplate {

// Seconds that ticks last at a tempo in quarter notes per minute.
static double secondsOfTicks(std::int64_t ticks, double tempo)
{
    if (tempo <= 0)
        return 0;
    return static_cast<double>(ticks) * 60.0 / (kTicksPerQuarter * tempo);
}

ChartTimeline::ChartTimeline()
    : m_measureStarts{ 0 }
    , m_tempos{ { 0, kDefaultTempo } }
    , m_secondsAtTempo{ 0 }
{
}

ChartTimeline::ChartTimeline(const ChartDocument& document)
{
    m_measureStarts.reserve(document.measures.size() + 1);
    std::int64_t start = 0;
    for (const MeasureInfo& measure : document.measures) {
        m_measureStarts.push_back(start);
        // Whole ticks, as the score is drawn, so that figures and picture agree.
        start += static_cast<std::uint32_t>(measure.beats * measure.beatLength * kTicksPerQuarter);
    }
    m_measureStarts.push_back(start);

    m_tempos.push_back({ 0, kDefaultTempo });
    for (const ChartEvent& event : document.events) {
        if (event.kind != ChartEventKind::Tempo)
            continue;
        if (const auto tick = tickOf(event.position))
            m_tempos.push_back({ *tick, event.value / 100.0 });
    }
    // An offset past its measure's end lands in a later measure; of changes at one tick the
    // last written holds.
    std::stable_sort(m_tempos.begin(), m_tempos.end(),
                     [](const TimedValue& a, const TimedValue& b) { return a.tick < b.tick; });

    m_secondsAtTempo.reserve(m_tempos.size());
    double seconds = 0;
    for (std::size_t i = 0; i < m_tempos.size(); ++i) {
        if (i > 0)
            seconds +=
                secondsOfTicks(m_tempos[i].tick - m_tempos[i - 1].tick, m_tempos[i - 1].value);
        m_secondsAtTempo.push_back(seconds);
    }
}

std::optional<std::int64_t> ChartTimeline::tickOf(const ChartPosition& position) const
{
    if (position.measure >= m_measureStarts.size() - 1)
        return std::nullopt;
    return m_measureStarts[position.measure] + position.tick;
}

double ChartTimeline::secondsAt(std::int64_t tick) const
{
    const auto after = std::upper_bound(
        m_tempos.begin(), m_tempos.end(), tick,
        [](std::int64_t value, const TimedValue& change) { return value < change.tick; });
    // The default tempo stands at tick 0, so a tick of the chart always has one before it.
    const auto index =
        static_cast<std::size_t>(std::max<std::ptrdiff_t>(after - m_tempos.begin() - 1, 0));
    const TimedValue& change = m_tempos[index];
    return m_secondsAtTempo[index] + secondsOfTicks(tick - change.tick, change.value);
}

} // namespace beatplate
