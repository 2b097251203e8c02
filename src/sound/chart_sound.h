#pragma once

#include "chart/chart_document.h"
#include "chart/chart_timeline.h"
#include "sound/drum_voices.h"
#include "sound/sound_mixer.h"
#include "sound/stroke_scheduler.h"

#include <array>
#include <cstdint>
#include <nlohmann/json_fwd.hpp>
#include <span>
#include <vector>

namespace beatplate {

// The most samples a WAV file's 32-bit sizes can hold.
inline constexpr std::int64_t kMaxWavSamples = (std::int64_t{ 0xFFFFFFFF } - 36) / 2;
inline constexpr std::size_t kWavHeaderBytes = 44;

// The bytes that begin a WAV file of this many 16-bit mono samples at kSampleRate.
[[nodiscard]] std::array<std::uint8_t, kWavHeaderBytes> wavHeader(std::uint32_t samples);

// All voices, one after another, each in a slot of DrumVoices::kLongestVoice samples, as a WAV
// file: what the page plays the strokes with, so that it sounds as the files we write.
[[nodiscard]] std::vector<std::uint8_t> voicesWav(const DrumVoices& voices);

// {"sampleRate", "voiceSamples", "voices": names in the order of voicesWav, "strokes":
// [[seconds, voice, paths]]}: every stroke of the chart's sound, of every branch path and the
// metronome, in time order, for a page to play with those voices.
[[nodiscard]] nlohmann::ordered_json soundJson(const ChartDocument& document,
                                               const ChartTimeline& timeline);

// A chart's sound as the bytes of a WAV file (16-bit PCM, mono, kSampleRate), made a block at a
// time, so that the longest chart takes no more memory than a short one beyond its document.
class ChartSound {
public:
    // The document must outlive the sound.
    ChartSound(const ChartDocument& document, SoundChoice choice,
               SoundMixer::StrokeReport report = {});
    ChartSound(const ChartSound&) = delete;
    ChartSound& operator=(const ChartSound&) = delete;

    [[nodiscard]] std::int64_t samples() const { return m_mixer.samples(); }
    // False for a sound longer than a WAV file can hold, which cannot be written.
    [[nodiscard]] bool fitsWav() const { return samples() <= kMaxWavSamples; }
    // The next bytes of the file, its header first; empty at its end.
    [[nodiscard]] std::span<const std::uint8_t> next();

private:
    ChartTimeline m_timeline;
    DrumVoices m_voices;
    StrokeScheduler m_strokes;
    SoundMixer m_mixer;
    bool m_headerDone = false;
    std::vector<std::int16_t> m_samples;
    std::vector<std::uint8_t> m_bytes;
};

} // namespace beatplate
