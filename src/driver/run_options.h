#pragma once

#include "chart/chart_text_reader.h"
#include "cli/option_parser.h"
#include "render/column_layout.h"
#include "sound/stroke_scheduler.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// What a run does with its charts.
enum class RunMode {
    Draw, // a picture of each chart
    Check, // the errors and warnings of each chart, no picture
    Stats, // the figures of each chart, and the pictures only when asked for
    Watch, // a picture of each chart, then again whenever it is saved
};

// How --stats prints the figures.
enum class FiguresFormat {
    Text,
    Json,
};

// What the command line asks of a run of beatplate.
struct RunOptions {
    std::vector<std::string> charts; // "-" is standard input
    std::optional<std::string> output; // a picture, "-", or with several charts a directory
    std::optional<std::filesystem::path> sheet;
    std::optional<std::filesystem::path> font; // the header's font file, in place of the lookup
    unsigned jobs = 0; // 0: as many as there are processors, for several charts
    std::optional<ChartEncoding> encoding; // of charts without a byte-order mark
    RunMode mode = RunMode::Draw;
    FiguresFormat figures = FiguresFormat::Text;
    bool drawsWithFigures = false; // --draw: with --stats, the pictures as well
    bool quiet = false; // no warnings
    PictureForm form; // --columns, --max-size
    bool sound = false; // --sound: each chart's sound as a WAV file, in place of its picture
    SoundChoice soundChoice; // --metronome, --no-notes, --branch
    bool soundChoiceGiven = false; // any of those three
    CommonOptions common;
};

// --encoding NAME: cp932 or utf-8; throws CommandLineError.
[[nodiscard]] ChartEncoding parseEncodingOption(std::string_view name);

// What the run writes for each chart: ".png", or ".wav" with --sound.
[[nodiscard]] std::string_view outputExtension(const RunOptions& options);

// Where the options that read charts and draw pictures put what they are given: --encoding,
// -q, --sheet, --font, --columns and --max-size, which beatplate and beatplate diff share.
struct DrawingOptionTargets {
    std::optional<ChartEncoding>& encoding;
    bool& quiet;
    std::optional<std::filesystem::path>& sheet;
    std::optional<std::filesystem::path>& font;
    PictureForm& form;
};
void appendDrawingOptions(std::vector<OptionSpec>& table, DrawingOptionTargets targets);

// The options of beatplate, each applied to options as it is read.
[[nodiscard]] std::vector<OptionSpec> runOptionTable(RunOptions& options);

// Reads the arguments after the program name; throws CommandLineError, also for options that
// do not go together.
[[nodiscard]] RunOptions parseRunOptions(std::span<const std::string_view> arguments);

// The text of --help and of --version.
[[nodiscard]] std::string runHelpText();
[[nodiscard]] std::string runVersionText();

} // namespace beatplate
