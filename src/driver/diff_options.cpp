#include "driver/diff_options.h"

#include "base/utf8_path.h"
#include "driver/run_options.h"
#include "driver/run_paths.h"

#include <vector>

namespace beatplate {

static std::vector<OptionSpec> diffOptionTable(DiffOptions& options)
{
    std::vector<OptionSpec> table{
        { 'o', "output", "PATH",
          "the marked picture's path when it ends in .png;\n"
          "else the directory for NEW-diff.png, made when missing",
          [&](std::string_view path) { options.output = std::string(path); } },
        { '\0', "no-picture", "", "print what differs; draw no picture",
          [&](std::string_view) { options.drawsPicture = false; } },
        { '\0', "json", "", "print what differs as JSON",
          [&](std::string_view) { options.format = DiffFormat::Json; } },
    };
    appendDrawingOptions(
        table, { options.encoding, options.quiet, options.sheet, options.font, options.form });
    appendCommonOptions(table, options.common);
    return table;
}

static void refuseConflicts(const DiffOptions& options)
{
    if (options.output == "-")
        throw CommandLineError("diff prints what differs on standard output; the picture "
                               "cannot go there too");
    if (!options.drawsPicture && options.output)
        throw CommandLineError("--no-picture draws no picture, so --output has no use");
    if (options.drawsPicture && !options.output && options.newChart == "-")
        throw CommandLineError("NEW is read from standard input: name the picture with -o, or "
                               "give --no-picture");
}

DiffOptions parseDiffOptions(std::span<const std::string_view> arguments)
{
    DiffOptions options;
    const auto table = diffOptionTable(options);
    const auto operands = parseCommandLine(table, arguments);
    if (options.common.info != InfoRequest::None)
        return options;
    if (operands.size() < 2)
        throw CommandLineError(operands.empty() ? "missing OLD and NEW charts"
                                                : "missing NEW chart after '" + operands[0] + "'");
    if (operands.size() > 2)
        throw CommandLineError("extra operand '" + operands[2] + "' (OLD and NEW only)");
    if (operands[0] == "-" && operands[1] == "-")
        throw CommandLineError("OLD and NEW cannot both be read from standard input");
    options.oldChart = operands[0];
    options.newChart = operands[1];
    refuseConflicts(options);
    return options;
}

std::filesystem::path diffPicturePath(const DiffOptions& options)
{
    if (options.output && !outputIsDirectory(*options.output))
        return utf8Path(*options.output);
    const std::filesystem::path beside = outputPathFor(utf8Path(options.newChart));
    const std::filesystem::path name = beside.stem().concat("-diff.png");
    if (options.output)
        return utf8Path(*options.output) / name;
    return beside.parent_path() / name;
}

std::string diffHelpText()
{
    DiffOptions unused;
    return "Usage: beatplate diff [OPTION]... OLD NEW\n"
           "Compare two versions of a chart, each a chart or a picture that carries\n"
           "one. Draw NEW's picture with every measure that differs marked (a yellow\n"
           "band: changed, green: added; a red tag with the count where measures\n"
           "were removed) as NEW-diff.png beside NEW, and print what differs on\n"
           "standard output. Measures are matched by their contents and their time,\n"
           "so a measure inserted marks that measure alone.\n"
           "\n"
        + optionHelp(diffOptionTable(unused))
        + "\n"
          "With git:\n"
          "  git difftool -y -x 'beatplate diff -o \"${BASE%.*}-diff.png\"' -- song.txt\n"
          "\n"
          "Exit status:\n"
          "  0  the charts are the same (they play and draw alike)\n"
          "  1  the charts differ\n"
          "  2  a chart cannot be opened or read, or has an error\n"
          "  3  the picture cannot be written, or the sprite sheet cannot be read\n"
          "  4  the command line is wrong\n"
          "\n"
          "Full documentation: man beatplate\n"
          "  (in the source tree: man -l man/beatplate.1)\n";
}

} // namespace beatplate
