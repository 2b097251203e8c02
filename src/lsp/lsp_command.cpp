#include "lsp/lsp_command.h"

#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/option_parser.h"
#include "cli/subcommand.h"
#include "load/header_font_choice.h"
#include "load/sprite_sheet_choice.h"
#include "lsp/language_server.h"
#include "lsp/standard_byte_channel.h"
#include "pipeline/picture_sources.h"
#include "platform/terminal.h"

#include <filesystem>
#include <optional>
#include <vector>

namespace beatplate {

namespace {

constexpr std::string_view kProgramName = "beatplate lsp";

struct LspOptions {
    std::optional<std::filesystem::path> sheet;
    InfoRequest info = InfoRequest::None; // --help
};

std::vector<OptionSpec> lspOptionTable(LspOptions& options)
{
    return {
        { '\0', "stdio", "",
          "talk on standard input and output (the only way; for editors that ask)",
          [](std::string_view) {} },
        { '\0', "sheet", "FILE", "draw previews with the sprite sheet FILE",
          [&](std::string_view file) { options.sheet = std::filesystem::path(file); } },
        helpOption(options.info),
    };
}

std::string helpText()
{
    LspOptions unused;
    return "Usage: beatplate lsp [OPTION]...\n"
           "Serve the Language Server Protocol on standard input and output, for editors.\n\n"
        + optionHelp(lspOptionTable(unused));
}

} // namespace

int runLanguageServerCommand(std::span<const std::string_view> arguments, std::string_view argv0,
                             std::span<const std::uint8_t> builtInSpriteSheet)
{
    // Standard output carries the protocol: every message goes to standard error.
    Console console(kStandardError);
    return runSubcommand(kProgramName, console, [&]() -> int {
        LspOptions options;
        const auto table = lspOptionTable(options);
        const auto operands = parseCommandLine(table, arguments);
        if (!operands.empty())
            throw CommandLineError("unexpected operand: '" + operands.front() + "'");
        if (options.info == InfoRequest::Help)
            return writeAll(kStandardOutput, helpText()) ? kExitSuccess : kExitOutputFailed;
        PictureSources sources(chooseSpriteSheet(options.sheet, argv0, builtInSpriteSheet),
                               { std::nullopt, programDirectory() }, console);
        StandardByteChannel channel(console);
        return LanguageServer(channel, sources).run();
    });
}

} // namespace beatplate
