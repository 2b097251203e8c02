// Writes the sound of generated charts as WAV files, each in a process of its own, and prints the
// time, the sound's length and size, and the peak memory beside that of reading the chart alone:
// the difference is what the sound takes, the same for a long chart as for a short one.
//   sound_bench DIRECTORY [MEASURES...]   (default 100 1000 10000; the files are removed)
#include "chart/chart_reading.h"
#include "chart_generator.h"
#include "child_run.h"
#include "output/wav_writer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

namespace beatplate {
namespace {

struct SoundFigures {
    double milliseconds = 0;
    double peakMegabytes = 0;
    double soundSeconds = 0;
    double fileMegabytes = 0;
};

ChartDocument readGenerated(int measures)
{
    return readChart(generateChart(measures), { ChartScope::FirstError, std::nullopt }).document;
}

SoundFigures readOnly(int measures)
{
    const ChartDocument document = readGenerated(measures);
    return { 0, peakResidentMegabytes(), static_cast<double>(document.measures.size()), 0 };
}

SoundFigures writeSound(int measures, const std::filesystem::path& directory)
{
    const ChartDocument document = readGenerated(measures);
    const auto path = directory / ("sound-" + std::to_string(measures) + ".wav");
    const auto start = std::chrono::steady_clock::now();
    ChartSound sound(document, { true, true, 1 });
    auto file = openOutputFile(path);
    if (!std::holds_alternative<TemporaryFile>(file)
        || writeChartWav(sound, std::get<TemporaryFile>(file))) {
        std::fprintf(stderr, "the sound %s could not be written\n", path.string().c_str());
        std::exit(1);
    }
    const std::chrono::duration<double, std::milli> elapsed =
        std::chrono::steady_clock::now() - start;
    const auto bytes = std::filesystem::file_size(path);
    std::filesystem::remove(path);
    return { elapsed.count(), peakResidentMegabytes(),
             static_cast<double>(sound.samples()) / kSampleRate,
             static_cast<double>(bytes) / (1024.0 * 1024.0) };
}

} // namespace
} // namespace beatplate

int main(int argc, char** argv)
{
    using namespace beatplate;
    if (argc < 2) {
        std::fprintf(stderr, "usage: sound_bench DIRECTORY [MEASURES...]\n");
        return 2;
    }
    const std::filesystem::path directory = argv[1];
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = { 100, 1000, 10000 };
    std::printf("%9s %11s %10s %10s %12s %12s %10s\n", "measures", "sound s", "WAV MB", "time ms",
                "peak MB", "reading MB", "sound MB");
    for (const int measures : sizes) {
        const auto reading = runInChild([measures] { return readOnly(measures); });
        const auto written =
            runInChild([measures, &directory] { return writeSound(measures, directory); });
        if (!reading || !written) {
            std::fprintf(stderr, "the run of %d measures failed\n", measures);
            return 1;
        }
        std::printf("%9d %11.1f %10.1f %10.0f %12.1f %12.1f %10.1f\n", measures,
                    written->soundSeconds, written->fileMegabytes, written->milliseconds,
                    written->peakMegabytes, reading->peakMegabytes,
                    written->peakMegabytes - reading->peakMegabytes);
    }
    return 0;
}
