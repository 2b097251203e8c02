// Draws generated charts in one column and in auto columns, each in a process of its own, and
// prints the time per pixel and the peak memory of each, with their ratios.
//   columns_bench SPRITE_SHEET [MEASURES...]   (default 1000 10000)
#include "chart/chart_reading.h"
#include "chart_generator.h"
#include "child_run.h"
#include "load/header_font.h"
#include "load/sprite_sheet.h"
#include "pipeline/chart_pipeline.h"
#include "pipeline/picture_tools.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <optional>
#include <string>
#include <unistd.h>
#include <variant>
#include <vector>

namespace beatplate {
namespace {

struct RunFigures {
    double milliseconds = 0;
    double peakMegabytes = 0;
    int width = 0;
    int height = 0;
    std::size_t parts = 0;

    [[nodiscard]] double nanosecondsPerPixel() const
    {
        return milliseconds * 1e6 / (static_cast<double>(width) * height);
    }
};

struct BenchTools {
    explicit BenchTools(const std::filesystem::path& sheetFile)
        : sheet(loadSpriteSheet(sheetFile))
        , font(HeaderFont::find())
    {
    }
    [[nodiscard]] PictureTools tools() const
    {
        return { sheet ? &*sheet : nullptr, font ? &*font : nullptr };
    }

    std::optional<Canvas> sheet;
    std::optional<HeaderFont> font;
};

// Reads the picture's size from its header: the 4-byte width and height after the signature.
void readSize(const std::filesystem::path& path, RunFigures& figures)
{
    unsigned char header[24] = {};
    std::FILE* file = std::fopen(path.c_str(), "rb");
    if (file == nullptr || std::fread(header, 1, sizeof header, file) != sizeof header)
        std::exit(1);
    std::fclose(file);
    const auto word = [&header](std::size_t at) {
        return static_cast<int>(header[at] << 24 | header[at + 1] << 16 | header[at + 2] << 8
                                | header[at + 3]);
    };
    figures.width = word(16);
    figures.height = word(20);
}

// Parses, lays out, draws and encodes into memory, as the program does, timing it all.
RunFigures drawOnce(const std::filesystem::path& sheet, int measures, const PictureForm& form)
{
    BenchTools tools(sheet);
    std::string chart = generateChart(measures);
    RunFigures figures;
    const auto start = std::chrono::steady_clock::now();
    ChartReading reading = readChart(std::move(chart), { ChartScope::FirstError, std::nullopt });
    ChartPipeline pipeline(reading.document, std::move(reading.text));
    if (reading.hasErrors() || pipeline.layOutPicture(form))
        std::exit(1);
    // Into a file, as the program writes: a picture held in memory would be counted in the peak.
    const auto output = std::filesystem::temp_directory_path()
        / ("beatplate-columns-bench-" + std::to_string(getpid()) + ".png");
    {
        auto file = openOutputFile(output);
        if (!std::holds_alternative<TemporaryFile>(file))
            std::exit(1);
        PngSink sink(std::get<TemporaryFile>(file));
        if (pipeline.drawPicture(tools.tools(), sink))
            std::exit(1);
    }
    figures.milliseconds =
        std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    figures.peakMegabytes = peakResidentMegabytes();
    readSize(output, figures);
    std::filesystem::remove(output);
    figures.parts = pipeline.pictureParts();
    return figures;
}

void print(const char* name, const RunFigures& figures)
{
    std::printf("  %-12s %6d x %-6d %7.1f ms  %6.2f ns/pixel  peak RSS %5.1f MB\n", name,
                figures.width, figures.height, figures.milliseconds, figures.nanosecondsPerPixel(),
                figures.peakMegabytes);
}

} // namespace
} // namespace beatplate

int main(int argc, char** argv)
{
    using namespace beatplate;
    if (argc < 2) {
        std::fprintf(stderr, "usage: columns_bench SPRITE_SHEET [MEASURES...]\n");
        return 2;
    }
    const std::filesystem::path sheet = argv[1];
    std::vector<int> sizes;
    for (int i = 2; i < argc; ++i)
        sizes.push_back(std::atoi(argv[i]));
    if (sizes.empty())
        sizes = { 1000, 10000 };
    bool met = true;
    for (const int measures : sizes) {
        const auto one = runInChild([&] { return drawOnce(sheet, measures, {}); });
        const auto columns = runInChild([&] {
            return drawOnce(sheet, measures, { PictureForm::kAutoColumns, std::nullopt });
        });
        if (!one || !columns) {
            std::printf("%d measures: the run failed\n", measures);
            return 1;
        }
        std::printf("%d measures:\n", measures);
        print("one column", *one);
        print("auto columns", *columns);
        const double ratio = columns->nanosecondsPerPixel() / one->nanosecondsPerPixel();
        const bool within = ratio <= 1.1 && columns->peakMegabytes <= 40;
        met = met && within;
        std::printf("  auto / one: time per pixel x %.2f [target <= 1.1], peak %.1f MB"
                    " [target <= 40 MB]: %s\n",
                    ratio, columns->peakMegabytes, within ? "met" : "MISSED");
    }
    return met ? 0 : 1;
}
