#include "driver/run.h"

#include "chart/chart_parser.h"
#include "chart/chart_text_reader.h"
#include "driver/console.h"
#include "driver/run_paths.h"
#include "output/png_writer.h"
#include "render/header_font.h"
#include "render/score_renderer.h"

#include <filesystem>
#include <memory>
#include <new>
#include <optional>
#include <stdexcept>

namespace beatplate {

namespace {

constexpr const char* kUsageMessage =
    "かんたんなつかいかた：譜面ファイルをbeatplate.exeにドラッグ＆ドロップ！";
constexpr const char* kChartMissingMessage = "ファイルが見つかりません。";
constexpr const char* kSameFileMessage =
    "譜面ファイルと出力先が同じです。　拡張子を変えてください。";
constexpr const char* kOutOfMemoryMessage = "メモリが足りなくて画像を作れません。";
constexpr const char* kCanvasTooLargeMessage = "画像が大きすぎて作れません。";
constexpr const char* kUnexpectedFailureMessage = "画像を作れませんでした。";

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

// A directory opens like a file on Linux but holds no chart.
static std::optional<ChartTextReader> openChart(const std::filesystem::path& chartPath)
{
    std::error_code error;
    if (std::filesystem::is_directory(chartPath, error))
        return std::nullopt;
    return ChartTextReader::open(chartPath);
}

static int runSequence(int argc, char** argv)
{
    if (argc < 2) {
        reportAndWait(kUsageMessage);
        return kExitSuccess;
    }
    const std::filesystem::path chartPath = argv[1];
    auto reader = openChart(chartPath);
    if (!reader) {
        reportAndWait(kChartMissingMessage);
        return kExitChartMissing;
    }
    const auto outputPath = outputPathFor(chartPath);
    if (isSameFile(chartPath, outputPath)) {
        reportAndWait(kSameFileMessage);
        return kExitOutputFailed;
    }
    ChartParser parser;
    std::unique_ptr<ChartDocument> document;
    try {
        document = parser.parse(*reader);
    } catch (const ChartParseError& error) {
        reportAndWait(error.what(), LineEnd::None);
        return kExitChartError;
    }
    // Without a usable face the header is left out and the score is still drawn.
    const auto headerFont = HeaderFont::find();
    ScoreRenderer renderer(
        findSpriteSheet(spriteSheetCandidatesFor(runningExecutablePath(), argv[0])));
    renderer.setHeaderFont(headerFont ? &*headerFont : nullptr);
    renderer.render(*document);
    writeChartPng(outputPath, renderer.canvas(), parser.sourceText);
    return kExitSuccess;
}

int runBeatplate(int argc, char** argv)
{
    try {
        return runSequence(argc, argv);
    } catch (const std::exception& error) {
        reportAndWait(pictureFailureMessage(error));
    } catch (...) {
        reportAndWait(kUnexpectedFailureMessage);
    }
    return kExitOutputFailed;
}

} // namespace beatplate
