// Times every stage of a run on generated charts of growing size and prints the figures.
//   beatplate_bench [--repeat N] [--keep DIR] [--tallest] [SPRITE_SHEET] [MEASURES...]
// Each run is a process of its own, so that its peak memory is its own; with --repeat every
// size runs N times and the summary shows the median of each figure. Every size is run three
// ways: the whole canvas drawn, then encoded by libpng on one thread (the reference) or by the
// banded encoder, and the program's own way, bands drawn as they are encoded; with the ratios.
// --keep writes each size's pictures and chart into DIR (bench-MEASURES.png drawn in bands,
// bench-MEASURES-libpng.png and .txt) for comparing encoders. --tallest also draws the tallest
// picture accepted, from a generated chart just short of it, in bands.
#include "chart/chart_reading.h"
#include "chart/chart_text_reader.h"
#include "chart_generator.h"
#include "child_run.h"
#include "load/header_font.h"
#include "load/sprite_sheet.h"
#include "output/banded_png_encoder.h"
#include "output/libpng_reference.h"
#include "output/png_writer.h"
#include "render/background_pass.h"
#include "render/band_index.h"
#include "render/events_pass.h"
#include "render/header_text_pass.h"
#include "render/measures_pass.h"
#include "render/notes_pass.h"
#include "render/score_renderer.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <unistd.h>
#include <utility>
#include <variant>
#include <vector>

namespace beatplate {
namespace {

using Clock = std::chrono::steady_clock;

// One run's figures, passed from the measuring process to the parent through a pipe.
struct RunFigures {
    double font = 0;
    double parse = 0;
    double layout = 0;
    double canvas = 0;
    double background = 0;
    double measures = 0;
    double events = 0;
    double notes = 0;
    double header = 0;
    double png = 0;
    double pngProcessor = 0; // processor time of every thread while encoding
    double memsetCold = 0; // a fresh buffer: page faults included
    double memsetWarm = 0; // the same buffer again
    int width = 0;
    int height = 0;
    double canvasMegabytes = 0;
    double pngMegabytes = 0;
    double peakMegabytes = 0;
    std::size_t chartBytes = 0;

