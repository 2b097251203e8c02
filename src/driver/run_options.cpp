#include "driver/run_options.h"

#include "base/utf8_path.h"
#include "driver/run_paths.h"
#include "pipeline/picture_form_options.h"

#include <algorithm>
#include <charconv>

namespace beatplate {

namespace {

// The build gives the project's version.
constexpr std::string_view kVersion = BEATPLATE_VERSION;
// More threads than this would only wait for one another and hold a picture each in memory.
constexpr unsigned kMaxJobs = 1024;

} // namespace

// --check, --stats and --watch each choose what the run does; only one of them can.
static void chooseMode(RunOptions& options, RunMode mode)
{
    if (options.mode != RunMode::Draw && options.mode != mode)
        throw CommandLineError("--check, --stats and --watch exclude one another");
    options.mode = mode;
}

static unsigned parseJobs(std::string_view text)
{
    unsigned jobs = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), jobs);
    if (error != std::errc() || end != text.data() + text.size() || jobs == 0 || jobs > kMaxJobs)
        throw CommandLineError("invalid number of jobs: '" + std::string(text) + "'");
    return jobs;
}

static int parseBranch(std::string_view text)
{
    if (text.size() != 1 || text[0] < '1' || text[0] > '3')
        throw CommandLineError("invalid branch: '" + std::string(text) + "' (1, 2 or 3)");
    return text[0] - '0';
}

ChartEncoding parseEncodingOption(std::string_view name)
{
    const auto encoding = chartEncodingNamed(name);
    if (!encoding)
        throw CommandLineError("invalid encoding: '" + std::string(name) + "' (cp932 or utf-8)");
    return *encoding;
}

std::string_view outputExtension(const RunOptions& options)
{
    return options.sound ? ".wav" : ".png";
}

// The options of the sound go with --sound, which writes no picture.
static void refuseSoundConflicts(const RunOptions& options)
{
    if (!options.sound) {
        if (options.soundChoiceGiven)
            throw CommandLineError("--metronome, --no-notes and --branch go with --sound");
        return;
    }
    if (!options.soundChoice.notes && !options.soundChoice.metronome)
        throw CommandLineError("--no-notes leaves nothing to hear without --metronome");
    if (options.mode == RunMode::Check)
        throw CommandLineError("--check writes nothing, so --sound has no use");
    if (options.drawsWithFigures)
        throw CommandLineError("--sound writes the sound in place of the picture; --draw has no "
                               "use with it");
    if (options.form.maxSize)
        throw CommandLineError("--max-size cuts pictures, and --sound draws none");
    // With --stats the columns place the measures in the figures' timeline.
    if (options.form.columns != 1 && options.mode != RunMode::Stats)
        throw CommandLineError("--columns lays out pictures, and --sound draws none");
}

// Options that contradict one another, or a chart that the mode cannot take.
static void refuseConflicts(const RunOptions& options)
{
    refuseSoundConflicts(options);
    if (options.charts.size() > 1 && options.output == "-")
        throw CommandLineError("with several charts, --output names a directory, not '-'");
    // Several pictures in one file would each replace the one before.
    if (options.charts.size() > 1 && options.output
        && !outputIsDirectory(*options.output, outputExtension(options)))
        throw CommandLineError("with several charts, --output names a directory, not the "
                               + std::string(options.sound ? "sound" : "picture") + " '"
                               + *options.output + "' (end it with / for a directory)");
    if (options.figures == FiguresFormat::Json && options.mode != RunMode::Stats)
        throw CommandLineError("--json goes with --stats");
    if (options.mode == RunMode::Check && (options.drawsWithFigures || options.output))
        throw CommandLineError("--check draws no picture, so --draw and --output have no use");
    if (options.mode != RunMode::Watch)
        return;
    if (std::find(options.charts.begin(), options.charts.end(), "-") != options.charts.end())
        throw CommandLineError("--watch follows charts in files; '-' cannot be watched");
    if (options.output == "-")
        throw CommandLineError("--watch writes "
                               + std::string(options.sound ? "sounds" : "pictures")
                               + " into files, not to '-'");
}

void appendDrawingOptions(std::vector<OptionSpec>& table, DrawingOptionTargets targets)
{
    std::vector<OptionSpec> options{
        { '\0', "encoding", "NAME",
          "read a chart without a byte-order mark as NAME,\n"
          "cp932 or utf-8 (default: UTF-8 when the chart is\n"
          "valid UTF-8, else cp932)",
          [targets](std::string_view name) { targets.encoding = parseEncodingOption(name); } },
        { 'q', "quiet", "", "show no warnings; errors are still shown",
          [targets](std::string_view) { targets.quiet = true; } },
        { '\0', "sheet", "FILE", "draw with the sprite sheet FILE",
          [targets](std::string_view file) { targets.sheet = utf8Path(file); } },
        { '\0', "font", "FILE", "write the title and difficulty with the font FILE",
          [targets](std::string_view file) { targets.font = utf8Path(file); } },
        { '\0', "columns", "N",
          "lay the rows out in N columns side by side, or auto:\n"
          "as many as show the picture largest on a 1920x1080\n"
          "screen (default: 1)",
          [targets](std::string_view columns) {
              targets.form.columns = parseColumnsOption(columns);
          } },
        { '\0', "max-size", "WxH",
          "cut a picture larger than W x H pixels at rows into\n"
          "parts NAME-1.png, NAME-2.png, ..., each with the chart",
          [targets](std::string_view size) { targets.form.maxSize = parseMaxSizeOption(size); } },
    };
    table.insert(table.end(), std::make_move_iterator(options.begin()),
                 std::make_move_iterator(options.end()));
}

