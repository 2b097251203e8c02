#include "driver/built_in_sprite_sheet.h"
#include "driver/diff_command.h"
#include "driver/run.h"
#include "lsp/lsp_command.h"
#include "platform/program_entry.h"
#include "server/serve_command.h"

#include <string_view>
#include <vector>

int beatplate::programMain(int argc, char** argv)
{
    if (argc > 1 && std::string_view(argv[1]) == "serve") {
        const std::vector<std::string_view> arguments(argv + 2, argv + argc);
        return beatplate::runServe(arguments, argv[0], beatplate::builtInSpriteSheet());
    }
    if (argc > 1 && std::string_view(argv[1]) == "diff") {
        const std::vector<std::string_view> arguments(argv + 2, argv + argc);
        return beatplate::runDiff(arguments, argv[0], beatplate::builtInSpriteSheet());
    }
    if (argc > 1 && std::string_view(argv[1]) == "lsp") {
        const std::vector<std::string_view> arguments(argv + 2, argv + argc);
        return beatplate::runLanguageServerCommand(arguments, argv[0],
                                                   beatplate::builtInSpriteSheet());
    }
    return beatplate::runBeatplate(argc, argv, beatplate::builtInSpriteSheet());
}
