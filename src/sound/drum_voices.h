#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string_view>
#include <vector>

namespace beatplate {

// The samples per second of every sound we make.
inline constexpr int kSampleRate = 44100;

// What a stroke sounds like: the drum's two sides, small and big, and the metronome's clicks.
enum class Voice : std::uint8_t {
    Don, // a low drum stroke, for "o"
    Ka, // a rim click, for "x"
    BigDon, // louder and fuller, for "O"
    BigKa, // for "X"
    Click, // a metronome beat
    AccentClick, // the metronome on a measure's first beat
};

inline constexpr std::size_t kVoiceCount = 6;

// The name of a voice as the page's API gives it.
[[nodiscard]] std::string_view voiceName(Voice voice);

// Every voice synthesized once, as samples in [-1, 1] at kSampleRate from the stroke's onset
// on: swept sines and filtered noise under decaying envelopes, the noise from a fixed seed, so
// that the same voices come out every time. Each voice is at most kLongestVoice samples long.
class DrumVoices {
public:
    static constexpr std::size_t kLongestVoice = kSampleRate / 2;

    DrumVoices();

    [[nodiscard]] std::span<const float> samples(Voice voice) const
    {
        return m_samples[static_cast<std::size_t>(voice)];
    }

private:
    std::array<std::vector<float>, kVoiceCount> m_samples;
};

} // namespace beatplate
