#include "sound/sound_mixer.h"

#include <algorithm>
#include <cmath>

namespace beatplate {

std::int64_t sampleAt(double seconds)
{
    return std::llround(seconds * kSampleRate);
}

std::int64_t soundSamples(double chartSeconds)
{
    return sampleAt(std::max(chartSeconds, 0.0))
        + static_cast<std::int64_t>(DrumVoices::kLongestVoice);
}

SoundMixer::SoundMixer(const DrumVoices& voices, StrokeScheduler& strokes, std::int64_t samples,
                       StrokeReport report)
    : m_voices(voices)
    , m_strokes(strokes)
    , m_report(std::move(report))
    , m_samples(samples)
{
}

void SoundMixer::takeStrokesBefore(std::int64_t end)
{
    while (!m_strokesDone) {
        if (!m_waiting)
            m_waiting = m_strokes.next();
        if (!m_waiting) {
            m_strokesDone = true;
            return;
        }
        const std::int64_t start = sampleAt(m_waiting->seconds);
        if (start >= end)
            return;
        if (m_report)
            m_report(start, *m_waiting);
        m_ringing.push_back({ start, m_voices.samples(m_waiting->voice) });
        m_waiting.reset();
    }
}

std::size_t SoundMixer::mix(std::span<std::int16_t> out)
{
    const auto count = static_cast<std::size_t>(
        std::clamp<std::int64_t>(m_samples - m_position, 0, static_cast<std::int64_t>(out.size())));
    const std::int64_t end = m_position + static_cast<std::int64_t>(count);
    takeStrokesBefore(end);
    m_block.assign(count, 0.0f);
    for (const Ringing& stroke : m_ringing) {
        const std::int64_t from = std::max(stroke.start, m_position);
        const std::int64_t to =
            std::min(stroke.start + static_cast<std::int64_t>(stroke.samples.size()), end);
        for (std::int64_t at = from; at < to; ++at)
            m_block[static_cast<std::size_t>(at - m_position)] +=
                stroke.samples[static_cast<std::size_t>(at - stroke.start)];
    }
    std::erase_if(m_ringing, [end](const Ringing& stroke) {
        return stroke.start + static_cast<std::int64_t>(stroke.samples.size()) <= end;
    });
    for (std::size_t i = 0; i < count; ++i) {
        const float sample = std::clamp(m_block[i], -1.0f, 1.0f);
        out[i] = static_cast<std::int16_t>(std::lround(sample * 32767.0f));
    }
    m_position = end;
    return count;
}

} // namespace beatplate
