#include "driver/chart_job.h"

#include "base/utf8_path.h"
#include "chart/chart_parser.h"
#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/messages.h"
#include "driver/chart_check.h"
#include "driver/run_paths.h"
#include "output/png_writer.h"
#include "output/wav_writer.h"
#include "pipeline/chart_pipeline.h"
#include "platform/files.h"
#include "platform/terminal.h"

#include <optional>

namespace beatplate {

namespace {

constexpr const char* kTerminalOutputMessage =
    "画像は端末には書き出せません。　-o でファイルを指定してください。";
constexpr const char* kTerminalSoundMessage =
    "音声は端末には書き出せません。　-o でファイルを指定してください。";

} // namespace

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

static int exitStatusOf(const PipelineError& error)
{
    if (error.kind == PipelineErrorKind::ChartMissing)
        return kExitChartMissing;
    return error.isChartError() ? kExitChartError : kExitOutputFailed;
}

// The refusals that need no reading: a picture or a sound that would replace its chart or fill
// a terminal.
static std::optional<std::string> refusalOf(const ChartJob& job, const ChartSettings& settings)
{
    if (job.refusal)
        return job.refusal;
    if (!job.picture) {
        if (!isTerminal(kStandardOutput))
            return std::nullopt;
        return settings.sound ? kTerminalSoundMessage : kTerminalOutputMessage;
    }
    if (!readsStandardInput(job) && isSameFile(utf8Path(job.name), *job.picture))
        return kSameFileMessage;
    return std::nullopt;
}

// The warnings of a parsed chart as one message of check lines, so that another chart's lines
// never come between them.
static void showWarnings(const ChartJob& job, const ChartPipeline& chart,
                         const ChartSettings& settings, Console& console)
{
    if (settings.warnings == WarningDisplay::Hidden)
        return;
    std::string lines;
    for (const ChartDiagnostic& warning : chart.diagnostics())
        lines += formatDiagnosticLine(job.name, warning) + '\n';
    if (chart.omittedWarnings() > 0)
        lines += job.name + ": " + std::to_string(chart.omittedWarnings())
            + " more warnings not shown\n";
    if (!lines.empty())
        console.report(lines, std::nullopt, MessageKind::Warning);
}

// A chart read whole shows every error it has as check lines; one read to its first error, that
// error's report.
static int reportChartError(const ChartJob& job, const ChartPipeline& chart,
                            const PipelineError& error, const ChartSettings& settings,
                            Console& console)
{
    if (settings.errors == ErrorDisplay::CheckLines)
        console.report(checkLinesOf(job.name, chart, settings.warnings), std::nullopt);
    else
        console.report(ChartParseError(*error.diagnostic).what(), job.name);
    return kExitChartError;
}

static ChartOutcome checkChart(const ChartJob& job, ChartPipeline& chart,
                               const ChartSettings& settings, Console& console)
{
    const bool hasErrors = chart.read(DiagnosticScope::WholeChart).has_value();
    ChartOutcome outcome{ hasErrors ? kExitChartError : kExitSuccess,
                          checkLinesOf(job.name, chart, settings.warnings), std::nullopt };
    if (hasErrors)
        return outcome;
    if (const auto error = chart.fitPicture()) {
        console.report(error->message, job.name);
        outcome.status = exitStatusOf(*error);
    }
    return outcome;
}

// Reports a failure to draw, but the sheet's, which was reported where it was loaded, once.
static int reportDrawingError(const ChartJob& job, const PipelineError& error, Console& console)
{
    if (error.kind != PipelineErrorKind::SheetUnreadable)
        console.report(withDetail(error.message, error.reason), job.name);
    return exitStatusOf(error);
}

// The parts of a picture cut to fit its size, each in its own file beside where the whole
// picture would be.
static int drawParts(const ChartJob& job, ChartPipeline& chart, const DrawingTools& tools,
                     Console& console)
{
    const std::size_t parts = chart.pictureParts();
    if (!job.picture) {
        const std::string detail = "its " + std::to_string(parts)
            + " parts cannot all go to standard output; name a picture with -o";
        console.report(withDetail(kPictureTooLargeMessage, detail), job.name);
        return kExitOutputFailed;
    }
    for (std::size_t part = 0; part < parts; ++part) {
        TemporaryFile file = openPngOutput(partPathFor(*job.picture, part + 1));
        PngSink sink(file);
        const auto error =
            chart.drawPicture(tools.pictures, sink, { .threads = tools.pictureThreads }, part);
        if (error)
            return reportDrawingError(job, *error, console);
    }
    return kExitSuccess;
}

// Draws a parsed chart into the file opened for it, or onto standard output without one.
static int drawChart(const ChartJob& job, ChartPipeline& chart,
                     std::optional<TemporaryFile>& output, const DrawingTools& tools,
                     const ChartSettings& settings, Console& console)
{
    if (const auto error = chart.layOutPicture(settings.form))
        return reportDrawingError(job, *error, console);
    if (chart.pictureParts() > 1) {
        // The whole picture's own file is not written.
        output.reset();
        return drawParts(job, chart, tools, console);
    }
    PngSink sink = output ? PngSink(*output) : PngSink::descriptor(kStandardOutput);
    const auto error = chart.drawPicture(tools.pictures, sink, { .threads = tools.pictureThreads });
    return error ? reportDrawingError(job, *error, console) : kExitSuccess;
}

// Writes the sound of a parsed chart into the file opened for it, or onto standard output.
static int writeSound(const ChartJob& job, const ChartPipeline& chart,
                      std::optional<TemporaryFile>& output, const SoundChoice& choice,
                      Console& console)
{
    try {
        ChartSound sound(chart.document(), choice);
        if (output)
            writeChartWav(sound, *output);
        else
            writeChartWav(sound, kStandardOutput);
    } catch (const std::exception& error) {
        return reportDrawingError(job, pictureErrorOf(error), console);
    }
    return kExitSuccess;
}

static ChartOutcome processOpenedChart(const ChartJob& job, ChartPipeline& chart,
                                       const DrawingTools& tools, const ChartSettings& settings,
                                       Console& console)
{
    if (settings.task == ChartTask::Check)
        return checkChart(job, chart, settings, console);
    // Opened before the chart is read, so that a place that takes no picture fails at once
    // rather than after a long chart has been parsed and drawn.
    std::optional<TemporaryFile> output;
    if (drawsPicture(settings.task) && job.picture)
        output.emplace(settings.sound ? openWavOutput(*job.picture) : openPngOutput(*job.picture));
    const auto scope = settings.errors == ErrorDisplay::CheckLines ? DiagnosticScope::WholeChart
                                                                   : DiagnosticScope::FirstError;
    if (const auto error = chart.read(scope))
        return { reportChartError(job, chart, *error, settings, console), {}, std::nullopt };
    showWarnings(job, chart, settings, console);
    ChartOutcome outcome;
    if (givesFigures(settings.task))
        outcome.stats = chart.figures(job.name, settings.form);
    if (drawsPicture(settings.task) && settings.sound)
        outcome.status = writeSound(job, chart, output, *settings.sound, console);
    else if (drawsPicture(settings.task))
        outcome.status = drawChart(job, chart, output, tools, settings, console);
    return outcome;
}

static ChartOutcome processChartOrThrow(const ChartJob& job, const DrawingTools& tools,
                                        const ChartSettings& settings, Console& console)
{
    ChartPipeline chart(ChartSource::file(
        readsStandardInput(job) ? standardInputPath() : utf8Path(job.name), settings.encoding));
    if (const auto error = chart.open()) {
        console.report(error->message, job.name);
        return { exitStatusOf(*error), {}, std::nullopt };
    }
    const auto refusal = drawsPicture(settings.task) ? refusalOf(job, settings) : std::nullopt;
    if (refusal) {
        console.report(*refusal, job.name);
        return { kExitOutputFailed, {}, std::nullopt };
    }
    return processOpenedChart(job, chart, tools, settings, console);
}

ChartOutcome processChart(const ChartJob& job, const DrawingTools& tools,
                          const ChartSettings& settings, Console& console)
{
    try {
        return processChartOrThrow(job, tools, settings, console);
    } catch (const std::exception& error) {
        const PipelineError failure = pictureErrorOf(error);
        console.report(withDetail(failure.message, failure.reason), job.name);
        return { exitStatusOf(failure), {}, std::nullopt };
    } catch (...) {
        console.report(kUnexpectedFailureMessage, job.name);
    }
    return { kExitOutputFailed, {}, std::nullopt };
}

} // namespace beatplate
