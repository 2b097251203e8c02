// Times every stage of a run on generated charts of growing size and prints the figures.
//   beatplate_bench [SPRITE_SHEET] [MEASURES...]
#include "chart/chart_parser.h"
#include "chart/chart_text_reader.h"
#include "chart_generator.h"
#include "output/png_writer.h"
#include "render/score_renderer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <string>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace beatplate {
namespace {

using Clock = std::chrono::steady_clock;

double millisecondsSince(Clock::time_point start)
{
    return std::chrono::duration<double, std::milli>(Clock::now() - start).count();
}

// Runs stage and returns its time in milliseconds.
template <typename Stage>
double timed(Stage&& stage)
{
    const auto start = Clock::now();
    stage();
    return millisecondsSince(start);
}

long peakResidentKilobytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

// One measured run, in a process of its own so that its peak memory is its own.
int benchmarkOnce(const std::filesystem::path& sheet, int measureCount)
{
    const std::string chart = generateChart(measureCount);
    const auto output = std::filesystem::temp_directory_path()
        / ("beatplate-bench-" + std::to_string(getpid()) + ".png");

    ChartParser parser;
    std::unique_ptr<ChartDocument> document;
    const double parse = timed([&] {
        auto reader = ChartTextReader::fromBytes(chart);
        document = parser.parse(reader);
    });
    ScoreRenderer renderer(sheet);
    const double layout = timed([&] {
        renderer.breakRows(*document);
        renderer.placeMeasures(*document);
    });
    const double canvas = timed([&] {
        renderer.createCanvas();
        renderer.attachGraphics();
        renderer.buildAtlas();
    });
    const double drawing = timed([&] {
        renderer.drawBackground();
        renderer.drawMeasures(*document);
        renderer.drawEvents(*document);
        renderer.drawNotes(*document);
    });
    const double header = timed([&] { renderer.drawHeaderText(*document); });
    const double png = timed([&] { writeChartPng(output, renderer.canvas(), parser.sourceText); });
    const auto pngBytes = std::filesystem::file_size(output);
    std::filesystem::remove(output);

    // The physical floor of drawing: writing every canvas byte once.
    std::vector<std::uint8_t> scratch(renderer.canvas().byteSize());
    const double memsetTime = timed([&] { std::memset(scratch.data(), 0x5A, scratch.size()); });
    const double memsetAgain = timed([&] { std::memset(scratch.data(), 0xA5, scratch.size()); });
    const double floor = std::min(memsetTime, memsetAgain);
    scratch = {};

    const double total = parse + layout + canvas + drawing + header + png;
    const double canvasMegabytes = static_cast<double>(renderer.canvas().byteSize()) / 1e6;
    const double peakMegabytes = static_cast<double>(peakResidentKilobytes()) / 1e3;
    std::printf("%8d measures: canvas %d x %d (%.1f MB), PNG %.2f MB\n", measureCount,
                renderer.width(), renderer.height(), canvasMegabytes,
                static_cast<double>(pngBytes) / 1e6);
    std::printf(
        "    parse %.2f ms, layout %.2f ms, canvas %.2f ms, drawing %.2f ms, header %.2f ms,"
        " png %.2f ms; total %.2f ms\n",
        parse, layout, canvas, drawing, header, png, total);
    std::printf("    drawing / memset %.2f (memset %.2f ms); parse+layout %.2f %% of the run;"
                " peak RSS %.1f MB = %.2f x canvas + %.1f MB\n",
                drawing / floor, floor, 100.0 * (parse + layout) / total, peakMegabytes,
                peakMegabytes / canvasMegabytes, peakMegabytes - 1.2 * canvasMegabytes);
    std::printf("    total-ms %.3f\n", total);
    return 0;
}

} // namespace
} // namespace beatplate

int main(int argc, char** argv)
{
    const std::filesystem::path sheet = argc > 1 ? argv[1] : "pic.png";
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = { 100, 1000, 10000 };
    std::printf("sprite sheet: %s\n", sheet.c_str());
    for (const int size : sizes) {
        std::fflush(stdout);
        const pid_t child = fork();
        if (child == 0)
            std::_Exit(beatplate::benchmarkOnce(sheet, size));
        int status = 0;
        waitpid(child, &status, 0);
        if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
            std::printf("%8d measures: the run failed\n", size);
            return 1;
        }
    }
    return 0;
}
