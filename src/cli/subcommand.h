#pragma once

#include <functional>
#include <string_view>

namespace beatplate {

class Console;

// Runs the body of the subcommand program ("beatplate serve") and returns its exit status. A
// CommandLineError it throws is answered as a wrong command line (kExitUsage); any other
// exception as "PROGRAM: what" (kExitOutputFailed). Both are reported on console.
[[nodiscard]] int runSubcommand(std::string_view program, Console& console,
                                const std::function<int()>& body);

} // namespace beatplate
