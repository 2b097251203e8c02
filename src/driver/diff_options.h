#pragma once

#include "chart/chart_text_reader.h"
#include "cli/option_parser.h"
#include "render/column_layout.h"

#include <filesystem>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace beatplate {

// How beatplate diff prints what differs.
enum class DiffFormat {
    Text,
    Json,
};

// What the command line asks of beatplate diff.
struct DiffOptions {
    std::string oldChart; // a chart or a picture that carries one; "-" is standard input
    std::string newChart;
    std::optional<std::string> output; // the picture, or the directory for it
    bool drawsPicture = true; // --no-picture: the summary alone
    DiffFormat format = DiffFormat::Text;
    std::optional<ChartEncoding> encoding; // of charts without a byte-order mark
    std::optional<std::filesystem::path> sheet;
    std::optional<std::filesystem::path> font;
    bool quiet = false;
    PictureForm form; // --columns, --max-size
    CommonOptions common;
};

// Reads the arguments after "diff"; throws CommandLineError, also for options that do not go
// together.
[[nodiscard]] DiffOptions parseDiffOptions(std::span<const std::string_view> arguments);

// The marked picture's path: beside NEW (or in the directory --output names) as NEW-diff.png,
// or --output itself when it names a picture.
[[nodiscard]] std::filesystem::path diffPicturePath(const DiffOptions& options);

// The text of beatplate diff --help.
[[nodiscard]] std::string diffHelpText();

} // namespace beatplate
