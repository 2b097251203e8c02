#include "driver/chart_job.h"

#include "chart/chart_parser.h"
#include "chart/chart_text_reader.h"
#include "cli/console.h"
#include "driver/exit_status.h"
#include "driver/run_paths.h"
#include "output/png_writer.h"
#include "render/score_renderer.h"

#include <cerrno>
#include <new>
#include <stdexcept>
#include <unistd.h>

namespace beatplate {

namespace {

constexpr const char* kChartMissingMessage = "ファイルが見つかりません。";
constexpr const char* kSameFileMessage =
    "譜面ファイルと出力先が同じです。　拡張子を変えてください。";
constexpr const char* kTerminalOutputMessage =
    "画像は端末には書き出せません。　-o でファイルを指定してください。";
constexpr const char* kWriteFailedMessage = "pngファイルの書き込みに失敗しました。";
constexpr const char* kOutOfMemoryMessage = "メモリが足りなくて画像を作れません。";
constexpr const char* kCanvasTooLargeMessage = "画像が大きすぎて作れません。";
constexpr const char* kUnexpectedFailureMessage = "画像を作れませんでした。";
// The chart named "-" is read through the descriptor the process was given.
constexpr const char* kStandardInputPath = "/dev/stdin";

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

// A directory opens like a file on Linux but holds no chart.
static std::optional<ChartTextReader> openChart(const ChartJob& job)
{
    if (readsStandardInput(job))
        return ChartTextReader::open(kStandardInputPath);
    std::error_code error;
    if (std::filesystem::is_directory(job.name, error))
        return std::nullopt;
    return ChartTextReader::open(job.name);
}

static void writeToStandardOutput(const Canvas& canvas, std::wstring_view sourceText)
{
    const auto png = encodeChartPng(canvas, sourceText);
    std::size_t done = 0;
    while (done < png.size()) {
        const auto written = ::write(STDOUT_FILENO, png.data() + done, png.size() - done);
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            throw PngWriteError(kWriteFailedMessage);
        done += static_cast<std::size_t>(written);
    }
}

// The refusals that need no reading: a picture that would replace its chart or fill a terminal.
static std::optional<std::string> refusalOf(const ChartJob& job)
{
    if (job.refusal)
        return job.refusal;
    if (!job.picture)
        return ::isatty(STDOUT_FILENO) != 0 ? std::optional<std::string>(kTerminalOutputMessage)
                                            : std::nullopt;
    if (!readsStandardInput(job) && isSameFile(job.name, *job.picture))
        return kSameFileMessage;
    return std::nullopt;
}

static int drawOpenedChart(const ChartJob& job, ChartTextReader& reader, const DrawingTools& tools,
                           Console& console)
{
    ChartParser parser;
    std::unique_ptr<ChartDocument> document;
    try {
        document = parser.parse(reader);
    } catch (const ChartParseError& error) {
        console.report(error.what(), job.name);
        return kExitChartError;
    }
    ScoreRenderer renderer(tools.spriteSheet);
    renderer.setHeaderFont(tools.headerFont);
    renderer.render(*document);
    if (job.picture)
        writeChartPng(*job.picture, renderer.canvas(), parser.sourceText);
    else
        writeToStandardOutput(renderer.canvas(), parser.sourceText);
    return kExitSuccess;
}

int drawChart(const ChartJob& job, const DrawingTools& tools, Console& console)
{
    try {
        auto reader = openChart(job);
        if (!reader) {
            console.report(kChartMissingMessage, job.name);
            return kExitChartMissing;
        }
        if (const auto refusal = refusalOf(job)) {
            console.report(*refusal, job.name);
            return kExitOutputFailed;
        }
        return drawOpenedChart(job, *reader, tools, console);
    } catch (const std::exception& error) {
        console.report(pictureFailureMessage(error), job.name);
    } catch (...) {
        console.report(kUnexpectedFailureMessage, job.name);
    }
    return kExitOutputFailed;
}

} // namespace beatplate
