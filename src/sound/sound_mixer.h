#pragma once

#include "sound/drum_voices.h"
#include "sound/stroke_scheduler.h"

#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

namespace beatplate {

// The sample a stroke at this time begins on.
[[nodiscard]] std::int64_t sampleAt(double seconds);

// The samples of a sound whose last stroke is at most at chartSeconds: to the chart's end, and
// long enough for the longest voice to ring out after it.
[[nodiscard]] std::int64_t soundSamples(double chartSeconds);

// Mixes the strokes of a scheduler into 16-bit samples, block by block, holding only the strokes
// still ringing; a mix louder than full scale is clipped there.
class SoundMixer {
public:
    // Called with each stroke and the sample it begins on, in time order, as it is mixed.
    using StrokeReport = std::function<void(std::int64_t sample, const Stroke& stroke)>;

    // The voices and the scheduler must outlive the mixer.
    SoundMixer(const DrumVoices& voices, StrokeScheduler& strokes, std::int64_t samples,
               StrokeReport report = {});

    // Fills out with the next samples, fewer at the end of the sound; the count filled.
    [[nodiscard]] std::size_t mix(std::span<std::int16_t> out);
    [[nodiscard]] std::int64_t samples() const { return m_samples; }

private:
    struct Ringing {
        std::int64_t start = 0;
        std::span<const float> samples;
    };

    void takeStrokesBefore(std::int64_t end);

    const DrumVoices& m_voices;
    StrokeScheduler& m_strokes;
    StrokeReport m_report;
    std::int64_t m_samples;
    std::int64_t m_position = 0;
    std::optional<Stroke> m_waiting; // the next stroke, once asked for
    bool m_strokesDone = false;
    std::vector<Ringing> m_ringing;
    std::vector<float> m_block;
};

} // namespace beatplate
