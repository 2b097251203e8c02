#include "cli/option_parser.h"

#include <algorithm>

namespace beatplate {

namespace {

// Walks the arguments once; each option is applied as soon as it has been read.
class CommandLineReader {
public:
    CommandLineReader(std::span<const OptionSpec> options,
                      std::span<const std::string_view> arguments)
        : m_options(options)
        , m_arguments(arguments)
    {
    }

    std::vector<std::string> read()
    {
        bool optionsEnded = false;
        for (m_next = 0; m_next < m_arguments.size();) {
            const std::string_view argument = m_arguments[m_next++];
            if (optionsEnded || argument == "-" || !argument.starts_with('-'))
                m_operands.emplace_back(argument);
            else if (argument == "--")
                optionsEnded = true;
            else if (argument.starts_with("--"))
                readLong(argument.substr(2));
            else
                readShortGroup(argument.substr(1));
        }
        return std::move(m_operands);
    }

private:
    static std::string quoted(std::string_view text)
    {
        std::string result(1, '\'');
        result.append(text);
        return result += '\'';
    }

    static std::string longForm(std::string_view name) { return std::string("--").append(name); }

    // A long name or an unambiguous prefix of one; an exact name wins over longer ones.
    const OptionSpec& findLong(std::string_view name) const
    {
        std::vector<const OptionSpec*> found;
        for (const auto& option : m_options) {
            if (option.longName.empty() || !option.longName.starts_with(name))
                continue;
            if (option.longName == name)
                return option;
            found.push_back(&option);
        }
        if (found.size() == 1)
            return *found.front();
        if (found.empty())
            throw CommandLineError("unrecognized option " + quoted(longForm(name)));
        // The names it could stand for follow, so that the user can pick one.
        std::string message = "option " + quoted(longForm(name)) + " is ambiguous; possibilities:";
        for (const OptionSpec* option : found)
            message += " " + quoted(longForm(option->longName));
        throw CommandLineError(message);
    }

    // --name, --name=value, --name value
    void readLong(std::string_view text)
    {
        const auto equals = text.find('=');
        const OptionSpec& option = findLong(text.substr(0, equals));
        const std::string shown = longForm(option.longName);
        if (option.argumentName.empty()) {
            if (equals != std::string_view::npos)
                throw CommandLineError("option " + quoted(shown) + " doesn't allow an argument");
            return option.apply("");
        }
        if (equals != std::string_view::npos)
            return option.apply(text.substr(equals + 1));
        option.apply(takeArgument("option " + quoted(shown) + " requires an argument"));
    }

    // -x, -xy (flags together), -jN, -j N
    void readShortGroup(std::string_view text)
    {
        for (std::size_t i = 0; i < text.size(); ++i) {
            const auto found = std::find_if(m_options.begin(), m_options.end(),
                                            [&](const auto& o) { return o.shortName == text[i]; });
            if (text[i] == '\0' || found == m_options.end())
                throw CommandLineError("invalid option -- " + quoted(text.substr(i, 1)));
            if (found->argumentName.empty()) {
                found->apply("");
                continue;
            }
            if (i + 1 < text.size())
                return found->apply(text.substr(i + 1));
            return found->apply(
                takeArgument("option requires an argument -- " + quoted(text.substr(i, 1))));
        }
    }

    std::string_view takeArgument(const std::string& missingMessage)
    {
        if (m_next >= m_arguments.size())
            throw CommandLineError(missingMessage);
        return m_arguments[m_next++];
    }

    std::span<const OptionSpec> m_options;
    std::span<const std::string_view> m_arguments;
    std::size_t m_next = 0;
    std::vector<std::string> m_operands;
};

} // namespace

std::vector<std::string> parseCommandLine(std::span<const OptionSpec> options,
                                          std::span<const std::string_view> arguments)
{
    return CommandLineReader(options, arguments).read();
}

std::string optionHelp(std::span<const OptionSpec> options)
{
    constexpr std::size_t kHelpColumn = 24;
    std::string text;
    for (const auto& option : options) {
        std::string names = option.shortName != '\0' ? std::string("  -") + option.shortName + ", "
                                                     : std::string("      ");
        names.append("--").append(option.longName);
        if (!option.argumentName.empty())
            names.append("=").append(option.argumentName);
        names += names.size() + 2 <= kHelpColumn ? std::string(kHelpColumn - names.size(), ' ')
                                                 : "\n" + std::string(kHelpColumn, ' ');
        // A help text of several lines keeps every line in the help column.
        for (const char c : option.help)
            names += c == '\n' ? "\n" + std::string(kHelpColumn, ' ') : std::string(1, c);
        text += names + "\n";
    }
    return text;
}

OptionSpec helpOption(InfoRequest& info)
{
    return { 'h', "help", "", "show this help and exit",
             [&info](std::string_view) { info = InfoRequest::Help; } };
}

void appendCommonOptions(std::vector<OptionSpec>& table, CommonOptions& common)
{
    table.push_back({ '\0', "pause", "", "after a message, wait for Enter on the terminal",
                      [&common](std::string_view) { common.pause = PauseChoice::Always; } });
    table.push_back({ '\0', "no-pause", "",
                      "never wait, even in a console window that closes\n"
                      "at the end",
                      [&common](std::string_view) { common.pause = PauseChoice::Never; } });
    table.push_back(helpOption(common.info));
    table.push_back(
        { '\0', "version", "", "show the version and exit", [&common](std::string_view) {
             if (common.info != InfoRequest::Help)
                 common.info = InfoRequest::Version;
         } });
}

std::string tryHelpLine(std::string_view program)
{
    return "Try '" + std::string(program) + " --help' for more information.";
}

std::string commandLineErrorMessage(std::string_view program, const CommandLineError& error)
{
    return std::string(program) + ": " + error.what() + "\n" + tryHelpLine(program);
}

} // namespace beatplate
