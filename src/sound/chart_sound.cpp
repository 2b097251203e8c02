#include "sound/chart_sound.h"

#include <algorithm>
#include <cassert>
#include <cmath>
#include <nlohmann/json.hpp>

namespace beatplate {

namespace {

// Samples mixed at a time: small enough to stay in the cache, large enough to write well.
constexpr std::size_t kBlockSamples = 16384;

template <std::size_t Size>
void putLittleEndian(std::array<std::uint8_t, kWavHeaderBytes>& bytes, std::size_t at,
                     std::uint32_t value)
{
    for (std::size_t i = 0; i < Size; ++i)
        bytes[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

void appendSamples(std::vector<std::uint8_t>& bytes, std::span<const std::int16_t> samples)
{
    for (const std::int16_t sample : samples) {
        const auto bits = static_cast<std::uint16_t>(sample);
        bytes.push_back(static_cast<std::uint8_t>(bits & 0xFF));
        bytes.push_back(static_cast<std::uint8_t>(bits >> 8));
    }
}

} // namespace

std::array<std::uint8_t, kWavHeaderBytes> wavHeader(std::uint32_t samples)
{
    constexpr std::uint32_t kBytesPerSample = 2;
    assert(samples <= kMaxWavSamples);
    std::array<std::uint8_t, kWavHeaderBytes> bytes{ 'R', 'I', 'F', 'F', 0,   0,   0,   0,
                                                     'W', 'A', 'V', 'E', 'f', 'm', 't', ' ' };
    const std::uint32_t dataBytes = samples * kBytesPerSample;
    putLittleEndian<4>(bytes, 4, 36 + dataBytes);
    putLittleEndian<4>(bytes, 16, 16); // the format chunk's size
    putLittleEndian<2>(bytes, 20, 1); // PCM
    putLittleEndian<2>(bytes, 22, 1); // mono
    putLittleEndian<4>(bytes, 24, kSampleRate);
    putLittleEndian<4>(bytes, 28, kSampleRate * kBytesPerSample);
    putLittleEndian<2>(bytes, 32, kBytesPerSample);
    putLittleEndian<2>(bytes, 34, 16); // bits per sample
    const std::array<std::uint8_t, 4> data{ 'd', 'a', 't', 'a' };
    std::copy(data.begin(), data.end(), bytes.begin() + 36);
    putLittleEndian<4>(bytes, 40, dataBytes);
    return bytes;
}

std::vector<std::uint8_t> voicesWav(const DrumVoices& voices)
{
    constexpr std::size_t kSlot = DrumVoices::kLongestVoice;
    std::vector<std::int16_t> samples(kSlot * kVoiceCount, 0);
    for (std::size_t voice = 0; voice < kVoiceCount; ++voice) {
        const auto source = voices.samples(static_cast<Voice>(voice));
        for (std::size_t n = 0; n < source.size(); ++n)
            samples[voice * kSlot + n] =
                static_cast<std::int16_t>(std::lround(source[n] * 32767.0f));
    }
    const auto header = wavHeader(static_cast<std::uint32_t>(samples.size()));
    std::vector<std::uint8_t> bytes(header.begin(), header.end());
    appendSamples(bytes, samples);
    return bytes;
}

ChartSound::ChartSound(const ChartDocument& document, SoundChoice choice,
                       SoundMixer::StrokeReport report)
    : m_timeline(document)
    , m_strokes(document, m_timeline, choice)
    , m_mixer(m_voices, m_strokes, soundSamples(m_timeline.secondsAt(m_timeline.endTick())),
              std::move(report))
    , m_samples(kBlockSamples)
{
}

std::span<const std::uint8_t> ChartSound::next()
{
    m_bytes.clear();
    if (!m_headerDone) {
        m_headerDone = true;
        assert(fitsWav());
        const auto header = wavHeader(static_cast<std::uint32_t>(samples()));
        m_bytes.assign(header.begin(), header.end());
        return m_bytes;
    }
    const std::size_t count = m_mixer.mix(m_samples);
    appendSamples(m_bytes, std::span(m_samples).first(count));
    return m_bytes;
}

nlohmann::ordered_json soundJson(const ChartDocument& document, const ChartTimeline& timeline)
{
    using Json = nlohmann::ordered_json;
    Json voices = Json::array();
    for (std::size_t voice = 0; voice < kVoiceCount; ++voice)
        voices.push_back(voiceName(static_cast<Voice>(voice)));
    Json list = Json::array();
    StrokeScheduler strokes(document, timeline, { true, true, 0 });
    for (auto stroke = strokes.next(); stroke; stroke = strokes.next())
        list.push_back({ std::round(stroke->seconds * 1e6) / 1e6, static_cast<int>(stroke->voice),
                         stroke->paths });
    return { { "sampleRate", kSampleRate },
             { "voiceSamples", DrumVoices::kLongestVoice },
             { "voices", voices },
             { "strokes", list } };
}

} // namespace beatplate
