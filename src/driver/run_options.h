#pragma once

#include "cli/option_parser.h"

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// What the command line asks of a run of beatplate.
struct RunOptions {
    std::vector<std::string> charts; // "-" is standard input
    std::optional<std::string> output; // a picture, "-", or with several charts a directory
    std::optional<std::filesystem::path> sheet;
    unsigned jobs = 0; // 0: as many as there are processors, for several charts
    bool pause = false;
    bool help = false;
    bool version = false;
};

// The options of beatplate, each applied to options as it is read.
[[nodiscard]] std::vector<OptionSpec> runOptionTable(RunOptions& options);

// Reads the arguments after the program name; throws CommandLineError.
[[nodiscard]] RunOptions parseRunOptions(std::span<const std::string_view> arguments);

// The text of --help and of --version.
[[nodiscard]] std::string runHelpText();
[[nodiscard]] std::string runVersionText();

} // namespace beatplate
