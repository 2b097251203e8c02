#include "driver/run_options.h"

#include <charconv>

namespace beatplate {

namespace {

// The build gives the project's version.
constexpr std::string_view kVersion = BEATPLATE_VERSION;
// More threads than this would only wait for one another and hold a picture each in memory.
constexpr unsigned kMaxJobs = 1024;

} // namespace

static unsigned parseJobs(std::string_view text)
{
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc() || end != text.data() + text.size() || jobs == 0 || jobs > kMaxJobs)
        throw CommandLineError("invalid number of jobs: '" + std::string(text) + "'");
    return jobs;
}

std::vector<OptionSpec> runOptionTable(RunOptions& options)
{
    return {
        { 'o', "output", "PATH",
          "the picture's path, - for standard output;\n"
          "with several charts, the directory for the pictures",
          [&](std::string_view path) { options.output = std::string(path); } },
        { 'j', "jobs", "N", "draw N charts at once (default: one per processor)",
          [&](std::string_view jobs) { options.jobs = parseJobs(jobs); } },
        { '\0', "sheet", "FILE", "draw with the sprite sheet FILE",
          [&](std::string_view file) { options.sheet = std::filesystem::path(file); } },
        { '\0', "pause", "", "after a message, wait for Enter on the terminal",
          [&](std::string_view) { options.pause = true; } },
        { 'h', "help", "", "show this help and exit",
          [&](std::string_view) { options.help = true; } },
        { '\0', "version", "", "show the version and exit",
          [&](std::string_view) { options.version = true; } },
    };
}

RunOptions parseRunOptions(std::span<const std::string_view> arguments)
{
    RunOptions options;
    const auto table = runOptionTable(options);
    options.charts = parseCommandLine(table, arguments);
    return options;
}

std::string runHelpText()
{
    RunOptions unused;
    return "Usage: beatplate [OPTION]... CHART...\n"
           "Draw each note chart as a PNG picture of its score, beside the chart\n"
           "(song.txt gives song.png), with the chart text inside the picture.\n"
           "A CHART of - is read from standard input; its picture goes to -o, or to\n"
           "standard output.\n"
           "\n"
        + optionHelp(runOptionTable(unused))
        + "\n"
          "The sprite sheet is --sheet FILE, else pic.png beside the program, else\n"
          "../share/beatplate/pic.png from it, else the one built into the program.\n"
          "Messages go to standard error, each naming its chart in parentheses.\n"
          "\n"
          "Exit status: the highest of any chart's:\n"
          "  0  every picture was written\n"
          "  1  a chart cannot be opened\n"
          "  2  a chart has an error\n"
          "  3  a picture cannot be written, or the sprite sheet cannot be read\n"
          "  4  the command line is wrong\n"
          "\n"
          "Full documentation: man beatplate\n";
}

std::string runVersionText()
{
    return "beatplate " + std::string(kVersion) + "\n";
}

} // namespace beatplate
