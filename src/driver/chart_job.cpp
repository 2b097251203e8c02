#include "driver/chart_job.h"

#include "base/utf8_path.h"
#include "chart/chart_reading.h"
#include "chart/chart_text_reader.h"
#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/messages.h"
#include "driver/chart_check.h"
#include "driver/part_files.h"
#include "driver/run_paths.h"
#include "output/png_writer.h"
#include "output/wav_writer.h"
#include "pipeline/chart_pipeline.h"
#include "pipeline/thread_picture_tools.h"
#include "platform/files.h"
#include "platform/terminal.h"

#include <optional>
#include <variant>

namespace beatplate {

namespace {

constexpr const char* kTerminalOutputMessage =
    "画像は端末には書き出せません。　-o でファイルを指定してください。";
constexpr const char* kTerminalSoundMessage =
    "音声は端末には書き出せません。　-o でファイルを指定してください。";
constexpr const char* kPartNameTakenMessage = "分けた画像と同じ名前のファイルがすでにあります。";

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

std::optional<ChartTextReader> openChart(const ChartJob& job, std::optional<ChartEncoding> encoding)
{
    if (readsStandardInput(job))
        return ChartTextReader::open(standardInputPath(), encoding);
    const std::filesystem::path path = utf8Path(job.name);
    std::error_code error;
    // A directory opens like a file on Linux but holds no chart.
    if (std::filesystem::is_directory(path, error))
        return std::nullopt;
    return ChartTextReader::open(path, encoding);
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
void showWarnings(const ChartJob& job, const ChartReading& chart, WarningDisplay warnings,
                  Console& console)
{
    if (warnings == WarningDisplay::Hidden)
        return;
    std::string lines;
    for (const ChartDiagnostic& warning : chart.diagnostics)
        lines += formatDiagnosticLine(job.name, warning) + '\n';
    if (chart.omittedWarnings > 0)
        lines +=
            job.name + ": " + std::to_string(chart.omittedWarnings) + " more warnings not shown\n";
    if (!lines.empty())
        console.report(lines, std::nullopt, MessageKind::Warning);
}

// A chart read whole shows every error it has as check lines; one read to its first error, that
// error's report.
static int reportChartError(const ChartJob& job, const ChartReading& chart,
                            const ChartSettings& settings, Console& console)
{
    if (settings.errors == ErrorDisplay::CheckLines)
        console.report(checkLinesOf(job.name, chart, settings.warnings), std::nullopt);
    else
        console.report(formatErrorReport(*chart.firstErrorDiagnostic()), job.name);
    return kExitChartError;
}

static ChartOutcome checkChart(const ChartJob& job, ChartTextReader& reader,
                               const ChartSettings& settings, Console& console)
{
    const ChartReading chart = readChart(reader, ChartScope::WholeChart);
    ChartOutcome outcome{ chart.hasErrors() ? kExitChartError : kExitSuccess,
                          checkLinesOf(job.name, chart, settings.warnings), std::nullopt };
    if (chart.hasErrors())
        return outcome;
    if (const auto error = ChartPipeline(chart.document, {}).fitPicture()) {
        console.report(error->message, job.name);
        outcome.status = kExitOutputFailed;
    }
    return outcome;
}

// Reports a failure to draw, but the sheet's, which was reported where it was loaded, once.
static int reportDrawingError(const ChartJob& job, const PipelineError& error, Console& console)
{
    if (error.kind != PipelineErrorKind::SheetUnreadable)
        console.report(withDetail(error.message, error.reason), job.name);
    return kExitOutputFailed;
}

// A part is written only where nothing or one of our parts of its number stands.
static int reportOtherFile(const ChartJob& job, const std::filesystem::path& path, Console& console)
{
    const std::string detail = path.string()
        + " is not a part that beatplate made; it is left as it is, and no part was written";
    console.report(withDetail(kPartNameTakenMessage, detail), job.name);
    return kExitOutputFailed;
}

// Removes the parts of an earlier picture by this name beyond the first parts of the new one, but
// those another chart of the run writes.
static int removeEarlierParts(const ChartJob& job, std::size_t first, const OutputClaims& claims,
                              Console& console)
{
    const auto failures =
        removeLaterParts(*job.picture, first, [&](const std::filesystem::path& path) {
            return !claims.claimedByOther(job.index, path);
        });
    if (failures.empty())
        return kExitSuccess;
    std::string detail = "the parts of the earlier picture after the new ones cannot be removed";
    for (const std::string& failure : failures)
        detail += "; " + failure;
    console.report(withDetail(kOutputFailedMessage, detail), job.name);
    return kExitOutputFailed;
}

static int refuse(const ChartJob& job, const std::string& refusal, Console& console)
{
    console.report(refusal, job.name);
    return kExitOutputFailed;
}

// The parts of a picture cut to fit its size, each in its own file beside where the whole
// picture would be, put in place together once every one is written, so that a run that ends
// before leaves the earlier parts whole; then the earlier picture's later parts are removed.
static int drawParts(const ChartJob& job, ChartPipeline& chart, const DrawingTools& tools,
                     OutputClaims& claims, Console& console)
{
    const std::size_t parts = chart.pictureParts();
    if (!job.picture) {
        const std::string detail = "its " + std::to_string(parts)
            + " parts cannot all go to standard output; name a picture with -o";
        console.report(withDetail(kPictureTooLargeMessage, detail), job.name);
        return kExitOutputFailed;
    }
    const auto paths = partPathsFor(*job.picture, parts);
    if (const auto refusal = claims.claim(job.index, paths))
        return refuse(job, *refusal, console);
    if (const auto other = examinePartTargets(paths).other)
        return reportOtherFile(job, *other, console);
    auto opened = openPngParts(*job.picture);
    if (const auto* error = std::get_if<OutputError>(&opened))
        return reportDrawingError(job, pictureErrorOf(*error), console);
    StagedFiles& staged = std::get<StagedFiles>(opened);
    for (std::size_t part = 0; part < parts; ++part) {
        auto file = openOutputFile(paths[part]);
        if (const auto* error = std::get_if<OutputError>(&file))
            return reportDrawingError(job, pictureErrorOf(*error), console);
        PngSink sink(std::get<TemporaryFile>(file), PngSink::Placement::Part);
        const auto error = chart.drawPicture(tools.pictures.tools(), sink,
                                             { .threads = tools.pictureThreads }, part);
        if (error)
            return reportDrawingError(job, *error, console);
        if (const auto failure = stagePngPart(staged, std::get<TemporaryFile>(file)))
            return reportDrawingError(job, pictureErrorOf(*failure), console);
    }
    // Looked at again, as a file may have come while the parts were drawn.
    const PartTargets targets = examinePartTargets(paths);
    if (targets.other)
        return reportOtherFile(job, *targets.other, console);
    if (const auto error = placePngParts(staged, targets.targets))
        return reportDrawingError(job, pictureErrorOf(*error), console);
    return removeEarlierParts(job, parts, claims, console);
}

int drawChart(const ChartJob& job, ChartPipeline& chart, std::optional<TemporaryFile>& output,
              const DrawingTools& tools, const PictureForm& form, OutputClaims& claims,
              Console& console)
{
    if (const auto error = chart.layOutPicture(form))
        return reportDrawingError(job, *error, console);
    if (chart.pictureParts() > 1) {
        // The whole picture's own file is not written.
        output.reset();
        return drawParts(job, chart, tools, claims, console);
    }
    // Claimed again, as a chart whose parts were counted before may have changed since.
    if (job.picture) {
        if (const auto refusal = claims.claim(job.index, std::span(&*job.picture, 1)))
            return refuse(job, *refusal, console);
    }
    PngSink sink = output ? PngSink(*output) : PngSink::descriptor(kStandardOutput);
    const auto error =
        chart.drawPicture(tools.pictures.tools(), sink, { .threads = tools.pictureThreads });
    if (error)
        return reportDrawingError(job, *error, console);
    // A picture that was cut in parts before is whole now: its parts go.
    if (job.picture && form.maxSize)
        return removeEarlierParts(job, 0, claims, console);
    return kExitSuccess;
}

// Writes the sound of a parsed chart into the file opened for it, or onto standard output.
static int writeSound(const ChartJob& job, const ChartDocument& chart,
                      std::optional<TemporaryFile>& output, const SoundChoice& choice,
                      Console& console)
{
    std::optional<OutputError> failure;
    try {
        ChartSound sound(chart, choice);
        failure = output ? writeChartWav(sound, *output) : writeChartWav(sound, kStandardOutput);
    } catch (const std::exception& error) {
        return reportDrawingError(job, pictureErrorOf(error), console);
    }
    return failure ? reportDrawingError(job, soundErrorOf(*failure), console) : kExitSuccess;
}

static ChartOutcome processOpenedChart(const ChartJob& job, ChartTextReader& reader,
                                       const DrawingTools& tools, const ChartSettings& settings,
                                       OutputClaims& claims, Console& console)
{
    if (settings.task == ChartTask::Check)
        return checkChart(job, reader, settings, console);
    // Opened before the chart is read, so that a place that takes no picture fails at once
    // rather than after a long chart has been parsed and drawn.
    std::optional<TemporaryFile> output;
    if (drawsPicture(settings.task) && job.picture) {
        auto file = openOutputFile(*job.picture);
        if (const auto* error = std::get_if<OutputError>(&file)) {
            const auto failure = settings.sound ? soundErrorOf(*error) : pictureErrorOf(*error);
            return { reportDrawingError(job, failure, console), {}, std::nullopt };
        }
        output.emplace(std::move(std::get<TemporaryFile>(file)));
    }
    const auto scope = settings.errors == ErrorDisplay::CheckLines ? ChartScope::WholeChart
                                                                   : ChartScope::FirstError;
    ChartReading chart = readChart(reader, scope);
    if (chart.hasErrors())
        return { reportChartError(job, chart, settings, console), {}, std::nullopt };
    showWarnings(job, chart, settings.warnings, console);
    ChartOutcome outcome;
    if (givesFigures(settings.task)) {
        outcome.stats =
            ChartStatsEntry{ utf8Path(job.name), chart.document.title, chart.figures() };
        placeOnPicture(outcome.stats->stats, chart.document, settings.form);
    }
    if (drawsPicture(settings.task) && settings.sound) {
        outcome.status = writeSound(job, chart.document, output, *settings.sound, console);
    } else if (drawsPicture(settings.task)) {
        ChartPipeline picture(chart.document, std::move(chart.text));
        outcome.status = drawChart(job, picture, output, tools, settings.form, claims, console);
    }
    return outcome;
}

static ChartOutcome processChartOrThrow(const ChartJob& job, const DrawingTools& tools,
                                        const ChartSettings& settings, OutputClaims& claims,
                                        Console& console)
{
    auto reader = openChart(job, settings.encoding);
    if (!reader) {
        console.report(kFileMissingMessage, job.name);
        return { kExitChartMissing, {}, std::nullopt };
    }
    const auto refusal = drawsPicture(settings.task) ? refusalOf(job, settings) : std::nullopt;
    if (refusal)
        return { refuse(job, *refusal, console), {}, std::nullopt };
    return processOpenedChart(job, *reader, tools, settings, claims, console);
}

std::size_t countPictures(const ChartJob& job, const ChartSettings& settings)
{
    // Standard input is read once, when the chart is drawn.
    if (readsStandardInput(job))
        return 1;
    try {
        auto reader = openChart(job, settings.encoding);
        if (!reader)
            return 1;
        const ChartReading chart = readChart(*reader, ChartScope::FirstError);
        if (chart.hasErrors())
            return 1;
        ChartPipeline picture(chart.document, {});
        if (picture.layOutPicture(settings.form))
            return 1;
        return picture.pictureParts();
    } catch (const std::exception&) {
        // What keeps the chart from being drawn is reported when it is drawn.
        return 1;
    }
}

ChartOutcome processChart(const ChartJob& job, const DrawingTools& tools,
                          const ChartSettings& settings, OutputClaims& claims, Console& console)
{
    try {
        return processChartOrThrow(job, tools, settings, claims, console);
    } catch (const std::exception& error) {
        const PipelineError failure = pictureErrorOf(error);
        console.report(withDetail(failure.message, failure.reason), job.name);
        return { kExitOutputFailed, {}, std::nullopt };
    } catch (...) {
        console.report(kUnexpectedFailureMessage, job.name);
    }
    return { kExitOutputFailed, {}, std::nullopt };
}

} // namespace beatplate
