#include "cli/subcommand.h"

#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/option_parser.h"

#include <exception>
#include <string>

namespace beatplate {

int runSubcommand(std::string_view program, Console& console, const std::function<int()>& body)
{
    try {
        return body();
    } catch (const CommandLineError& error) {
        console.report(commandLineErrorMessage(program, error), std::nullopt);
        return kExitUsage;
    } catch (const std::exception& error) {
        console.report(std::string(program) + ": " + error.what(), std::nullopt);
        return kExitOutputFailed;
    }
}

} // namespace beatplate
