// Times every stage of a run on generated charts of growing size and prints the figures.
//   beatplate_bench [--repeat N] [--keep DIR] [--tallest] [SPRITE_SHEET] [MEASURES...]
// Each run is a process of its own, so that its peak memory is its own; with --repeat every
// size runs N times and the summary shows the median of each figure. Every run is made with
// both encoders, libpng on one thread (the reference) and the banded one, with the ratios.
// --keep writes each size's pictures and chart into DIR (as bench-MEASURES.png from the banded
// encoder, bench-MEASURES-libpng.png and .txt) for comparing encoders. --tallest also encodes
// the tallest picture accepted, its rows drawn from a smaller score over and over.
#include "chart/chart_parser.h"
#include "chart/chart_text_reader.h"
#include "chart_generator.h"
#include "load/header_font.h"
#include "load/sprite_sheet.h"
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
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>
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

const char* nameOf(PngEncoder encoder)
{
    return encoder == PngEncoder::Libpng ? "libpng" : "banded";
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

double processorMilliseconds()
{
    timespec time{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &time);
    return static_cast<double>(time.tv_sec) * 1e3 + static_cast<double>(time.tv_nsec) / 1e6;
}

double peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
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

RunFigures benchmarkOnce(const Options& options, int measureCount, PngEncoder encoder)
{
    const std::string chart = generateChart(measureCount);
    const auto stem =
        "bench-" + std::to_string(measureCount) + (encoder == PngEncoder::Libpng ? "-libpng" : "");
    const auto output = options.keepDirectory ? *options.keepDirectory / (stem + ".png")
                                              : std::filesystem::temp_directory_path()
            / ("beatplate-bench-" + std::to_string(getpid()) + ".png");
    if (options.keepDirectory)
        std::ofstream(*options.keepDirectory / (stem + ".txt"), std::ios::binary) << chart;

    RunFigures figures;
    figures.chartBytes = chart.size();
    std::optional<HeaderFont> font;
    figures.font = timed([&] { font = HeaderFont::find(); });
    std::optional<ParsedChart> parsed;
    figures.parse = timed([&] {
        auto reader = ChartTextReader::fromBytes(chart);
        parsed.emplace(ChartParser().parse(reader));
    });
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
    figures.png =
        timed([&] { writeChartPng(output, canvas, parsed->sourceText, { .encoder = encoder }); });
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

void printSummary(int measureCount, PngEncoder encoder, const std::vector<RunFigures>& runs)
{
    const RunFigures& f = runs.front(); // sizes do not change between runs
    const auto m = [&](auto field) { return medianOf(runs, field); };
    std::printf("%s encoder:\n", nameOf(encoder));
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
    std::printf(
        "    drawing / memset: %.2f x warm (%.2f ms), %.2f x cold (%.2f ms)  [target <= 4]\n",
        drawing / warm, warm, drawing / cold, cold);
    std::printf("    parse + layout: %.2f %% of the run  [target <= 5 %%]\n",
                100.0 * parseLayout / total);
    std::printf("    peak RSS %.1f MB; limit 1.2 x canvas + 30 MB = %.1f MB  [%s]\n", peak,
                1.2 * f.canvasMegabytes + 30,
                peak <= 1.2 * f.canvasMegabytes + 30 ? "met" : "MISSED");
    std::printf("    total-ms %.3f\n", total);
    std::fflush(stdout);
}

// The banded encoder's figures beside libpng's, each the median of its runs.
void printComparison(int measureCount, const std::vector<RunFigures>& libpng,
                     const std::vector<RunFigures>& banded)
{
    struct Stage {
        const char* name;
        double (*figure)(const RunFigures&);
    };
    const Stage stages[] = {
        { "parse ms", [](const RunFigures& r) { return r.parse + r.layout; } },
        { "draw ms",
          [](const RunFigures& r) { return r.canvas + r.drawing() + r.header + r.font; } },
        { "encode ms", [](const RunFigures& r) { return r.png; } },
        { "encode processor ms", [](const RunFigures& r) { return r.pngProcessor; } },
        { "total ms", [](const RunFigures& r) { return r.total(); } },
        { "peak MB", [](const RunFigures& r) { return r.peakMegabytes; } },
        { "PNG MB", [](const RunFigures& r) { return r.pngMegabytes; } },
    };
    std::printf("%6d measures, libpng -> banded (%u threads):", measureCount,
                BandedPngEncoder(libpng.front().width, libpng.front().height).threads());
    for (const Stage& stage : stages) {
        const double before = medianOf(libpng, stage.figure);
        const double after = medianOf(banded, stage.figure);
        std::printf("%s %s %.2f -> %.2f (x %.4f)", &stage == stages ? "" : ",", stage.name, before,
                    after, after / before);
    }
    std::printf("\n");
    std::fflush(stdout);
}

// Encodes the tallest picture accepted, its rows taken from a drawn score over and over, so
// that the encoder's own time and memory show without a canvas of that size.
RunFigures benchmarkTallest(const Options& options)
{
    auto reader = ChartTextReader::fromBytes(generateChart(100));
    const ParsedChart parsed = ChartParser().parse(reader);
    const auto sheet = loadSpriteSheet(options.sheet);
    const Canvas score = ScoreRenderer(sheet ? *sheet : Canvas()).render(parsed.document);
    const auto cycle = [&score](int firstRow, Canvas& band) {
        for (int y = 0; y < band.height(); ++y) {
            const auto row = score.row((firstRow + y) % score.height());
            std::copy(row.begin(), row.end(), band.row(y).begin());
        }
    };
    const BandedPicture picture{ score.width(), kMaxCanvasHeight, cycle };
    const auto output = std::filesystem::temp_directory_path()
        / ("beatplate-bench-tallest-" + std::to_string(getpid()) + ".png");
    RunFigures figures;
    figures.width = picture.width;
    figures.height = picture.height;
    {
        TemporaryFile file = openPngOutput(output);
        figures.png = timed([&] { writeChartPng(file, picture, parsed.sourceText); });
    }
    figures.pngMegabytes = static_cast<double>(std::filesystem::file_size(output)) / 1e6;
    std::filesystem::remove(output);
    figures.peakMegabytes = peakResidentMegabytes();
    figures.canvasMegabytes = static_cast<double>(score.byteSize()) / 1e6;
    return figures;
}

// Runs one measured run in a child process and reads its figures back; 0 measures is the
// tallest picture.
std::optional<RunFigures> runInChild(const Options& options, int measureCount, PngEncoder encoder)
{
    int channel[2];
    if (pipe(channel) != 0)
        return std::nullopt;
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const RunFigures figures = measureCount == 0
            ? benchmarkTallest(options)
            : benchmarkOnce(options, measureCount, encoder);
        const bool sent = write(channel[1], &figures, sizeof figures) == sizeof figures;
        std::fflush(stdout);
        std::_Exit(sent ? 0 : 1);
    }
    close(channel[1]);
    RunFigures figures;
    const bool received = read(channel[0], &figures, sizeof figures) == sizeof figures;
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
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
    for (const int size : options.sizes) {
        std::vector<RunFigures> libpng;
        std::vector<RunFigures> banded;
        // The encoders take turns, so that a change in the machine's load falls on both.
        for (int run = 0; run < options.repeat; ++run) {
            for (const PngEncoder encoder : { PngEncoder::Libpng, PngEncoder::Banded }) {
                const auto figures = runInChild(options, size, encoder);
                if (!figures) {
                    std::printf("%6d measures: the run failed\n", size);
                    return 1;
                }
                std::printf("%s ", nameOf(encoder));
                printRun(size, *figures);
                (encoder == PngEncoder::Libpng ? libpng : banded).push_back(*figures);
            }
        }
        printSummary(size, PngEncoder::Libpng, libpng);
        printSummary(size, PngEncoder::Banded, banded);
        printComparison(size, libpng, banded);
        totals.emplace_back(size, medianOf(banded, [](const RunFigures& r) { return r.total(); }));
    }
    if (options.tallest) {
        const auto figures = runInChild(options, 0, PngEncoder::Banded);
        if (!figures) {
            std::printf("tallest picture: the run failed\n");
            return 1;
        }
        std::printf("tallest picture %d x %d (raw %.0f MB), banded encoder: encode %.0f ms,"
                    " peak RSS %.1f MB (a %.1f MB score canvas included), PNG %.2f MB\n",
                    figures->width, figures->height, 4.0 * figures->width * figures->height / 1e6,
                    figures->png, figures->peakMegabytes, figures->canvasMegabytes,
                    figures->pngMegabytes);
    }
    for (std::size_t i = 1; i < totals.size(); ++i) {
        const double sizeRatio =
            static_cast<double>(totals[i].first) / static_cast<double>(totals[i - 1].first);
        std::printf("growth %d -> %d measures (banded): total x %.2f for x %.0f the measures\n",
                    totals[i - 1].first, totals[i].first, totals[i].second / totals[i - 1].second,
                    sizeRatio);
    }
    return 0;
}
