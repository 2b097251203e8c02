// Encodes real pictures with each choice of filters, zlib level and strategy and prints the
// time and size of each, to choose the writer's defaults by measurement.
//   png_choices SPRITE_SHEET [MEASURES] [--write DIR]
// The pictures are the generated chart of MEASURES measures (default 1000) and, when given with
// --chart, chart files. --write DIR saves each picture as encoded with libpng's defaults, for
// comparing against other encoders.
#include "base/text_codec.h"
#include "chart/chart_reading.h"
#include "chart/chart_text_reader.h"
#include "chart_generator.h"
#include "load/header_font.h"
#include "load/sprite_sheet.h"
#include "output/libpng_reference.h"
#include "output/png_writer.h"
#include "render/score_renderer.h"

#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <optional>
#include <string>
#include <string_view>
#include <vector>
#include <zlib.h>

namespace beatplate {
namespace {

using Clock = std::chrono::steady_clock;

struct Picture {
    std::string name;
    Canvas canvas;
    std::u16string text; // the chart text, as the reader kept it
};

// A choice of libpng's, or none for the program's own encoder with its defaults.
struct Choice {
    std::string name;
    std::optional<PngWriteOptions> libpngOptions;
    int filters = PNG_FILTER_NONE;
};

Picture renderChart(const std::string& name, const std::string& chartBytes,
                    const std::filesystem::path& sheet, const HeaderFont* font)
{
    ChartReading chart = readChart(chartBytes, { ChartScope::FirstError, std::nullopt });
    const auto loaded = loadSpriteSheet(sheet);
    return { name, ScoreRenderer(loaded ? *loaded : Canvas(), font).render(chart.document),
             std::move(chart.text) };
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream file(path, std::ios::binary);
    return { std::istreambuf_iterator<char>(file), std::istreambuf_iterator<char>() };
}

// What libpng does untold: zlib's default level, every filter, and the strategy it takes then.
const PngWriteOptions kLibpngDefaults{ .compressionLevel = Z_DEFAULT_COMPRESSION,
                                       .strategy = Z_FILTERED };

std::vector<Choice> choices()
{
    std::vector<Choice> list;
    list.push_back({ "libpng defaults", kLibpngDefaults, PNG_ALL_FILTERS });
    list.push_back({ "the writer's defaults", std::nullopt });
    const std::pair<const char*, int> filters[] = {
        { "NONE", PNG_FILTER_NONE },   { "SUB", PNG_FILTER_SUB },  { "UP", PNG_FILTER_UP },
        { "PAETH", PNG_FILTER_PAETH }, { "ALL", PNG_ALL_FILTERS },
    };
    const std::pair<const char*, int> strategies[] = {
        { "default", Z_DEFAULT_STRATEGY },
        { "filtered", Z_FILTERED },
        { "rle", Z_RLE },
    };
    for (const auto& [filterName, filter] : filters) {
        for (const auto& [strategyName, strategy] : strategies) {
            for (const int level : { 1, 3, 6, 7, 8, 9 }) {
                // Run-length matching ignores the level beyond choosing the block type.
                if (strategy == Z_RLE && level != 1 && level != 9)
                    continue;
                list.push_back({ std::string(filterName) + " " + strategyName + " level "
                                     + std::to_string(level),
                                 PngWriteOptions{ .compressionLevel = level, .strategy = strategy },
                                 filter });
            }
        }
    }
    return list;
}

std::vector<std::uint8_t> encode(const Picture& picture, const Choice& choice)
{
    if (choice.libpngOptions)
        return encodeWithLibpng(picture.canvas, encodeChartChunk(picture.text),
                                *choice.libpngOptions, choice.filters);
    std::vector<std::uint8_t> png;
    PngSink sink(png);
    if (writeChartPng(bandsOf(picture.canvas), makeSourceChunk(picture.text), sink))
        std::exit(1);
    return png;
}

double bestMilliseconds(const Picture& picture, const Choice& choice, int runs, std::size_t& bytes)
{
    double best = 1e300;
    for (int run = 0; run < runs; ++run) {
        const auto start = Clock::now();
        const auto png = encode(picture, choice);
        best =
            std::min(best, std::chrono::duration<double, std::milli>(Clock::now() - start).count());
        bytes = png.size();
    }
    return best;
}

} // namespace
} // namespace beatplate

int main(int argc, char** argv)
{
    using namespace beatplate;
    if (argc < 2) {
        std::fprintf(
            stderr, "usage: png_choices SPRITE_SHEET [MEASURES] [--chart FILE]... [--write DIR]\n");
        return 2;
    }
    const std::filesystem::path sheet = argv[1];
    int measures = 1000;
    std::vector<std::filesystem::path> charts;
    std::optional<std::filesystem::path> writeDirectory;
    for (int i = 2; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--chart" && i + 1 < argc)
            charts.emplace_back(argv[++i]);
        else if (argument == "--write" && i + 1 < argc)
            writeDirectory = argv[++i];
        else
            measures = std::atoi(argv[i]);
    }
    const auto font = HeaderFont::find();
    std::vector<Picture> pictures;
    pictures.push_back(renderChart("generated-" + std::to_string(measures), generateChart(measures),
                                   sheet, font ? &*font : nullptr));
    for (const auto& chart : charts)
        pictures.push_back(
            renderChart(chart.stem().string(), readFile(chart), sheet, font ? &*font : nullptr));

    for (const Picture& picture : pictures) {
        std::printf("%s: %d x %d, %.1f MB of pixels\n", picture.name.c_str(),
                    picture.canvas.width(), picture.canvas.height(),
                    static_cast<double>(picture.canvas.byteSize()) / 1e6);
        if (writeDirectory) {
            std::filesystem::create_directories(*writeDirectory);
            const auto png = encode(picture, choices().front());
            std::ofstream(*writeDirectory / (picture.name + ".png"), std::ios::binary)
                .write(reinterpret_cast<const char*>(png.data()),
                       static_cast<std::streamsize>(png.size()));
        }
        if (writeDirectory) {
            const auto ours = encode(picture, { "ours", std::nullopt });
            std::ofstream(*writeDirectory / (picture.name + "-ours.png"), std::ios::binary)
                .write(reinterpret_cast<const char*>(ours.data()),
                       static_cast<std::streamsize>(ours.size()));
        }
        double baseMs = 0;
        std::size_t baseBytes = 0;
        for (const Choice& choice : choices()) {
            std::size_t bytes = 0;
            const double ms = bestMilliseconds(picture, choice, 3, bytes);
            if (baseBytes == 0) {
                baseMs = ms;
                baseBytes = bytes;
            }
            std::printf("  %-28s %10zu bytes (%6.1f %%) %9.1f ms (%5.2f x)\n", choice.name.c_str(),
                        bytes, 100.0 * static_cast<double>(bytes) / static_cast<double>(baseBytes),
                        ms, ms / baseMs);
            std::fflush(stdout);
        }
    }
    return 0;
}