    [[nodiscard]] double drawing() const { return background + measures + events + notes; }
    [[nodiscard]] double total() const
    {
        return font + parse + layout + canvas + drawing() + header + png;
    }
};

struct Options {
    std::filesystem::path sheet = "pic.png";
    std::vector<int> sizes;
    int repeat = 1;
    std::optional<std::filesystem::path> keepDirectory;
    bool tallest = false;
};

// How a run makes its picture.
enum class Path {
    WholeLibpng, // the whole canvas drawn, then encoded by libpng on one thread
    WholeBanded, // the whole canvas drawn, then encoded by the banded encoder
    Bands, // bands drawn as the banded encoder asks for them: what the program does
};

const char* nameOf(Path path)
{
    switch (path) {
    case Path::WholeLibpng:
        return "whole canvas, libpng";
    case Path::WholeBanded:
        return "whole canvas, banded encoder";
    case Path::Bands:
        return "drawn in bands";
    }
    return "";
}

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

// A failed write ends the benchmark: its figures would mean nothing.
void exitOnFailure(const std::optional<OutputError>& error)
{
    if (!error)
        return;
    std::fprintf(stderr, "the picture could not be written (error %d)\n", error->errorNumber);
    std::exit(1);
}

TemporaryFile openOutput(const std::filesystem::path& path)
{
    auto file = openOutputFile(path);
    if (auto* error = std::get_if<OutputError>(&file))
        exitOnFailure(*error);
    return std::move(std::get<TemporaryFile>(file));
}

double processorMilliseconds()
{
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_nsec) / 1e6;
}

// The physical floor of drawing: writing every canvas byte once, into memory just mapped (cold)
// and into the same memory again (warm, as the canvas is after it was cleared).
void measureMemset(std::size_t bytes, RunFigures& figures)
{
    // Left uninitialised on purpose, so that the first memset is the first touch of its pages.
    const auto buffer = std::make_unique_for_overwrite<std::uint8_t[]>(bytes);
    figures.memsetCold = timed([&] { std::memset(buffer.get(), 0x5A, bytes); });
    figures.memsetWarm = timed([&] { std::memset(buffer.get(), 0xA5, bytes); });
    // The compiler must not drop the stores.
    if (buffer[bytes / 2] != 0xA5)
        std::abort();
}

// Finds the face and parses the chart, timing both; text is the chart text the reader kept.
// The bytes go to the reader, as a file's would, so that they are not held after the parse.
void readChart(std::string chart, RunFigures& figures, std::optional<HeaderFont>& font,
               std::optional<ChartReading>& parsed, std::u16string& text)
{
    figures.chartBytes = chart.size();
    figures.font = timed([&] { font = HeaderFont::find(); });
    figures.parse = timed([&] {
        parsed.emplace(beatplate::readChart(std::move(chart), { ChartScope::FirstError, {} }));
        text = std::move(parsed->text);
    });
}

// The program's own path: the score laid out and indexed ("layout"), then every band drawn and
// compressed as the encoder takes it ("png", drawing included).
RunFigures benchmarkBands(const Options& options, int measureCount)
{
    std::string chart = generateChart(measureCount);
    const auto output = options.keepDirectory
        ? *options.keepDirectory / ("bench-" + std::to_string(measureCount) + ".png")
        : std::filesystem::temp_directory_path()
            / ("beatplate-bench-" + std::to_string(getpid()) + ".png");
    RunFigures figures;
    std::optional<HeaderFont> font;
    std::optional<ChartReading> parsed;
    std::u16string text;
    readChart(std::move(chart), figures, font, parsed, text);
    std::optional<Canvas> sheet;
    figures.canvas = timed([&] { sheet = loadSpriteSheet(options.sheet); });
    if (!sheet) {
        std::fprintf(stderr, "the sprite sheet %s does not load\n", options.sheet.c_str());
        std::exit(1);
    }
    // As the program does: the text goes into its chunk and is let go before drawing.
    SourceChunk chunk = makeSourceChunk(std::exchange(text, {}));
    std::optional<BandedScore> score;
    figures.layout = timed([&] {
        score.emplace(
            ScoreRenderer(*sheet, font ? &*font : nullptr).bands(parsed->document, kPngBandRows));
    });
    const double processorBefore = processorMilliseconds();
    figures.png = timed([&] {
        TemporaryFile file = openOutput(output);
        PngSink sink(file);
        exitOnFailure(writeChartPng(bandsOf(*score), std::move(chunk), sink));
    });
    figures.pngProcessor = processorMilliseconds() - processorBefore;
    figures.pngMegabytes = static_cast<double>(std::filesystem::file_size(output)) / 1e6;
    if (!options.keepDirectory)
        std::filesystem::remove(output);
    figures.peakMegabytes = peakResidentMegabytes();
    figures.width = score->width();
    figures.height = score->height();
    figures.canvasMegabytes = 4.0 * figures.width * figures.height / 1e6;
    return figures;
}

RunFigures benchmarkOnce(const Options& options, int measureCount, Path path)
{
    if (path == Path::Bands)
        return benchmarkBands(options, measureCount);
    const bool libpng = path == Path::WholeLibpng;
    const std::string chart = generateChart(measureCount);
    const auto stem = "bench-" + std::to_string(measureCount) + (libpng ? "-libpng" : "-whole");
    const auto output = options.keepDirectory ? *options.keepDirectory / (stem + ".png")
                                              : std::filesystem::temp_directory_path()
            / ("beatplate-bench-" + std::to_string(getpid()) + ".png");
    if (options.keepDirectory)
        std::ofstream(*options.keepDirectory / (stem + ".txt"), std::ios::binary) << chart;

    RunFigures figures;
    std::optional<HeaderFont> font;
    std::optional<ChartReading> parsed;
    std::u16string text;
    readChart(chart, figures, font, parsed, text);
    const ChartDocument* document = &parsed->document;
    std::optional<ScoreLayout> layout;
    figures.layout = timed([&] { layout.emplace(*document); });
    std::optional<Canvas> sheet;
    Canvas canvas;
    figures.canvas = timed([&] {
        canvas = blankCanvas(*layout);
        sheet = loadSpriteSheet(options.sheet);
    });
    if (!sheet) {
        std::fprintf(stderr, "the sprite sheet %s does not load\n", options.sheet.c_str());
        std::exit(1);
    }
    const DrawTarget target{ canvas, 0 };
    figures.background = timed([&] { drawBackground(*layout, *sheet, target); });
    figures.measures = timed(
        [&] { drawMeasures(*layout, WholeBand(*layout, *document).contents(), *sheet, target); });
    figures.events = timed(
        [&] { drawEvents(*layout, WholeBand(*layout, *document).contents(), *sheet, target); });
    figures.notes = timed(
        [&] { drawNotes(*layout, WholeBand(*layout, *document).contents(), *sheet, target); });
    figures.header = timed([&] {
        if (font)
            drawHeaderText(*document, *font, target);
    });
    const double processorBefore = processorMilliseconds();
    figures.png = timed([&] {
        SourceChunk chunk = makeSourceChunk(text);
        TemporaryFile file = openOutput(output);
        PngSink sink(file);
        if (!libpng) {
            exitOnFailure(writeChartPng(bandsOf(canvas), std::move(chunk), sink));
            return;
        }
        const auto png = encodeWithLibpng(canvas, chunk.data);
        exitOnFailure(sink.start());
        if (!sink.write(png))
            exitOnFailure(sink.failure(sink.error(), OutputErrorKind::WriteFailed));
        exitOnFailure(sink.finish());
    });
    figures.pngProcessor = processorMilliseconds() - processorBefore;
    figures.pngMegabytes = static_cast<double>(std::filesystem::file_size(output)) / 1e6;
    if (!options.keepDirectory)
        std::filesystem::remove(output);
    // Read before the memset buffer exists: the peak is the run's own.
    figures.peakMegabytes = peakResidentMegabytes();
    figures.width = canvas.width();
    figures.height = canvas.height();
    figures.canvasMegabytes = static_cast<double>(canvas.byteSize()) / 1e6;
    const std::size_t canvasBytes = canvas.byteSize();
    canvas = Canvas();
    measureMemset(canvasBytes, figures);
    return figures;
}

void printRun(int measureCount, const RunFigures& f)
{
    std::printf("%6d measures: font %.1f, parse %.2f, layout %.2f, canvas %.2f, drawing %.2f"
                " (background %.2f, measures %.2f, events %.2f, notes %.2f), header %.2f,"
                " png %.1f; total %.1f ms\n",
                measureCount, f.font, f.parse, f.layout, f.canvas, f.drawing(), f.background,
                f.measures, f.events, f.notes, f.header, f.png, f.total());
    std::fflush(stdout);
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const std::size_t middle = values.size() / 2;
    return values.size() % 2 == 1 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

// The figure of every run, picked out by field.
template <typename Field>
double medianOf(const std::vector<RunFigures>& runs, Field field)
{
    std::vector<double> values;
    for (const RunFigures& run : runs)
        values.push_back(field(run));
    return median(values);
}

void printSummary(int measureCount, Path path, const std::vector<RunFigures>& runs)
{
    const RunFigures& f = runs.front(); // sizes do not change between runs
    const auto m = [&](auto field) { return medianOf(runs, field); };
    std::printf("%s:\n", nameOf(path));
    const double total = m([](const RunFigures& r) { return r.total(); });
    const double drawing = m([](const RunFigures& r) { return r.drawing(); });
    const double warm = m([](const RunFigures& r) { return r.memsetWarm; });
    const double cold = m([](const RunFigures& r) { return r.memsetCold; });
    const double parseLayout = m([](const RunFigures& r) { return r.parse + r.layout; });
    const double peak = m([](const RunFigures& r) { return r.peakMegabytes; });
    std::printf("%6d measures (median of %zu): chart %.1f kB, canvas %d x %d = %.1f MB,"
                " PNG %.2f MB\n",
                measureCount, runs.size(), static_cast<double>(f.chartBytes) / 1e3, f.width,
                f.height, f.canvasMegabytes, f.pngMegabytes);
    std::printf("    font %.1f, parse %.2f, layout %.2f, canvas %.1f, drawing %.1f, header %.2f,"
                " png %.1f; total %.1f ms\n",
                m([](const RunFigures& r) { return r.font; }),
                m([](const RunFigures& r) { return r.parse; }),
                m([](const RunFigures& r) { return r.layout; }),
                m([](const RunFigures& r) { return r.canvas; }), drawing,
                m([](const RunFigures& r) { return r.header; }),
                m([](const RunFigures& r) { return r.png; }), total);
    if (path == Path::Bands) {
        std::printf("    (layout: laid out and indexed; png: every band drawn and encoded)\n");
        std::printf("    peak RSS %.1f MB  [target <= 40 MB: %s]\n", peak,
                    peak <= 40 ? "met" : "MISSED");
    } else {
        std::printf("    drawing / memset: %.2f x warm (%.2f ms), %.2f x cold (%.2f ms)\n",
                    drawing / warm, warm, drawing / cold, cold);
        std::printf("    peak RSS %.1f MB\n", peak);
    }
    std::printf("    parse + layout: %.2f %% of the run\n", 100.0 * parseLayout / total);
    std::printf("    total-ms %.3f\n", total);
    std::fflush(stdout);
}

// The figures of one path beside those of another, each the median of its runs.
void printComparison(int measureCount, Path from, const std::vector<RunFigures>& before,
                     const std::vector<RunFigures>& after)
{
    struct Figure {
        const char* name;
        double (*of)(const RunFigures&);
    };
    const Figure figures[] = {
        { "total ms", [](const RunFigures& r) { return r.total(); } },
        { "processor ms while encoding", [](const RunFigures& r) { return r.pngProcessor; } },
        { "peak MB", [](const RunFigures& r) { return r.peakMegabytes; } },
        { "PNG MB", [](const RunFigures& r) { return r.pngMegabytes; } },
    };
    std::printf("%6d measures, %s -> drawn in bands (%u threads):", measureCount, nameOf(from),
                BandedPngEncoder(before.front().width, before.front().height).threads());
    for (const Figure& figure : figures) {
        const double a = medianOf(before, figure.of);
        const double b = medianOf(after, figure.of);
        std::printf("%s %s %.2f -> %.2f (x %.4f)", &figure == figures ? "" : ",", figure.name, a, b,
                    b / a);
    }
    std::printf("\n");
    if (from == Path::WholeLibpng && (measureCount == 1000 || measureCount == 10000)) {
        const double ratio = medianOf(after, figures[0].of) / medianOf(before, figures[0].of);
        const double target = measureCount == 1000 ? 0.55 : 0.5;
        std::printf("    total x %.3f  [target <= %.2f: %s]\n", ratio, target,
                    ratio <= target ? "met" : "MISSED");
    }
    std::fflush(stdout);
}

// The most measures of a generated chart whose picture is still accepted: the tallest picture
// the program draws. Its figures go back in height.
RunFigures tallestChart()
{
    const auto fits = [](int measures) {
        const ChartReading chart =
            beatplate::readChart(generateChart(measures), { ChartScope::FirstError, {} });
        return ScoreLayout(chart.document).fitsPicture();
    };
    int low = 1000; // fits
    int high = 100'000; // the most measures a chart may have; does not fit
    while (high - low > 1) {
        const int middle = low + (high - low) / 2;
        (fits(middle) ? low : high) = middle;
    }
    RunFigures figures;
    figures.height = low;
    return figures;
}

Options parseOptions(int argc, char** argv)
{
    Options options;
    bool sheetGiven = false;
    for (int i = 1; i < argc; ++i) {
        const std::string_view argument = argv[i];
        if (argument == "--repeat" && i + 1 < argc) {
            options.repeat = std::max(1, std::atoi(argv[++i]));
        } else if (argument == "--tallest") {
            options.tallest = true;
        } else if (argument == "--keep" && i + 1 < argc) {
            options.keepDirectory = argv[++i];
            std::filesystem::create_directories(*options.keepDirectory);
        } else if (!sheetGiven && std::atoi(argv[i]) <= 0) {
            options.sheet = argv[i];
            sheetGiven = true;
        } else {
            options.sizes.push_back(std::atoi(argv[i]));
        }
    }
    if (options.sizes.empty())
        options.sizes = { 100, 1000, 10000 };
    return options;
}

} // namespace
} // namespace beatplate

