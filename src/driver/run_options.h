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

// What the run writes for each chart: ".png", or ".wav" with --sound.
[[nodiscard]] std::string_view outputExtension(const RunOptions& options);

// The options of beatplate, each applied to options as it is read.
[[nodiscard]] std::vector<OptionSpec> runOptionTable(RunOptions& options);

// Reads the arguments after the program name; throws CommandLineError, also for options that
// do not go together.
[[nodiscard]] RunOptions parseRunOptions(std::span<const std::string_view> arguments);

// The text of --help and of --version.
[[nodiscard]] std::string runHelpText();
[[nodiscard]] std::string runVersionText();

} // namespace beatplate
