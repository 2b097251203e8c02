#pragma once

#include "cli/pause_choice.h"

#include <functional>
#include <span>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// A command line that does not follow the program's options; what() says how, in English, as
// the C library's option parser would.
class CommandLineError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// One option of a program: its names, its argument and what it does.
struct OptionSpec {
    char shortName = '\0'; // '\0': the option has a long name only
    std::string_view longName;
    std::string_view argumentName; // empty: the option takes no argument
    std::string_view help; // one line for --help
    // Called with the argument ("" for an option without one); may throw CommandLineError.
    std::function<void(std::string_view)> apply;
};

// Reads a command line the GNU way: "-x", bundled "-xy", "-jN" and "-j N", "--name",
// "--name=value" and "--name value", a long name shortened to any prefix that names one option
// alone, options and operands in any order, "--" before operands only, and "-" as an operand.
// Returns the operands in order, after applying every option in order; throws CommandLineError.
std::vector<std::string> parseCommandLine(std::span<const OptionSpec> options,
                                          std::span<const std::string_view> arguments);

// The lines of --help that list the options, each as "  -x, --name=ARG  help".
[[nodiscard]] std::string optionHelp(std::span<const OptionSpec> options);

// What a program is asked to print instead of doing its work.
enum class InfoRequest {
    None,
    Help,
    Version,
};

// The options that beatplate and beatplate-chart share.
struct CommonOptions {
    PauseChoice pause = PauseChoice::Auto;
    InfoRequest info = InfoRequest::None;
};

// -h/--help as every program words it. Help wins over --version, wherever each stands.
[[nodiscard]] OptionSpec helpOption(InfoRequest& info);

// The entries that end the tables of beatplate and beatplate-chart alike: --pause, --no-pause,
// -h/--help and --version.
void appendCommonOptions(std::vector<OptionSpec>& table, CommonOptions& common);

// "Try 'PROGRAM --help' for more information.", the last line of a usage message.
[[nodiscard]] std::string tryHelpLine(std::string_view program);

// The answer to a wrong command line: "PROGRAM: " and what went wrong, then the line above.
[[nodiscard]] std::string commandLineErrorMessage(std::string_view program,
                                                  const CommandLineError& error);

} // namespace beatplate