int main(int argc, char** argv)
{
    using namespace beatplate;
    const Options options = parseOptions(argc, argv);
    std::printf("sprite sheet: %s; %d run(s) per size\n", options.sheet.c_str(), options.repeat);
    std::vector<std::pair<int, double>> totals;
    constexpr Path kPaths[] = { Path::WholeLibpng, Path::WholeBanded, Path::Bands };
    for (const int size : options.sizes) {
        std::vector<RunFigures> runs[3];
        // The paths take turns, so that a change in the machine's load falls on all of them.
        for (int run = 0; run < options.repeat; ++run) {
            for (const Path path : kPaths) {
                const auto figures = runInChild([&] { return benchmarkOnce(options, size, path); });
                if (!figures) {
                    std::printf("%6d measures: the run failed\n", size);
                    return 1;
                }
                std::printf("%s: ", nameOf(path));
                printRun(size, *figures);
                runs[static_cast<int>(path)].push_back(*figures);
            }
        }
        for (const Path path : kPaths)
            printSummary(size, path, runs[static_cast<int>(path)]);
        const auto& bands = runs[static_cast<int>(Path::Bands)];
        printComparison(size, Path::WholeLibpng, runs[static_cast<int>(Path::WholeLibpng)], bands);
        printComparison(size, Path::WholeBanded, runs[static_cast<int>(Path::WholeBanded)], bands);
        totals.emplace_back(size, medianOf(bands, [](const RunFigures& r) { return r.total(); }));
    }
    if (options.tallest) {
        const auto tallest = runInChild(tallestChart);
        const auto figures = tallest
            ? runInChild([&] { return benchmarkBands(options, tallest->height); })
            : std::nullopt;
        if (!figures) {
            std::printf("tallest picture: the run failed\n");
            return 1;
        }
        std::printf("tallest picture: %d measures, %d x %d (%.0f MB of pixels), drawn in bands:"
                    " parse %.0f ms, layout %.0f ms, png %.0f ms, total %.0f ms, PNG %.2f MB,"
                    " peak RSS %.1f MB  [target <= 40 MB: %s]\n",
                    tallest->height, figures->width, figures->height, figures->canvasMegabytes,
                    figures->parse, figures->layout, figures->png, figures->total(),
                    figures->pngMegabytes, figures->peakMegabytes,
                    figures->peakMegabytes <= 40 ? "met" : "MISSED");
    }
    for (std::size_t i = 1; i < totals.size(); ++i) {
        const double sizeRatio =
            static_cast<double>(totals[i].first) / static_cast<double>(totals[i - 1].first);
        const double growth = totals[i].second / totals[i - 1].second;
        std::printf("growth %d -> %d measures (drawn in bands): total x %.2f for x %.0f the"
                    " measures%s\n",
                    totals[i - 1].first, totals[i].first, growth, sizeRatio,
                    sizeRatio == 10 ? (growth <= 10.5 ? "  [target <= 10.5: met]"
                                                      : "  [target <= 10.5: MISSED]")
                                    : "");
    }
    return 0;
}
