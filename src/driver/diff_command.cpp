#include "driver/diff_command.h"

#include "base/utf8_path.h"
#include "chart/chart_comparison_report.h"
#include "chart/chart_diagnostic.h"
#include "chart/chart_reading.h"
#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/messages.h"
#include "cli/pause_choice.h"
#include "cli/subcommand.h"
#include "driver/chart_job.h"
#include "driver/diff_options.h"
#include "driver/output_claims.h"
#include "driver/run_options.h"
#include "driver/run_paths.h"
#include "extract/chart_chunk_reader.h"
#include "extract/extract_error.h"
#include "load/header_font_choice.h"
#include "load/sprite_sheet_choice.h"
#include "output/output_file.h"
#include "output/png_writer.h"
#include "pipeline/chart_pipeline.h"
#include "pipeline/pipeline_error.h"
#include "pipeline/thread_picture_tools.h"
#include "platform/files.h"
#include "platform/terminal.h"

#include <array>
#include <optional>

namespace beatplate {

namespace {

constexpr std::string_view kProgramName = "beatplate diff";
// As diff answers: 0 the same, 1 different, anything higher trouble.
constexpr int kExitDifferent = 1;
constexpr std::string_view kPngSignature{ "\x89PNG\r\n\x1a\n", 8 };

} // namespace

// True when the file begins as a PNG does; a file that cannot be read is left to the chart
// reader, which says so as it does for any chart.
static bool isPicture(const std::string& name)
{
    if (name == "-")
        return false;
    const FileDescriptor file = openForReading(utf8Path(name));
    if (!file.valid())
        return false;
    std::array<char, kPngSignature.size()> start{};
    return readSome(file.get(), start.data(), start.size()) == static_cast<long long>(start.size())
        && std::string_view(start.data(), start.size()) == kPngSignature;
}

// The chart a picture carries, as the bytes of a UTF-16LE chart file: the chunk's code units
// with a byte-order mark before them and without the zero unit that ends them.
static std::string pictureChartBytes(const std::string& name)
{
    std::string data = readChartChunk(utf8Path(name));
    if (data.size() >= 2 && data[data.size() - 1] == '\0' && data[data.size() - 2] == '\0')
        data.resize(data.size() - 2);
    return "\xFF\xFE" + data;
}

// Reads one version to its first error, a chart or the chart a picture carries; on failure
// reports it, naming the file, and returns the status.
static int readVersion(const std::string& name, const DiffOptions& options,
                       std::optional<ChartReading>& chart, Console& console)
{
    const ChartJob job{ name, {}, {}, 0 };
    if (isPicture(name)) {
        try {
            chart = readChart(pictureChartBytes(name), { ChartScope::FirstError, std::nullopt });
        } catch (const ExtractError& error) {
            console.report(error.detail().empty() ? std::string(error.what())
                                                  : withDetail(error.what(), error.detail()),
                           name);
            return kExitChartError;
        }
    } else {
        auto reader = openChart(job, options.encoding);
        if (!reader) {
            // Not kExitChartMissing: 1 says that the charts differ.
            console.report(kFileMissingMessage, name);
            return kExitChartError;
        }
        chart = readChart(*reader, ChartScope::FirstError);
    }
    if (chart->hasErrors()) {
        console.report(formatErrorReport(*chart->firstErrorDiagnostic()), name);
        return kExitChartError;
    }
    showWarnings(job, *chart, options.quiet ? WarningDisplay::Hidden : WarningDisplay::Shown,
                 console);
    return kExitSuccess;
}

// Opens the marked picture's file before anything is read, as drawing does, so that a place
// that takes no picture fails at once.
static int openPicture(const DiffOptions& options, const std::filesystem::path& picture,
                       std::optional<TemporaryFile>& output, Console& console)
{
    for (const std::string& chart : { options.oldChart, options.newChart }) {
        if (chart != "-" && isSameFile(utf8Path(chart), picture)) {
            console.report(kSameFileMessage, chart);
            return kExitOutputFailed;
        }
    }
    if (options.output && outputIsDirectory(*options.output)) {
        std::error_code error;
        std::filesystem::create_directories(picture.parent_path(), error);
        if (error) {
            console.report(
                withDetail(kOutputDirectoryMessage, *options.output + ": " + error.message()),
                *options.output);
            return kExitOutputFailed;
        }
    }
    auto file = openOutputFile(picture);
    if (const auto* error = std::get_if<OutputError>(&file)) {
        const PipelineError failure = pictureErrorOf(*error);
        console.report(withDetail(failure.message, failure.reason), utf8Text(picture));
        return kExitOutputFailed;
    }
    output.emplace(std::move(std::get<TemporaryFile>(file)));
    return kExitSuccess;
}

static int drawMarked(const DiffOptions& options, ChartReading& newChart,
                      const ChartComparison& comparison, const std::filesystem::path& picture,
                      std::optional<TemporaryFile>& output, std::string_view argv0,
                      std::span<const std::uint8_t> builtIn, Console& console)
{
    ChartPipeline marked(newChart.document, std::move(newChart.text));
    marked.markMeasures(comparison.marks);
    PictureSources sources(chooseSpriteSheet(options.sheet, argv0, builtIn),
                           { options.font, programDirectory() }, console);
    if (sources.spriteSheet() == nullptr)
        return kExitOutputFailed;
    ThreadPictureTools pictures(sources);
    // Neither version is written over, by the picture or by any of its parts.
    const std::string charts[] = { options.oldChart, options.newChart };
    OutputClaims claims(charts);
    return drawChart({ options.newChart, picture, {}, 1 }, marked, output, { pictures },
                     options.form, claims, console);
}

static int diffWithOptions(const DiffOptions& options, std::string_view argv0,
                           std::span<const std::uint8_t> builtIn, Console& console)
{
    const std::filesystem::path picture = diffPicturePath(options);
    std::optional<TemporaryFile> output;
    if (options.drawsPicture) {
        if (const int status = openPicture(options, picture, output, console))
            return status;
    }
    std::optional<ChartReading> oldChart;
    std::optional<ChartReading> newChart;
    if (const int status = readVersion(options.oldChart, options, oldChart, console))
        return status;
    if (const int status = readVersion(options.newChart, options, newChart, console))
        return status;
    ComparisonEntry entry{ options.oldChart, options.newChart,
                           compareCharts(oldChart->document, newChart->document) };
    int status = entry.comparison.same() ? kExitSuccess : kExitDifferent;
    if (options.drawsPicture) {
        if (const int drawn = drawMarked(options, *newChart, entry.comparison, picture, output,
                                         argv0, builtIn, console))
            status = drawn;
    }
    const std::string text = options.format == DiffFormat::Json ? formatComparisonJson(entry)
                                                                : formatComparisonText(entry);
    return printText(text) ? status : kExitOutputFailed;
}

int runDiff(std::span<const std::string_view> arguments, std::string_view argv0,
            std::span<const std::uint8_t> builtInSpriteSheet)
{
    Console console(kStandardError);
    std::optional<PauseChoice> pause;
    const int status = runSubcommand(kProgramName, console, [&]() -> int {
        const DiffOptions options = parseDiffOptions(arguments);
        pause = options.common.pause;
        if (options.common.info == InfoRequest::Help)
            return printText(diffHelpText()) ? kExitSuccess : kExitOutputFailed;
        if (options.common.info == InfoRequest::Version)
            return printText(runVersionText()) ? kExitSuccess : kExitOutputFailed;
        return diffWithOptions(options, argv0, builtInSpriteSheet, console);
    });
    if (pause && waitsBeforeEnding(*pause, consoleFacts(), console.needsReading()))
        waitForEnterOnTerminal(kPausePrompt);
    return status;
}

} // namespace beatplate
