#include "platform/terminal.h"

#include <gtest/gtest.h>

#include <array>
#include <string>
#include <thread>
#include <unistd.h>

namespace beatplate {
namespace {

TEST(Terminal, WritesEverythingThroughAPipeThatTakesItInParts)
{
    std::array<int, 2> pipe{};
    ASSERT_EQ(::pipe(pipe.data()), 0);
    // Far more than a pipe holds, so that the writes are partial until the reader drains it.
    std::string bytes(1 << 20, '\0');
    for (std::size_t i = 0; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>(i * 7);
    std::string got;
    std::thread reader([&got, fd = pipe[0]] {
        std::array<char, 4096> buffer{};
        for (ssize_t n; (n = ::read(fd, buffer.data(), buffer.size())) > 0;)
            got.append(buffer.data(), static_cast<std::size_t>(n));
    });
    EXPECT_TRUE(writeAll(pipe[1], bytes));
    EXPECT_FALSE(isTerminal(pipe[1]));
    EXPECT_EQ(terminalColumns(pipe[1]), std::nullopt);
    ::close(pipe[1]);
    reader.join();
    ::close(pipe[0]);
    EXPECT_EQ(got, bytes);
    EXPECT_FALSE(writeAll(-1, "x"));
    EXPECT_TRUE(writeAll(-1, "")); // nothing to write is no failure
}

} // namespace
} // namespace beatplate
