#include "driver/chart_job.h"

#include "chart/chart_parser.h"
#include "chart/chart_stats.h"
#include "chart/chart_text_reader.h"
#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/messages.h"
#include "driver/chart_check.h"
#include "driver/run_paths.h"
#include "output/png_writer.h"
#include "platform/files.h"
#include "platform/terminal.h"
#include "render/score_renderer.h"

#include <cerrno>
#include <new>
#include <optional>
#include <stdexcept>

namespace beatplate {

namespace {

constexpr const char* kTerminalOutputMessage =
    "画像は端末には書き出せません。　-o でファイルを指定してください。";
constexpr const char* kOutOfMemoryMessage = "メモリが足りなくて画像を作れません。";
constexpr const char* kCanvasTooLargeMessage = "画像が大きすぎて作れません。";

} // namespace

std::string pictureFailureMessage(const std::exception& error)
{
    if (dynamic_cast<const PngWriteError*>(&error) != nullptr)
        return error.what();
    if (dynamic_cast<const std::bad_alloc*>(&error) != nullptr)
        return kOutOfMemoryMessage;
    if (dynamic_cast<const std::length_error*>(&error) != nullptr)
        return kCanvasTooLargeMessage;
    return "画像を作れませんでした: " + std::string(error.what());
}

static bool readsStandardInput(const ChartJob& job)
{
    return job.name == "-";
}

static bool drawsPicture(ChartTask task)
{
    return task == ChartTask::Draw || task == ChartTask::StatsAndDraw;
}

static bool givesFigures(ChartTask task)
{
    return task == ChartTask::Stats || task == ChartTask::StatsAndDraw;
}

// A directory opens like a file on Linux but holds no chart.
static std::optional<ChartTextReader> openChart(const ChartJob& job,
                                                std::optional<ChartEncoding> encoding)
{
    if (readsStandardInput(job))
        return ChartTextReader::open(standardInputPath(), encoding);
    std::error_code error;
    if (std::filesystem::is_directory(job.name, error))
        return std::nullopt;
    return ChartTextReader::open(job.name, encoding);
}

static void writeToStandardOutput(const BandedPicture& picture, SourceChunk chunk,
                                  const PngWriteOptions& options)
{
    const auto png = encodeChartPng(picture, std::move(chunk), options);
    const std::string_view bytes(reinterpret_cast<const char*>(png.data()), png.size());
    if (!writeAll(kStandardOutput, bytes))
        throw PngWriteError(kWriteFailedMessage);
}

// The refusals that need no reading: a picture that would replace its chart or fill a terminal.
static std::optional<std::string> refusalOf(const ChartJob& job)
{
    if (job.refusal)
        return job.refusal;
    if (!job.picture)
        return isTerminal(kStandardOutput) ? std::optional<std::string>(kTerminalOutputMessage)
                                           : std::nullopt;
    if (!readsStandardInput(job) && isSameFile(job.name, *job.picture))
        return kSameFileMessage;
    return std::nullopt;
}

// The warnings of a parsed chart as one message of check lines, so that another chart's lines
// never come between them.
static void showWarnings(const ChartJob& job, const ParsedChart& chart,
                         const ChartSettings& settings, Console& console)
{
    if (settings.warnings == WarningDisplay::Hidden || chart.warnings.empty())
        return;
    std::string lines;
    for (const ChartDiagnostic& warning : chart.warnings)
        lines += formatDiagnosticLine(job.name, warning) + '\n';
    if (chart.omittedWarnings > 0)
        lines +=
            job.name + ": " + std::to_string(chart.omittedWarnings) + " more warnings not shown\n";
    console.report(lines, std::nullopt, MessageKind::Warning);
}

// The parse stops at the first error; shown as check lines, the chart is read again whole so
// that every error it has is seen at once.
static int reportChartError(const ChartJob& job, const ChartParseError& error,
                            const ChartSettings& settings, Console& console)
{
    auto reader = settings.errors == ErrorDisplay::CheckLines ? openChart(job, settings.encoding)
                                                              : std::nullopt;
    if (!reader || readsStandardInput(job)) {
        console.report(error.what(), job.name);
        return kExitChartError;
    }
    console.report(checkChartText(job.name, *reader, settings.warnings).lines, std::nullopt);
    return kExitChartError;
}

static ChartOutcome checkOpenedChart(const ChartJob& job, ChartTextReader& reader,
                                     const ChartSettings& settings, Console& console)
{
    CheckedChart checked = checkChartText(job.name, reader, settings.warnings);
    ChartOutcome outcome{ checked.hasErrors ? kExitChartError : kExitSuccess,
                          std::move(checked.lines), std::nullopt };
    if (!checked.hasErrors && !pictureFits(*checked.document)) {
        console.report(kCanvasTooLargeMessage, job.name);
        outcome.status = kExitOutputFailed;
    }
    return outcome;
}

// Draws a parsed chart into the file opened for it, or onto standard output without one. The
// chart text goes into its chunk before drawing and is let go, so that it takes no room then.
static int drawDocument(const ChartJob& job, const ChartDocument& document, std::wstring sourceText,
                        std::optional<TemporaryFile>& output, const DrawingTools& tools,
                        Console& console)
{
    try {
        SourceChunk chunk = makeSourceChunk(sourceText);
        // Assigning an empty string would keep the buffer.
        std::wstring().swap(sourceText);
        const BandedScore score =
            ScoreRenderer(tools.spriteSheet, tools.headerFont).bands(document, kPngBandRows);
        const BandedPicture picture = bandsOf(score);
        const PngWriteOptions options{ .threads = tools.pictureThreads };
        if (output)
            writeChartPng(*output, picture, std::move(chunk), options);
        else
            writeToStandardOutput(picture, std::move(chunk), options);
        return kExitSuccess;
    } catch (const std::exception& error) {
        console.report(pictureFailureMessage(error), job.name);
    } catch (...) {
        console.report(kUnexpectedFailureMessage, job.name);
    }
    return kExitOutputFailed;
}

static ChartOutcome processOpenedChart(const ChartJob& job, ChartTextReader& reader,
                                       const DrawingTools& tools, const ChartSettings& settings,
                                       Console& console)
{
    if (settings.task == ChartTask::Check)
        return checkOpenedChart(job, reader, settings, console);
    // Opened before the chart is read, so that a place that takes no picture fails at once
    // rather than after a long chart has been parsed and drawn.
    std::optional<TemporaryFile> output;
    if (drawsPicture(settings.task) && job.picture)
        output.emplace(openPngOutput(*job.picture));
    std::optional<ParsedChart> chart;
    try {
        chart.emplace(ChartParser().parse(reader));
    } catch (const ChartParseError& error) {
        return { reportChartError(job, error, settings, console), {}, std::nullopt };
    }
    showWarnings(job, *chart, settings, console);
    const ChartDocument& document = chart->document;
    ChartOutcome outcome;
    if (givesFigures(settings.task))
        outcome.stats = ChartStatsEntry{ job.name, document.title, computeChartStats(document) };
    if (drawsPicture(settings.task))
        outcome.status =
            drawDocument(job, document, std::move(chart->sourceText), output, tools, console);
    return outcome;
}

ChartOutcome processChart(const ChartJob& job, const DrawingTools& tools,
                          const ChartSettings& settings, Console& console)
{
    try {
        auto reader = openChart(job, settings.encoding);
        if (!reader) {
            console.report(kFileMissingMessage, job.name);
            return { kExitChartMissing, {}, std::nullopt };
        }
        const auto refusal = drawsPicture(settings.task) ? refusalOf(job) : std::nullopt;
        if (refusal) {
            console.report(*refusal, job.name);
            return { kExitOutputFailed, {}, std::nullopt };
        }
        return processOpenedChart(job, *reader, tools, settings, console);
    } catch (const std::exception& error) {
        console.report(pictureFailureMessage(error), job.name);
    } catch (...) {
        console.report(kUnexpectedFailureMessage, job.name);
    }
    return { kExitOutputFailed, {}, std::nullopt };
}

int drawChart(const ChartJob& job, const DrawingTools& tools, Console& console)
{
    return processChart(job, tools, {}, console).status;
}

} // namespace beatplate
