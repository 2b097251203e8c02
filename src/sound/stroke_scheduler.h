#pragma once

#include "chart/chart_document.h"
#include "chart/chart_timeline.h"
#include "sound/drum_voices.h"

#include <cstdint>
#include <optional>
#include <queue>
#include <vector>

namespace beatplate {

// Ticks between the strokes of a roll: a sixteenth note, the notation's default slot, so that a
// roll follows the tempo and its strokes fall on the grid the author writes on.
inline constexpr std::int64_t kRollTicks = 120;

// Which strokes a chart's sound has.
struct SoundChoice {
    bool notes = true;
    bool metronome = false;
    // The branch path heard, 1 to 3; 0: every path's strokes, each saying which paths hear it.
    int branch = 1;

    bool operator==(const SoundChoice&) const = default;
};

// One stroke of the sound.
struct Stroke {
    std::int64_t tick = 0; // from the chart's start
    double seconds = 0; // from the chart's start, as the timeline gives the tick
    Voice voice = Voice::Don;
    std::uint8_t paths = kEveryPath; // the branch paths that hear it

    bool operator==(const Stroke&) const = default;
};

// The strokes of a chart in time order: its notes (a roll of strokes kRollTicks apart for a
// span, to its end) and the metronome on every beat of every completed measure. Made measure
// by measure as they are asked for, so that a long chart's strokes are never all held at once.
// Notes of measures never completed, and any past the chart's end, are not heard.
class StrokeScheduler {
public:
    // The document and the timeline must outlive the scheduler.
    StrokeScheduler(const ChartDocument& document, const ChartTimeline& timeline,
                    SoundChoice choice);

    // The next stroke; none after the last.
    [[nodiscard]] std::optional<Stroke> next();

private:
    struct Roll {
        std::int64_t next = 0; // tick of its next stroke
        std::int64_t end = 0; // tick it ends at, not struck
        Voice voice = Voice::Don;
        std::uint8_t paths = kEveryPath;
    };
    struct Later {
        bool operator()(const Stroke& a, const Stroke& b) const
        {
            return a.tick != b.tick ? a.tick > b.tick : a.voice > b.voice;
        }
    };

    void scheduleMeasure(std::uint32_t measure);
    void scheduleNotes(std::uint32_t measure);
    void push(std::int64_t tick, Voice voice, std::uint8_t paths);
    [[nodiscard]] bool heard(std::uint8_t paths) const;

    const ChartDocument& m_document;
    const ChartTimeline& m_timeline;
    SoundChoice m_choice;
    std::uint32_t m_measure = 0; // the next measure to schedule
    NoteSet::const_iterator m_note;
    std::vector<Roll> m_rolls;
    std::priority_queue<Stroke, std::vector<Stroke>, Later> m_strokes;
};

} // namespace beatplate
