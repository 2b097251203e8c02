#include "cli/option_parser.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace beatplate {
namespace {

using testing::StrEq;
using testing::ThrowsMessage;

// Every option applied, in order, as "name=value".
struct Recorded {
    std::vector<std::string> applied;
    std::vector<std::string> operands;

    bool operator==(const Recorded&) const = default;
};

Recorded parse(const std::vector<std::string_view>& arguments)
{
    Recorded recorded;
    const auto record = [&](std::string name) {
        return [&recorded, name](std::string_view value) {
            recorded.applied.push_back(name + "=" + std::string(value));
        };
    };
    const std::vector<OptionSpec> options{
        { 'o', "output", "PATH", "", record("output") }, { 'j', "jobs", "N", "", record("jobs") },
        { 'q', "quiet", "", "", record("quiet") },       { '\0', "utf8", "", "", record("utf8") },
        { '\0', "utf16", "", "", record("utf16") },      { '\0', "pause", "", "", record("pause") },
    };
    recorded.operands = parseCommandLine(options, arguments);
    return recorded;
}

TEST(OptionParser, ReadsTheGnuForms)
{
    const struct {
        std::vector<std::string_view> arguments;
        Recorded expected;
    } cases[] = {
        { { "a.txt", "b.txt" }, { {}, { "a.txt", "b.txt" } } },
        { { "-o", "x.png", "a" }, { { "output=x.png" }, { "a" } } },
        { { "-ox.png", "a" }, { { "output=x.png" }, { "a" } } },
        { { "--output=x.png" }, { { "output=x.png" }, {} } },
        { { "--output", "-", "a" }, { { "output=-" }, { "a" } } },
        { { "--output=" }, { { "output=" }, {} } },
        { { "-qj2" }, { { "quiet=", "jobs=2" }, {} } }, // flags bundled, the last takes the rest
        { { "-qj", "2" }, { { "quiet=", "jobs=2" }, {} } },
        { { "a", "-q", "b" }, { { "quiet=" }, { "a", "b" } } }, // options after operands
        { { "-", "--pa" }, { { "pause=" }, { "-" } } }, // a lone "-" and a shortened name
        { { "--utf8" }, { { "utf8=" }, {} } }, // an exact name beats a longer one
        { { "--", "-q", "--jobs" }, { {}, { "-q", "--jobs" } } },
        { { "-o", "--", "a" }, { { "output=--" }, { "a" } } }, // an argument may look like "--"
    };
    for (const auto& [arguments, expected] : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        EXPECT_EQ(parse(arguments), expected);
    }
}

TEST(OptionParser, RefusesWhatItCannotRead)
{
    const struct {
        std::vector<std::string_view> arguments;
        const char* message;
    } cases[] = {
        { { "--nope" }, "unrecognized option '--nope'" },
        { { "--utf" }, "option '--utf' is ambiguous; possibilities: '--utf8' '--utf16'" },
        { { "-x" }, "invalid option -- 'x'" },
        { { "-qx" }, "invalid option -- 'x'" },
        { { "-j" }, "option requires an argument -- 'j'" },
        { { "a", "--jobs" }, "option '--jobs' requires an argument" },
        { { "--quiet=yes" }, "option '--quiet' doesn't allow an argument" },
    };
    for (const auto& [arguments, message] : cases) {
        SCOPED_TRACE(message);
        EXPECT_THAT([&] { (void)parse(arguments); },
                    ThrowsMessage<CommandLineError>(StrEq(message)));
    }
}

TEST(OptionParser, ListsEveryOptionInTheHelpColumn)
{
    const std::vector<OptionSpec> options{
        { 'o', "output", "PATH", "the picture\nor a directory", nullptr },
        { '\0', "pause", "", "wait for Enter", nullptr },
        { '\0', "a-very-long-option-name", "", "help", nullptr },
    };
    EXPECT_EQ(optionHelp(options),
              "  -o, --output=PATH     the picture\n"
              "                        or a directory\n"
              "      --pause           wait for Enter\n"
              "      --a-very-long-option-name\n"
              "                        help\n");
}

// beatplate and beatplate-chart take these alike: each entry sets its own flag and no other, and
// --help lists them in the words both programs print.
TEST(OptionParser, AppendsTheCommonOptions)
{
    const struct {
        std::vector<std::string_view> arguments;
        PauseChoice pause;
        InfoRequest info;
    } cases[] = {
        { { "--pause" }, PauseChoice::Always, InfoRequest::None },
        { { "--pause", "--no-pause" }, PauseChoice::Never, InfoRequest::None },
        { { "--no-pause", "--pau" }, PauseChoice::Always, InfoRequest::None },
        { { "-h" }, PauseChoice::Auto, InfoRequest::Help },
        { { "--help" }, PauseChoice::Auto, InfoRequest::Help },
        { { "--vers" }, PauseChoice::Auto, InfoRequest::Version },
        { { "--help", "--version" }, PauseChoice::Auto, InfoRequest::Help },
        { { "--version", "-h" }, PauseChoice::Auto, InfoRequest::Help },
        { { "a.txt" }, PauseChoice::Auto, InfoRequest::None },
    };
    for (const auto& [arguments, pause, info] : cases) {
        SCOPED_TRACE(testing::PrintToString(arguments));
        CommonOptions common;
        std::vector<OptionSpec> table;
        appendCommonOptions(table, common);
        (void)parseCommandLine(table, arguments);
        EXPECT_EQ(common.pause, pause);
        EXPECT_EQ(common.info, info);
    }
    CommonOptions unused;
    std::vector<OptionSpec> table;
    appendCommonOptions(table, unused);
    EXPECT_EQ(optionHelp(table),
              "      --pause           after a message, wait for Enter on the terminal\n"
              "      --no-pause        never wait, even in a console window that closes\n"
              "                        at the end\n"
              "  -h, --help            show this help and exit\n"
              "      --version         show the version and exit\n");
}

TEST(OptionParser, AnswersAWrongCommandLineByPointingAtHelp)
{
    EXPECT_EQ(commandLineErrorMessage("beatplate serve", CommandLineError("invalid option -- 'x'")),
              "beatplate serve: invalid option -- 'x'\n"
              "Try 'beatplate serve --help' for more information.");
}

} // namespace
} // namespace beatplate
