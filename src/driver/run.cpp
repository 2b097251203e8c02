#include "driver/run.h"

#include "cli/console.h"
#include "driver/chart_batch.h"
#include "driver/run_options.h"
#include "driver/run_paths.h"
#include "render/sprite_sheet.h"
#include "render/text_font_lookup.h"

#include <cstdio>
#include <filesystem>
#include <optional>
#include <sched.h>
#include <string>
#include <thread>
#include <unistd.h>
#include <vector>

namespace beatplate {

namespace {

constexpr const char* kUsageMessage =
    "かんたんなつかいかた：譜面ファイルをbeatplateにドラッグ＆ドロップ！\n"
    "Usage: beatplate [OPTION]... CHART...\n"
    "Try 'beatplate --help' for more information.";
constexpr const char* kTryHelp = "Try 'beatplate --help' for more information.";
constexpr const char* kSheetUnreadableMessage = "スプライトシートを読み込めません。";
constexpr const char* kBuiltInSheetName = "built-in sheet";
constexpr const char* kOutputDirectoryMessage = "出力先のフォルダを作れません。";
constexpr const char* kPausePrompt = "Enterキーを押すと終わります。";
constexpr const char* kUnexpectedFailureMessage = "画像を作れませんでした。";

} // namespace

// The processors this process may run on, which a container or taskset may make fewer than
// the machine has.
static unsigned processorCount()
{
    cpu_set_t set;
    CPU_ZERO(&set);
    if (::sched_getaffinity(0, sizeof(set), &set) == 0 && CPU_COUNT(&set) > 0)
        return static_cast<unsigned>(CPU_COUNT(&set));
    return std::max(1u, std::thread::hardware_concurrency());
}

static RunOptions readCommandLine(int argc, char** argv)
{
    const std::vector<std::string_view> arguments(argv + std::min(argc, 1), argv + argc);
    RunOptions options = parseRunOptions(arguments);
    if (options.charts.size() > 1 && options.output == "-")
        throw CommandLineError("with several charts, --output names a directory, not '-'");
    return options;
}

static int printText(const std::string& text)
{
    const bool written = std::fwrite(text.data(), 1, text.size(), stdout) == text.size();
    return written && std::fflush(stdout) == 0 ? kExitSuccess : kExitOutputFailed;
}

// --sheet, else the first regular file of the places looked in, else the built-in sheet.
static std::optional<Canvas> loadChosenSheet(const RunOptions& options, std::string_view argv0,
                                             std::span<const std::uint8_t> builtIn,
                                             Console& console)
{
    const auto file = options.sheet
        ? options.sheet
        : findSpriteSheet(spriteSheetCandidatesFor(runningExecutablePath(), argv0));
    auto sheet = file ? loadSpriteSheet(*file) : loadSpriteSheet(builtIn);
    if (!sheet)
        console.report(kSheetUnreadableMessage, file ? file->string() : kBuiltInSheetName);
    return sheet;
}

static bool makeOutputDirectory(const RunOptions& options, Console& console)
{
    if (options.charts.size() < 2 || !options.output)
        return true;
    std::error_code error;
    std::filesystem::create_directories(*options.output, error);
    if (!error && std::filesystem::is_directory(*options.output, error))
        return true;
    console.report(kOutputDirectoryMessage, *options.output);
    return false;
}

static int drawCharts(const RunOptions& options, std::string_view argv0,
                      std::span<const std::uint8_t> builtIn, Console& console)
{
    if (options.charts.empty()) {
        console.report(kUsageMessage, std::nullopt);
        return kExitSuccess;
    }
    const auto sheet = loadChosenSheet(options, argv0, builtIn, console);
    if (!sheet || !makeOutputDirectory(options, console))
        return kExitOutputFailed;
    const auto jobs = planChartJobs(options.charts, options.output);
    // fontconfig is asked once; each drawing thread then opens the face for itself.
    const auto font = findHeaderFontFile();
    const unsigned threads = options.jobs != 0 ? options.jobs
        : jobs.size() > 1                      ? processorCount()
                                               : 1;
    ChartBatch batch(jobs, *sheet, font, console);
    return batch.run(threads);
}

static int runWithOptions(const RunOptions& options, std::string_view argv0,
                          std::span<const std::uint8_t> builtIn)
{
    if (options.help)
        return printText(runHelpText());
    if (options.version)
        return printText(runVersionText());
    const bool showProgress = options.charts.size() > 1 && ::isatty(STDERR_FILENO) != 0;
    Console console(STDERR_FILENO, showProgress ? ProgressDisplay::InPlace : ProgressDisplay::Off);
    int status = kExitOutputFailed;
    try {
        status = drawCharts(options, argv0, builtIn, console);
    } catch (const std::exception& error) {
        console.report(pictureFailureMessage(error), std::nullopt);
    } catch (...) {
        console.report(kUnexpectedFailureMessage, std::nullopt);
    }
    if (options.pause && console.failureReported())
        waitForEnterOnTerminal(kPausePrompt);
    return status;
}

int runBeatplate(int argc, char** argv, std::span<const std::uint8_t> builtInSpriteSheet)
{
    RunOptions options;
    try {
        options = readCommandLine(argc, argv);
    } catch (const CommandLineError& error) {
        Console(STDERR_FILENO)
            .report("beatplate: " + std::string(error.what()) + "\n" + kTryHelp, std::nullopt);
        return kExitUsage;
    }
    return runWithOptions(options, argc > 0 ? argv[0] : "beatplate", builtInSpriteSheet);
}

} // namespace beatplate
