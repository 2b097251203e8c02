#include "driver/run.h"

#include "base/utf8_path.h"
#include "cli/console.h"
#include "cli/messages.h"
#include "cli/option_parser.h"
#include "driver/chart_batch.h"
#include "driver/chart_watch.h"
#include "driver/run_options.h"
#include "driver/run_paths.h"
#include "driver/run_summary.h"
#include "load/header_font.h"
#include "load/header_font_choice.h"
#include "load/sprite_sheet_choice.h"
#include "pipeline/pipeline_error.h"
#include "pipeline/thread_picture_tools.h"
#include "platform/processors.h"
#include "platform/terminal.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace beatplate {

namespace {

constexpr const char* kFontUnreadableMessage = "フォントを読み込めません。";

} // namespace

static int printTextStatus(const std::string& text)
{
    return printText(text) ? kExitSuccess : kExitOutputFailed;
}

static RunOptions readCommandLine(int argc, char** argv)
{
    const std::vector<std::string_view> arguments(argv + std::min(argc, 1), argv + argc);
    return parseRunOptions(arguments);
}

static bool makeOutputDirectory(const RunOptions& options, Console& console)
{
    if (!options.output || !outputIsDirectory(*options.output, outputExtension(options)))
        return true;
    std::error_code error;
    const std::filesystem::path directory = utf8Path(*options.output);
    std::filesystem::create_directories(directory, error);
    if (!error && std::filesystem::is_directory(directory, error))
        return true;
    // A file in the way of the directory says "File exists", which hides what is wrong.
    const int reason = !error || error.value() == EEXIST ? ENOTDIR : error.value();
    console.report(
        withDetail(kOutputDirectoryMessage, outputFailureDetail(*options.output, reason)),
        *options.output);
    return false;
}

static ChartSettings settingsOf(const RunOptions& options)
{
    ChartSettings settings;
    if (options.mode == RunMode::Check)
        settings.task = ChartTask::Check;
    else if (options.mode == RunMode::Stats)
        settings.task = options.drawsWithFigures || options.output || options.sound
            ? ChartTask::StatsAndDraw
            : ChartTask::Stats;
    if (options.sound)
        settings.sound = options.soundChoice;
    settings.encoding = options.encoding;
    settings.form = options.form;
    settings.warnings = options.quiet ? WarningDisplay::Hidden : WarningDisplay::Shown;
    // A watch is an author's loop: every mistake of the chart is worth seeing at once.
    settings.errors =
        options.mode == RunMode::Watch ? ErrorDisplay::CheckLines : ErrorDisplay::Report;
    return settings;
}

// What the charts give for standard output, in the order they were given whatever order they
// were done in: the check lines, or the figures of each chart that could be read.
static std::string dataOf(const RunOptions& options, std::span<const ChartOutcome> outcomes)
{
    std::string data;
    std::vector<ChartStatsEntry> entries;
    for (const ChartOutcome& outcome : outcomes) {
        data += outcome.checkLines;
        if (outcome.stats)
            entries.push_back(*outcome.stats);
    }
    if (options.mode != RunMode::Stats || entries.empty())
        return data;
    // Scripts tell the shape from the command line: an array for several charts, even when
    // only one of them could be read.
    if (options.figures == FiguresFormat::Json)
        return formatChartStatsJson(entries,
                                    options.charts.size() > 1 ? StatsJsonLayout::Array
                                                              : StatsJsonLayout::ObjectForOne);
    for (const ChartStatsEntry& entry : entries) {
        if (!data.empty())
            data += '\n';
        data += formatChartStatsText(entry);
    }
    return data;
}

static int watch(std::span<const ChartJob> jobs, PictureSources& sources,
                 const ChartSettings& settings, OutputClaims& claims, Console& console)
{
    // A watch draws at once and again on every save: a sheet it cannot draw with ends it now.
    if (!settings.sound && sources.spriteSheet() == nullptr)
        return kExitOutputFailed;
    ThreadPictureTools pictures(sources);
    return watchCharts(jobs, { pictures }, settings, claims, console);
}

