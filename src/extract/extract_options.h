#pragma once

#include "cli/option_parser.h"
#include "extract/chart_chunk_reader.h"

#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// What the command line asks of a run of beatplate-chart.
struct ExtractOptions {
    std::string picture; // "-" is standard input
    std::optional<std::string> output; // the chart's path, "-" for standard output
    // Empty: code page 932, or UTF-8 for a chart that code page 932 cannot hold.
    std::optional<ChartEncoding> encoding;
    CommonOptions common;
};

// The options of beatplate-chart, each applied to options as it is read.
[[nodiscard]] std::vector<OptionSpec> extractOptionTable(ExtractOptions& options);

// Reads the arguments after the program name: one picture, and for the form of earlier
// versions, "-" after it for standard output. Throws CommandLineError; no picture at all is
// left for the caller to answer with the usage line.
[[nodiscard]] ExtractOptions parseExtractOptions(std::span<const std::string_view> arguments);

[[nodiscard]] std::string extractHelpText();
[[nodiscard]] std::string extractVersionText();

} // namespace beatplate
