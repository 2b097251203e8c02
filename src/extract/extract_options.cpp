#include "extract/extract_options.h"

namespace beatplate {

// The build gives the project's version.
constexpr std::string_view kVersion = BEATPLATE_VERSION;

static ChartEncoding parseEncoding(std::string_view name)
{
    if (const auto encoding = chartEncodingNamed(name))
        return *encoding;
    throw CommandLineError("invalid encoding: '" + std::string(name) + "' (cp932 or utf-8)");
}

std::vector<OptionSpec> extractOptionTable(ExtractOptions& options)
{
    std::vector<OptionSpec> table{
        { 'o', "output", "PATH", "write the chart to PATH, - for standard output",
          [&](std::string_view path) { options.output = std::string(path); } },
        { '\0', "encoding", "NAME",
          "cp932 or utf-8, even where the other would hold the\n"
          "chart (default: cp932, or utf-8 for a chart that\n"
          "cp932 cannot hold); UTF-8 gets a byte-order mark in\n"
          "a file, none on a terminal or pipe",
          [&](std::string_view name) { options.encoding = parseEncoding(name); } },
        { '\0', "utf8", "", "the same as --encoding=utf-8",
          [&](std::string_view) { options.encoding = ChartEncoding::Utf8; } },
    };
    appendCommonOptions(table, options.common);
    return table;
}

ExtractOptions parseExtractOptions(std::span<const std::string_view> arguments)
{
    ExtractOptions options;
    const auto table = extractOptionTable(options);
    auto operands = parseCommandLine(table, arguments);
    if (operands.size() == 2 && operands[1] == "-" && !options.output) {
        options.output = "-";
        operands.pop_back();
    }
    if (operands.size() > 1)
        throw CommandLineError("one picture at a time; '" + operands[1] + "' is one too many");
    if (!operands.empty())
        options.picture = operands.front();
    return options;
}

std::string extractHelpText()
{
    ExtractOptions unused;
    return "Usage: beatplate-chart [OPTION]... PICTURE\n"
           "Get the chart back out of a picture that beatplate drew. The chart is\n"
           "written beside the picture (song.png gives song.txt, or song.1.txt when\n"
           "that is taken: no file is replaced) in code page 932 with LF line ends,\n"
           "or in UTF-8 when code page 932 cannot hold it (said on standard error).\n"
           "A PICTURE of - is read from standard input; its chart goes to -o, or to\n"
           "standard output. 'beatplate-chart PICTURE -' is the same as -o -.\n"
           "\n"
        + optionHelp(extractOptionTable(unused))
        + "\n"
          "Messages go to standard error, each naming its picture in parentheses.\n"
          "\n"
          "Exit status:\n"
          "  0  the chart was written\n"
          "  1  no picture was given, the command line is wrong, or the picture\n"
          "     cannot be opened or read as a PNG\n"
          "  2  the picture holds no chart, or one that cannot be written back\n"
          "  3  the chart cannot be written\n"
          "\n"
          "Full documentation: man beatplate-chart\n"
          "  (in the source tree: man -l man/beatplate-chart.1)\n";
}

std::string extractVersionText()
{
    return "beatplate-chart " + std::string(kVersion) + "\n";
}

} // namespace beatplate