// readAtTheEnd: a person reads the window once the run is over (it waits for a key after a
// message), so a run of several charts ends with what became of each.
static int runCharts(const RunOptions& options, std::string_view argv0,
                     std::span<const std::uint8_t> builtIn, bool readAtTheEnd, Console& console)
{
    if (options.charts.empty()) {
        console.report(kRunUsageMessage + tryHelpLine("beatplate"), std::nullopt);
        return kExitSuccess;
    }
    const ChartSettings settings = settingsOf(options);
    if (!makeOutputDirectory(options, console))
        return kExitOutputFailed;
    // A font asked for by name that cannot draw the header is said at once, as a sheet is, rather
    // than leaving the header out of every picture; the face opened for that is drawn with.
    std::optional<HeaderFont> namedFace;
    if (options.font && settings.task != ChartTask::Check && settings.task != ChartTask::Stats
        && !settings.sound) {
        namedFace = HeaderFont::fromFile(*options.font, 0);
        if (!namedFace) {
            console.report(kFontUnreadableMessage, options.font->string());
            return kExitOutputFailed;
        }
    }
    OutputClaims claims(options.charts);
    // Parts are known only once a chart is laid out: those whose names another chart's picture
    // could have are counted before any picture is written, so that the first chart keeps them.
    PartCounter countParts;
    if (settings.form.maxSize && !settings.sound && settings.task != ChartTask::Check
        && settings.task != ChartTask::Stats)
        countParts = [&settings](const ChartJob& job) { return countPictures(job, settings); };
    const auto jobs =
        planChartJobs(options.charts, options.output, claims, countParts, outputExtension(options));
    const bool toStandardOutput =
        std::any_of(jobs.begin(), jobs.end(), [](const ChartJob& job) { return !job.picture; });
    if (settings.task == ChartTask::StatsAndDraw && toStandardOutput)
        throw CommandLineError("--stats prints on standard output; a "
                               + std::string(options.sound ? "sound" : "picture")
                               + " cannot go there too");
    // The sheet is loaded and the font looked for once, when the first picture is drawn; each
    // drawing thread then opens the face for itself. A check or the figures alone load neither.
    PictureSources sources(chooseSpriteSheet(options.sheet, argv0, builtIn),
                           { options.font, programDirectory() }, console, std::move(namedFace));
    if (options.mode == RunMode::Watch)
        return watch(jobs, sources, settings, claims, console);
    const unsigned threads = options.jobs != 0 ? options.jobs
        : jobs.size() > 1                      ? processorCount()
                                               : 1;
    // -j N bounds the threads of the whole run: several charts are each compressed on one thread
    // (the batch spreads them over the processors), a chart alone on N, or on all without -j.
    const unsigned pictureThreads = jobs.size() > 1 ? 1 : options.jobs;
    ChartBatch batch(jobs, sources, settings, claims, console);
    const int status = batch.run(threads, pictureThreads);
    if (readAtTheEnd && jobs.size() > 1 && settings.task == ChartTask::Draw && !settings.sound
        && console.needsReading())
        console.report(runSummary(jobs, batch.outcomes()), std::nullopt, MessageKind::Information);
    return std::max(status, printTextStatus(dataOf(options, batch.outcomes())));
}

static void reportCommandLineError(const CommandLineError& error, Console& console)
{
    console.report(commandLineErrorMessage("beatplate", error), std::nullopt);
}

static int runWithOptions(const RunOptions& options, std::string_view argv0,
                          std::span<const std::uint8_t> builtIn)
{
    if (options.common.info == InfoRequest::Help)
        return printTextStatus(runHelpText());
    if (options.common.info == InfoRequest::Version)
        return printTextStatus(runVersionText());
    const bool watching = options.mode == RunMode::Watch;
    const bool showProgress = options.charts.size() > 1 && !watching && isTerminal(kStandardError);
    Console console(kStandardError, showProgress ? ProgressDisplay::InPlace : ProgressDisplay::Off);
    const ConsoleFacts facts = consoleFacts();
    int status = kExitOutputFailed;
    try {
        status = runCharts(options, argv0, builtIn,
                           waitsBeforeEnding(options.common.pause, facts, true), console);
    } catch (const CommandLineError& error) {
        reportCommandLineError(error, console);
        return kExitUsage;
    } catch (const std::exception& error) {
        console.report(pictureErrorOf(error).message, std::nullopt);
    } catch (...) {
        console.report(kUnexpectedFailureMessage, std::nullopt);
    }
    // An interrupted watch is its usual end: the user asked to leave, not to read.
    if (!watching && waitsBeforeEnding(options.common.pause, facts, console.needsReading()))
        waitForEnterOnTerminal(kPausePrompt);
    return status;
}

int runBeatplate(int argc, char** argv, std::span<const std::uint8_t> builtInSpriteSheet)
{
    RunOptions options;
    try {
        options = readCommandLine(argc, argv);
    } catch (const CommandLineError& error) {
        Console console(kStandardError);
        reportCommandLineError(error, console);
        return kExitUsage;
    }
    return runWithOptions(options, argc > 0 ? argv[0] : "beatplate", builtInSpriteSheet);
}

} // namespace beatplate
