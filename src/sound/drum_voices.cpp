#include "sound/drum_voices.h"

#include <algorithm>
#include <cmath>
#include <numbers>

namespace beatplate {

namespace {

constexpr double kTwoPi = 2.0 * std::numbers::pi;

// The same noise on every run and platform: xorshift, from a seed of each voice's own.
class Noise {
public:
    explicit Noise(std::uint32_t seed)
        : m_state(seed)
    {
    }

    // Uniform in [-1, 1).
    double next()
    {
        m_state ^= m_state << 13;
        m_state ^= m_state >> 17;
        m_state ^= m_state << 5;
        return static_cast<double>(m_state) / 2147483648.0 - 1.0;
    }

private:
    std::uint32_t m_state;
};

// A two-pole band-pass filter, its gain 1 at the centre.
class BandPass {
public:
    BandPass(double centre, double q)
    {
        const double w = kTwoPi * centre / kSampleRate;
        const double alpha = std::sin(w) / (2.0 * q);
        const double a0 = 1.0 + alpha;
        m_b0 = alpha / a0;
        m_a1 = -2.0 * std::cos(w) / a0;
        m_a2 = (1.0 - alpha) / a0;
    }

    double filter(double x)
    {
        const double y = m_b0 * (x - m_x2) - m_a1 * m_y1 - m_a2 * m_y2;
        m_x2 = m_x1;
        m_x1 = x;
        m_y2 = m_y1;
        m_y1 = y;
        return y;
    }

private:
    double m_b0 = 0, m_a1 = 0, m_a2 = 0;
    double m_x1 = 0, m_x2 = 0, m_y1 = 0, m_y2 = 0;
};

// A one-pole low-pass filter.
class LowPass {
public:
    explicit LowPass(double cutoff)
        : m_k(1.0 - std::exp(-kTwoPi * cutoff / kSampleRate))
    {
    }

    double filter(double x)
    {
        m_y += m_k * (x - m_y);
        return m_y;
    }

private:
    double m_k;
    double m_y = 0;
};

// A drum side: a sine swept down from high to its resting pitch, with an overtone for the big
// strokes, over a thump of low noise.
struct DrumSpec {
    double seconds;
    double restHz;
    double sweepHz; // added at the onset, decaying over sweepSeconds
    double sweepSeconds;
    double decaySeconds;
    double overtone; // the level of a partial at 1.6 times the pitch
    double thump; // the level of low noise at the onset
    double peak;
    std::uint32_t seed;
};

// A rim: band-passed noise and a ringing tone or two.
struct RimSpec {
    double seconds;
    double noiseHz;
    double noiseDecay;
    double toneHz;
    double secondToneHz; // 0: none
    double toneDecay;
    double peak;
    std::uint32_t seed;
};

// A metronome click: a short sine.
struct ClickSpec {
    double seconds;
    double hz;
    double decaySeconds;
    double peak;
};

std::size_t samplesOf(double seconds)
{
    return std::min(DrumVoices::kLongestVoice,
                    static_cast<std::size_t>(std::lround(seconds * kSampleRate)));
}

// Scaled to its peak, a half-millisecond rise at the onset and a fade over its last two
// milliseconds, so that neither end clicks.
std::vector<float> finished(std::vector<double> samples, double peak)
{
    double highest = 0;
    for (const double sample : samples)
        highest = std::max(highest, std::abs(sample));
    const double scale = highest > 0 ? peak / highest : 0;
    const std::size_t rise = kSampleRate / 2000;
    const std::size_t fade = std::min(samples.size(), std::size_t{ kSampleRate / 500 });
    std::vector<float> out(samples.size());
    for (std::size_t n = 0; n < samples.size(); ++n) {
        double gain = scale;
        if (n < rise)
            gain *= static_cast<double>(n + 1) / static_cast<double>(rise);
        if (n + fade >= samples.size())
            gain *= static_cast<double>(samples.size() - n) / static_cast<double>(fade + 1);
        out[n] = static_cast<float>(samples[n] * gain);
    }
    return out;
}

std::vector<float> drum(const DrumSpec& spec)
{
    std::vector<double> samples(samplesOf(spec.seconds));
    Noise noise(spec.seed);
    LowPass low(500.0);
    double phase = 0;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const double t = static_cast<double>(n) / kSampleRate;
        const double hz = spec.restHz + spec.sweepHz * std::exp(-t / spec.sweepSeconds);
        phase += kTwoPi * hz / kSampleRate;
        const double body = std::sin(phase) * std::exp(-t / spec.decaySeconds);
        const double overtone =
            spec.overtone * std::sin(1.6 * phase) * std::exp(-t / (spec.decaySeconds / 3.0));
        const double thump = spec.thump * 4.0 * low.filter(noise.next()) * std::exp(-t / 0.008);
        samples[n] = body + overtone + thump;
    }
    return finished(std::move(samples), spec.peak);
}

std::vector<float> rim(const RimSpec& spec)
{
    std::vector<double> samples(samplesOf(spec.seconds));
    Noise noise(spec.seed);
    BandPass band(spec.noiseHz, 1.5);
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const double t = static_cast<double>(n) / kSampleRate;
        const double crack = 2.5 * band.filter(noise.next()) * std::exp(-t / spec.noiseDecay);
        double tone = std::sin(kTwoPi * spec.toneHz * t);
        if (spec.secondToneHz > 0)
            tone += 0.7 * std::sin(kTwoPi * spec.secondToneHz * t);
        samples[n] = crack + 0.6 * tone * std::exp(-t / spec.toneDecay);
    }
    return finished(std::move(samples), spec.peak);
}

std::vector<float> click(const ClickSpec& spec)
{
    std::vector<double> samples(samplesOf(spec.seconds));
    for (std::size_t n = 0; n < samples.size(); ++n) {
        const double t = static_cast<double>(n) / kSampleRate;
        samples[n] = std::sin(kTwoPi * spec.hz * t) * std::exp(-t / spec.decaySeconds);
    }
    return finished(std::move(samples), spec.peak);
}

} // namespace

std::string_view voiceName(Voice voice)
{
    switch (voice) {
    case Voice::Don:
        return "don";
    case Voice::Ka:
        return "ka";
    case Voice::BigDon:
        return "bigDon";
    case Voice::BigKa:
        return "bigKa";
    case Voice::Click:
        return "click";
    case Voice::AccentClick:
        break;
    }
    return "accentClick";
}

// Levels leave room for a roll, a note and a click together before the mix saturates.
DrumVoices::DrumVoices()
    : m_samples{
        drum({ 0.35, 90, 95, 0.02, 0.11, 0.0, 0.35, 0.4, 0x9E3779B9u }),
        rim({ 0.12, 3000, 0.010, 1800, 0, 0.018, 0.35, 0x85EBCA6Bu }),
        drum({ 0.5, 75, 110, 0.03, 0.2, 0.35, 0.5, 0.6, 0xC2B2AE35u }),
        rim({ 0.2, 2600, 0.018, 1800, 1250, 0.03, 0.55, 0x27D4EB2Fu }),
        click({ 0.04, 1000, 0.006, 0.25 }),
        click({ 0.05, 1500, 0.008, 0.35 }),
    }
{
}

} // namespace beatplate
