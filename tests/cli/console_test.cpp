#include "cli/console.h"
#include "cli/exit_status.h"
#include "cli/option_parser.h"
#include "cli/subcommand.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <fcntl.h>
#include <functional>
#include <stdexcept>
#include <thread>
#include <unistd.h>
#include <vector>

namespace beatplate {
namespace {

TEST(Console, NamesTheFileAfterTheFirstLineOfAMessage)
{
    const struct {
        const char* message;
        std::optional<std::string_view> subject;
        const char* printed;
    } cases[] = {
        { "ファイルが見つかりません。", "a b.txt", "ファイルが見つかりません。 (a b.txt)\n" },
        { "読み込み時にエラーが発生しました: 3行\nparse error.", "c.txt",
          "読み込み時にエラーが発生しました: 3行 (c.txt)\nparse error.\n" },
        { "one line\n", "x", "one line (x)\n" }, // a message's own line break is not doubled
        { "usage\nhint", std::nullopt, "usage\nhint\n" },
        { "empty name", "", "empty name ()\n" },
    };
    for (const auto& [message, subject, printed] : cases)
        EXPECT_EQ(formatMessage(message, subject), printed);
}

TEST(Console, FitsTextToTheTerminalWithoutCuttingACharacter)
{
    const struct {
        const char* text;
        std::size_t columns;
        const char* fitted;
    } cases[] = {
        { "abc", 3, "abc" },
        { "abcd", 3, "abc" },
        { "譜面abc", 4, "譜面" }, // kana and kanji take two columns
        { "譜面abc", 3, "譜" },
        { "aé", 2, "aé" }, // é takes one
        { "a\xe8\xad", 5, "a" }, // a character cut short at the end is left out
        { "", 0, "" },
    };
    for (const auto& [text, columns, fitted] : cases)
        EXPECT_EQ(fitToColumns(text, columns), fitted) << text << " " << columns;
}

// The bytes a console wrote to a pipe.
std::string drain(int fd)
{
    std::string text;
    std::array<char, 4096> buffer{};
    for (ssize_t got; (got = ::read(fd, buffer.data(), buffer.size())) > 0;)
        text.append(buffer.data(), static_cast<std::size_t>(got));
    return text;
}

TEST(Console, KeepsTheProgressLineBelowTheMessages)
{
    std::array<int, 2> fds{};
    ASSERT_EQ(::pipe2(fds.data(), O_CLOEXEC), 0);
    test::FileDescriptor readEnd(fds[0]);
    {
        test::FileDescriptor writeEnd(fds[1]);
        Console console(writeEnd.get(), ProgressDisplay::InPlace);
        console.showProgress("1/2");
        console.report("info", "a.txt", MessageKind::Information);
        EXPECT_FALSE(console.needsReading());
        console.report("odd", std::nullopt, MessageKind::Warning);
        EXPECT_TRUE(console.needsReading());
        console.report("bad", "b.txt");
        console.clearProgress();
    }
    EXPECT_EQ(drain(readEnd.get()),
              "\r\x1b[K1/2\r\x1b[Kinfo (a.txt)\n1/2\r\x1b[Kodd\n1/2\r\x1b[Kbad "
              "(b.txt)\n1/2\r\x1b[K");
}

TEST(Console, WritesNoProgressWhenItIsOff)
{
    std::array<int, 2> fds{};
    ASSERT_EQ(::pipe2(fds.data(), O_CLOEXEC), 0);
    test::FileDescriptor readEnd(fds[0]);
    {
        test::FileDescriptor writeEnd(fds[1]);
        Console console(writeEnd.get());
        console.showProgress("1/2");
        console.report("bad", "b.txt");
        console.clearProgress();
    }
    EXPECT_EQ(drain(readEnd.get()), "bad (b.txt)\n");
}

TEST(Console, KeepsTheLinesOfThreadsWhole)
{
    std::array<int, 2> fds{};
    ASSERT_EQ(::pipe2(fds.data(), O_CLOEXEC), 0);
    test::FileDescriptor readEnd(fds[0]);
    std::string message(1000, 'm');
    std::string text;
    {
        test::FileDescriptor writeEnd(fds[1]);
        Console console(writeEnd.get());
        // The reader keeps the pipe from filling while eight threads write 50 lines each.
        std::thread reader([&] { text = drain(readEnd.get()); });
        {
            std::vector<std::jthread> writers;
            for (int i = 0; i < 8; ++i)
                writers.emplace_back([&] {
                    for (int line = 0; line < 50; ++line)
                        console.report(message, "x");
                });
        }
        writeEnd.reset();
        reader.join();
    }
    const std::string line = message + " (x)\n";
    ASSERT_EQ(text.size(), 400 * line.size());
    for (std::size_t at = 0; at < text.size(); at += line.size())
        ASSERT_EQ(text.compare(at, line.size(), line), 0) << "line at byte " << at;
}

TEST(Console, TurnsWhatASubcommandThrowsIntoAMessageAndAStatus)
{
    const struct {
        std::function<int()> body;
        int status;
        const char* printed;
    } cases[] = {
        { [] { return 2; }, 2, "" },
        { []() -> int { throw CommandLineError("invalid port: '0x'"); }, kExitUsage,
          "beatplate serve: invalid port: '0x'\nTry 'beatplate serve --help' for more "
          "information.\n" },
        { []() -> int { throw std::runtime_error("no memory"); }, kExitOutputFailed,
          "beatplate serve: no memory\n" },
    };
    for (const auto& [body, status, printed] : cases) {
        std::array<int, 2> fds{};
        ASSERT_EQ(::pipe2(fds.data(), O_CLOEXEC), 0);
        test::FileDescriptor readEnd(fds[0]);
        {
            test::FileDescriptor writeEnd(fds[1]);
            Console console(writeEnd.get());
            EXPECT_EQ(runSubcommand("beatplate serve", console, body), status);
        }
        EXPECT_EQ(drain(readEnd.get()), printed);
    }
}

} // namespace
} // namespace beatplate
