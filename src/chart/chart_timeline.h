#pragma once

#include "chart/chart_document.h"

#include <cstdint>
#include <optional>
#include <vector>

namespace beatplate {

// The tempo in force before a chart's first "bpm": the notation names none, so we take the
// usual default of music software.
inline constexpr double kDefaultTempo = 120.0;

// A value that takes effect at a tick of the chart and holds until the next change.
struct TimedValue {
    std::int64_t tick = 0; // from the start of the chart
    double value = 0;

    bool operator==(const TimedValue&) const = default;
};

// The completed measures of a chart laid end to end in ticks, and the tempo over them: turns
// positions into ticks from the chart's start and ticks into seconds.
class ChartTimeline {
public:
    // Of a chart without measures.
    ChartTimeline();
    explicit ChartTimeline(const ChartDocument& document);

    // Ticks of all completed measures; a measure lasts its length in whole ticks.
    [[nodiscard]] std::int64_t endTick() const { return m_measureStarts.back(); }
    [[nodiscard]] std::int64_t measureStart(std::uint32_t measure) const
    {
        return m_measureStarts[measure];
    }
    // Ticks from the chart's start; none for a measure that was never completed.
    [[nodiscard]] std::optional<std::int64_t> tickOf(const ChartPosition& position) const;
    // Seconds from the chart's start; a stretch at a tempo of 0 or less takes no time.
    [[nodiscard]] double secondsAt(std::int64_t tick) const;
    // The default tempo at tick 0, then every tempo change in chart order, at its tick.
    [[nodiscard]] const std::vector<TimedValue>& tempos() const { return m_tempos; }

private:
    std::vector<std::int64_t> m_measureStarts; // one per measure, then the end
    std::vector<TimedValue> m_tempos;
    std::vector<double> m_secondsAtTempo; // seconds at the tick of each tempo change
};

} // namespace beatplate
