#include "chart/chart_test_helpers.h"
#include "sound/chart_sound.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <string>
#include <vector>

namespace beatplate {
namespace {

// A stroke as a row expects it: where (seconds) and which voice.
struct Onset {
    double seconds = 0;
    Voice voice = Voice::Don;
};

struct SoundCase {
    const char* name;
    std::string chart;
    SoundChoice choice;
    std::vector<Onset> expected; // in time order; voices at one time in Voice order
    bool sparse = false; // strokes far enough apart to be found in the samples themselves
};

// 1 ms.
constexpr std::int64_t kTolerance = kSampleRate / 1000;

std::vector<SoundCase> soundCases()
{
    using enum Voice;
    const SoundChoice notes{ true, false, 1 };
    const std::string branched = "#bpm 120\no\n#branch ooo\nx\no\nO\n#branch oxx\nX\n";
    return {
        { "EveryKindOfNote",
          "#bpm 60\no   x   O   X\n",
          notes,
          { { 0, Don }, { 1, Ka }, { 2, BigDon }, { 3, BigKa } },
          true },
        { "TempoChangeBetweenMeasures",
          "#bpm 120\no       o\n#bpm 240\no       o\n",
          notes,
          { { 0, Don }, { 1, Don }, { 2, Don }, { 2.5, Don } },
          true },
        { "TempoChangeInsideAMeasure",
          "#bpm 120\n#bpm 60 4 8\no       o   o\n",
          notes,
          { { 0, Don }, { 1, Don }, { 2, Don } },
          true },
        { "MeterOfThreeWithMetronome",
          "#bpm 120\n#meter 4 3\no   o   o\no\n",
          { true, true, 1 },
          { { 0, Don },
            { 0, AccentClick },
            { 0.5, Don },
            { 0.5, Click },
            { 1, Don },
            { 1, Click },
            { 1.5, Don },
            { 1.5, AccentClick },
            { 2, Click },
            { 2.5, Click } } },
        { "SixEightMetronomeAlone",
          "#bpm 120\n#meter 8 6\no\n",
          { false, true, 1 },
          { { 0, AccentClick },
            { 0.25, Click },
            { 0.5, Click },
            { 0.75, Click },
            { 1, Click },
            { 1.25, Click } } },
        { "BeatCharacters",
          "#bpm 120\n#beatchar 3\no o o o o o\n",
          notes,
          { { 0, Don },
            { 1.0 / 3, Don },
            { 2.0 / 3, Don },
            { 1, Don },
            { 4.0 / 3, Don },
            { 5.0 / 3, Don } } },
        { "Triplet",
          "#bpm 120\n3ooo o\n",
          notes,
          { { 0, Don }, { 1.0 / 6, Don }, { 1.0 / 3, Don }, { 0.625, Don } } },
        { "RollsOfBothSpans",
          "#bpm 120\n(=====)\n<==>\n",
          notes,
          { { 0, Don },
            { 0.125, Don },
            { 0.25, Don },
            { 0.375, Don },
            { 0.5, Don },
            { 0.625, Don },
            { 0.75, Don },
            { 2, BigDon },
            { 2.125, BigDon },
            { 2.25, BigDon },
            { 2.375, BigDon } } },
        { "CountedSpanAcrossLinesUnderANote",
          "#bpm 120\n[b5=]   x      (\n=)\n",
          notes,
          { { 0, Don },
            { 0.125, Don },
            { 0.25, Don },
            { 0.375, Don },
            { 0.5, Don },
            { 1, Ka },
            { 1.875, Don },
            { 2, Don },
            { 2.125, Don } } },
        { "FirstBranch", branched, notes, { { 0, Don }, { 2, Ka }, { 4, BigKa } }, true },
        { "SecondBranch",
          branched,
          { true, false, 2 },
          { { 0, Don }, { 2, Don }, { 4, BigKa } },
          true },
        { "ThirdBranch",
          branched,
          { true, false, 3 },
          { { 0, Don }, { 2, BigDon }, { 4, BigKa } },
          true },
        { "BranchMissingFallsBackToTheFirstLane",
          "#bpm 120\n#branch oxo\nx\nO\n",
          { true, false, 2 },
          { { 0, Ka } },
          true },
        { "UncompletedGroupIsSilent",
          "#bpm 120\no\n#branch ooo\nx\nx\n",
          notes,
          { { 0, Don } },
          true },
    };
}

struct Heard {
    std::vector<std::pair<std::int64_t, Voice>> reported;
    std::vector<std::int16_t> samples;
};

Heard hear(const std::string& chart, SoundChoice choice)
{
    const auto read = test::readChart(chart);
    Heard heard;
    ChartSound sound(read.document, choice, [&heard](std::int64_t sample, const Stroke& s) {
        heard.reported.emplace_back(sample, s.voice);
    });
    std::vector<std::uint8_t> bytes;
    for (auto block = sound.next(); !block.empty(); block = sound.next())
        bytes.insert(bytes.end(), block.begin(), block.end());
    EXPECT_EQ(bytes.size(), kWavHeaderBytes + 2 * static_cast<std::size_t>(sound.samples()));
    const auto header = wavHeader(static_cast<std::uint32_t>(sound.samples()));
    EXPECT_TRUE(std::equal(header.begin(), header.end(), bytes.begin()));
    for (std::size_t at = kWavHeaderBytes; at + 1 < bytes.size(); at += 2)
        heard.samples.push_back(static_cast<std::int16_t>(bytes[at] | (bytes[at + 1] << 8)));
    return heard;
}

// Where sound begins after at least 10 ms of silence.
std::vector<std::int64_t> envelopeOnsets(const std::vector<std::int16_t>& samples)
{
    constexpr int kThreshold = 200;
    constexpr std::int64_t kSilence = kSampleRate / 100;
    std::vector<std::int64_t> onsets;
    std::int64_t quiet = kSilence;
    for (std::size_t n = 0; n < samples.size(); ++n) {
        if (std::abs(samples[n]) < kThreshold) {
            ++quiet;
            continue;
        }
        if (quiet >= kSilence)
            onsets.push_back(static_cast<std::int64_t>(n));
        quiet = 0;
    }
    return onsets;
}

class ChartSoundTest : public testing::TestWithParam<SoundCase> { };

TEST_P(ChartSoundTest, StrikesEveryNoteAtItsTimeAndNothingElse)
{
    const SoundCase& row = GetParam();
    const Heard heard = hear(row.chart, row.choice);
    ASSERT_EQ(heard.reported.size(), row.expected.size());
    for (std::size_t i = 0; i < row.expected.size(); ++i) {
        SCOPED_TRACE("stroke " + std::to_string(i));
        const auto expected = static_cast<std::int64_t>(row.expected[i].seconds * kSampleRate);
        EXPECT_NEAR(heard.reported[i].first, expected, kTolerance);
        EXPECT_EQ(heard.reported[i].second, row.expected[i].voice);
    }
    if (!row.sparse)
        return;
    const auto onsets = envelopeOnsets(heard.samples);
    ASSERT_EQ(onsets.size(), row.expected.size());
    for (std::size_t i = 0; i < onsets.size(); ++i)
        EXPECT_NEAR(onsets[i], row.expected[i].seconds * kSampleRate, kTolerance) << i;
}

INSTANTIATE_TEST_SUITE_P(Charts, ChartSoundTest, testing::ValuesIn(soundCases()),
                         [](const auto& row) { return std::string(row.param.name); });

// A voice's pitch, roughly: zero crossings over its first 30 ms, per second.
double crossingsPerSecond(std::span<const float> samples)
{
    const std::size_t span = std::min<std::size_t>(samples.size(), kSampleRate * 3 / 100);
    int crossings = 0;
    for (std::size_t n = 1; n < span; ++n)
        crossings += (samples[n - 1] < 0) != (samples[n] < 0) ? 1 : 0;
    return crossings / 2.0 * kSampleRate / static_cast<double>(span);
}

double energy(std::span<const float> samples)
{
    double sum = 0;
    for (const float sample : samples)
        sum += static_cast<double>(sample) * sample;
    return sum;
}

TEST(DrumVoices, AreLowDrumsRimsAndClicksApartAndTheBigOnesFuller)
{
    const DrumVoices voices;
    const auto pitch = [&](Voice voice) { return crossingsPerSecond(voices.samples(voice)); };
    const auto power = [&](Voice voice) { return energy(voices.samples(voice)); };
    EXPECT_LT(pitch(Voice::Don), 300);
    EXPECT_LT(pitch(Voice::BigDon), 300);
    EXPECT_GT(pitch(Voice::Ka), 1000);
    EXPECT_GT(pitch(Voice::BigKa), 1000);
    EXPECT_NEAR(pitch(Voice::Click), 1000, 100);
    EXPECT_NEAR(pitch(Voice::AccentClick), 1500, 100);
    EXPECT_GT(power(Voice::BigDon), 2 * power(Voice::Don));
    EXPECT_GT(power(Voice::BigKa), 2 * power(Voice::Ka));
    // The same voices every time.
    const DrumVoices again;
    EXPECT_TRUE(std::ranges::equal(voices.samples(Voice::Ka), again.samples(Voice::Ka)));
}

} // namespace
} // namespace beatplate
