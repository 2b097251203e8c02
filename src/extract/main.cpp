#include "extract/chart_chunk_reader.h"
#include "extract/chart_file_output.h"
#include "extract/extract_error.h"

#include <cstdio>
#include <exception>
#include <string>
#include <string_view>

namespace beatplate {

constexpr const char* kUsage =
    "かんたんなつかいかた：画像ファイルをbeatplate-chartにドラッグ＆ドロップ！";
constexpr const char* kOutputFailed = "出力がなぜかできません。";

enum class Destination { BesidePicture, StandardOutput };

// Beside the picture a message waits for a key, so that a window opened by dropping a picture
// stays up; with "-" the output is a pipe's, so messages go to standard error and nothing waits.
static void report(const std::string& message, Destination destination)
{
    if (destination == Destination::StandardOutput) {
        std::fprintf(stderr, "%s\n", message.c_str());
        return;
    }
    std::printf("%s\n", message.c_str());
    std::fflush(stdout);
    std::getchar();
}

static void writeToStandardOutput(std::string_view bytes)
{
    if (std::fwrite(bytes.data(), 1, bytes.size(), stdout) != bytes.size()
        || std::fflush(stdout) != 0)
        throw ExtractError(kExtractOutputFailed, kOutputFailed);
}

static int extractChart(const char* picture, Destination destination)
{
    try {
        const std::string chart = chartFileFromChunk(readChartChunk(picture));
        if (destination == Destination::StandardOutput) {
            writeToStandardOutput(chart);
            return kExtractSuccess;
        }
        const auto written = writeChartBeside(picture, chart);
        std::printf("譜面を書き出しました：%s\n", written.c_str());
        return kExtractSuccess;
    } catch (const ExtractError& error) {
        report(error.what(), destination);
        return error.status();
    } catch (const std::exception&) {
        // Only the environment fails here (memory, a missing code page conversion).
        report(kOutputFailed, destination);
        return kExtractOutputFailed;
    }
}

} // namespace beatplate

int main(int argc, char** argv)
{
    using namespace beatplate;
    const bool toStandardOutput = argc == 3 && std::string_view(argv[2]) == "-";
    if (argc != 2 && !toStandardOutput) {
        report(kUsage, Destination::BesidePicture);
        return kExtractPictureUnreadable;
    }
    return extractChart(
        argv[1], toStandardOutput ? Destination::StandardOutput : Destination::BesidePicture);
}
