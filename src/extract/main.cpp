#include "base/text_codec.h"
#include "base/utf8_path.h"
#include "cli/console.h"
#include "cli/messages.h"
#include "cli/option_parser.h"
#include "extract/chart_chunk_reader.h"
#include "extract/chart_file_output.h"
#include "extract/extract_error.h"
#include "extract/extract_options.h"
#include "platform/files.h"
#include "platform/program_entry.h"
#include "platform/terminal.h"

#include <cerrno>
#include <cstdio>
#include <exception>
#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

namespace beatplate {

namespace {

constexpr const char* kSameFile = "画像ファイルと出力先が同じです。";
constexpr const char* kWritten = "譜面を書き出しました：";
constexpr const char* kWrittenAsUtf8 =
    "行目にShift_JISで書けない文字があるので、UTF-8で書き出します。";

} // namespace

static bool namesSameFile(const std::filesystem::path& picture, const std::filesystem::path& output)
{
    const auto first = fileIdentityOf(picture);
    return first && first == fileIdentityOf(output);
}

static void writeToStandardOutput(std::string_view bytes)
{
    errno = 0;
    if (!writeAll(kStandardOutput, bytes))
        throw ExtractError(kExtractOutputFailed, kOutputFailedMessage,
                           "standard output: "
                               + std::generic_category().message(errno != 0 ? errno : EIO));
}

// beatplate reads UTF-8 back exactly only behind a byte-order mark, which a file gets; a
// terminal or a pipe gets the plain text that other programs expect.
static std::string withMarkFor(const std::string& chart, ChartEncoding encoding, bool toFile)
{
    if (encoding != ChartEncoding::Utf8 || !toFile)
        return chart;
    return std::string(kUtf8ByteOrderMark) + chart;
}

// The chart in the encoding asked for; without one, in code page 932 unless that cannot hold it,
// so that the chart comes back as it was drawn, and then in UTF-8, said on the console.
static ChartFile chartFileOf(const std::filesystem::path& picture, const ExtractOptions& options,
                             Console& console)
{
    const std::string chunk = readChartChunk(picture);
    if (options.encoding)
        return { chartFileFromChunk(chunk, *options.encoding), *options.encoding, 0 };
    ChartFile chart = chartFileInEncodingThatHoldsIt(chunk);
    if (chart.encoding == ChartEncoding::Utf8)
        console.report("譜面の" + std::to_string(chart.firstLineBeyondCp932) + kWrittenAsUtf8,
                       options.picture, MessageKind::Warning);
    return chart;
}

static int extractChart(const ExtractOptions& options, Console& console)
{
    const bool fromStandardInput = options.picture == "-";
    const std::optional<std::string> output =
        fromStandardInput && !options.output ? "-" : options.output;
    const std::filesystem::path picture =
        fromStandardInput ? standardInputPath() : utf8Path(options.picture);
    const ChartFile file = chartFileOf(picture, options, console);
    const std::string& chart = file.bytes;
    if (output == "-") {
        writeToStandardOutput(withMarkFor(chart, file.encoding, isRegularFile(kStandardOutput)));
        return kExtractSuccess;
    }
    const std::string bytes = withMarkFor(chart, file.encoding, true);
    if (!output) {
        const auto written = writeChartBeside(picture, bytes);
        console.report(kWritten + written.string(), options.picture, MessageKind::Information);
        return kExtractSuccess;
    }
    if (!fromStandardInput && namesSameFile(picture, utf8Path(*output)))
        throw ExtractError(kExtractOutputFailed, kSameFile);
    writeChartFile(utf8Path(*output), bytes);
    console.report(kWritten + *output, options.picture, MessageKind::Information);
    return kExtractSuccess;
}

static int runExtract(const ExtractOptions& options, Console& console)
{
    if (options.picture.empty()) {
        console.report(kExtractUsageMessage + tryHelpLine("beatplate-chart"), std::nullopt);
        return kExtractPictureUnreadable;
    }
    try {
        return extractChart(options, console);
    } catch (const ExtractError& error) {
        console.report(withDetail(error.what(), error.detail()), options.picture);
        return error.status();
    } catch (const std::exception&) {
        // Only the environment fails here (memory, a missing code page conversion).
        console.report(kOutputFailedMessage, options.picture);
        return kExtractOutputFailed;
    }
}

static int printTextStatus(const std::string& text)
{
    return printText(text) ? kExtractSuccess : kExtractOutputFailed;
}

} // namespace beatplate

int beatplate::programMain(int argc, char** argv)
{
    using namespace beatplate;
    Console console(kStandardError);
    ExtractOptions options;
    try {
        const std::vector<std::string_view> arguments(argv + std::min(argc, 1), argv + argc);
        options = parseExtractOptions(arguments);
    } catch (const CommandLineError& error) {
        console.report(commandLineErrorMessage("beatplate-chart", error), std::nullopt);
        return kExtractPictureUnreadable;
    }
    if (options.common.info == InfoRequest::Help)
        return printTextStatus(extractHelpText());
    if (options.common.info == InfoRequest::Version)
        return printTextStatus(extractVersionText());
    const int status = runExtract(options, console);
    if (waitsBeforeEnding(options.common.pause, consoleFacts(), console.needsReading()))
        waitForEnterOnTerminal(kPausePrompt);
    return status;
}