std::vector<OptionSpec> runOptionTable(RunOptions& options)
{
    std::vector<OptionSpec> table{
        { '\0', "check", "",
          "read each chart and print its errors and warnings\n"
          "and a summary on standard output; draw nothing",
          [&](std::string_view) { chooseMode(options, RunMode::Check); } },
        { '\0', "stats", "",
          "print each chart's figures on standard output;\n"
          "draw nothing, unless --draw or --output is given",
          [&](std::string_view) { chooseMode(options, RunMode::Stats); } },
        { '\0', "json", "", "with --stats, print the figures as JSON",
          [&](std::string_view) { options.figures = FiguresFormat::Json; } },
        { '\0', "draw", "", "with --stats, draw the pictures as well",
          [&](std::string_view) { options.drawsWithFigures = true; } },
        { '\0', "watch", "",
          "draw each chart, then again whenever it is saved,\n"
          "until interrupted (Ctrl-C)",
          [&](std::string_view) { chooseMode(options, RunMode::Watch); } },
        { 'o', "output", "PATH",
          "the picture's path when it ends in .png, - for\n"
          "standard output; else (or ending in /) the directory\n"
          "for the pictures, made when missing",
          [&](std::string_view path) { options.output = std::string(path); } },
        { 'j', "jobs", "N",
          "use N threads: draw N charts at once, or compress\n"
          "a chart alone on N threads",
          [&](std::string_view jobs) { options.jobs = parseJobs(jobs); } },
    };
    appendDrawingOptions(
        table, { options.encoding, options.quiet, options.sheet, options.font, options.form });
    std::vector<OptionSpec> sound{
        { '\0', "sound", "",
          "write each chart's sound in place of its picture:\n"
          "a WAV file (16-bit, 44.1 kHz, mono) beside it",
          [&](std::string_view) { options.sound = true; } },
        { '\0', "metronome", "",
          "with --sound, a click on every beat, accented on\n"
          "each measure's first",
          [&](std::string_view) {
              options.soundChoice.metronome = true;
              options.soundChoiceGiven = true;
          } },
        { '\0', "no-notes", "", "with --sound, leave the notes out (with --metronome)",
          [&](std::string_view) {
              options.soundChoice.notes = false;
              options.soundChoiceGiven = true;
          } },
        { '\0', "branch", "N", "with --sound, play branch N (1 to 3; default 1)",
          [&](std::string_view branch) {
              options.soundChoice.branch = parseBranch(branch);
              options.soundChoiceGiven = true;
          } },
    };
    table.insert(table.end(), std::make_move_iterator(sound.begin()),
                 std::make_move_iterator(sound.end()));
    appendCommonOptions(table, options.common);
    return table;
}

RunOptions parseRunOptions(std::span<const std::string_view> arguments)
{
    RunOptions options;
    const auto table = runOptionTable(options);
    options.charts = parseCommandLine(table, arguments);
    refuseConflicts(options);
    return options;
}

std::string runHelpText()
{
    RunOptions unused;
    return "Usage: beatplate [OPTION]... CHART...\n"
           "  or:  beatplate serve [OPTION]... [DIR]   (see beatplate serve --help)\n"
           "  or:  beatplate lsp [OPTION]...           (see beatplate lsp --help)\n"
           "  or:  beatplate diff [OPTION]... OLD NEW  (see beatplate diff --help)\n"
           "Draw each note chart as a PNG picture of its score, beside the chart\n"
           "(song.txt gives song.png), with the chart text inside the picture.\n"
           "A CHART of - is read from standard input; its picture goes to -o, or to\n"
           "standard output.\n"
           "\n"
        + optionHelp(runOptionTable(unused))
        + "\n"
          "The sprite sheet is --sheet FILE, else pic.png beside the program, else\n"
          "../share/beatplate/pic.png from it, else the one built into the program.\n"
          "The header font is --font FILE, else a Japanese gothic face of the system.\n"
          "Messages go to standard error, each naming its chart in parentheses;\n"
          "a warning is a line CHART:LINE:COLUMN: warning: MESSAGE. Standard output\n"
          "carries only data: the lines of --check, the figures of --stats, a picture\n"
          "written to -.\n"
          "\n"
          "Examples:\n"
          "  beatplate --check song.txt\n"
          "    song.txt:4:9: warning: number is followed by other characters. (150,5)\n"
          "    song.txt: 0 errors, 1 warning\n"
          "  beatplate --stats song.txt\n"
          "    song.txt: Title\n"
          "    measures        21\n"
          "    length          29.273 s   (and the other figures)\n"
          "  beatplate --stats --json a.txt b.txt > figures.json\n"
          "    [ { \"path\": \"a.txt\", \"title\": \"Title\", \"measures\": 21, ... }, ... ]\n"
          "  beatplate --sound --metronome song.txt    (writes song.wav)\n"
          "  beatplate --watch song.txt    (until Ctrl-C, which ends with status 0)\n"
          "    drawn song.txt in 35 ms\n"
          "\n"
          "Exit status: the highest of any chart's:\n"
          "  0  every picture was written, or every chart checked has no error,\n"
          "     or a watch was interrupted\n"
          "  1  a chart cannot be opened, or with --watch its directory watched\n"
          "  2  a chart has an error\n"
          "  3  a picture cannot be written, or the sprite sheet cannot be read\n"
          "  4  the command line is wrong\n"
          "\n"
          "Full documentation: man beatplate\n"
          "  (in the source tree: man -l man/beatplate.1)\n";
}

std::string runVersionText()
{
    return "beatplate " + std::string(kVersion) + "\n";
}

} // namespace beatplate
