#include "platform/stop_on_interrupt.h"
#include "platform/temporary_file.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>

namespace beatplate {
namespace {

// In a child: keeps a named file and reports "s" on fd at each stop, until a signal ends it.
[[noreturn]] void stopOnInterruptsUntilKilled(const std::filesystem::path& target, int fd)
{
    StopOnInterrupt stopper;
    TemporaryFile file(target, TemporaryFileKind::Named);
    std::atomic<bool> stopped{ false };
    stopper.watch([&stopped, fd] {
        if (!stopped.exchange(true))
            static_cast<void>(::write(fd, "s", 1));
    });
    static_cast<void>(::write(fd, "r", 1));
    for (;;)
        ::pause();
}

TEST(StopOnInterrupt, StopsOnTheFirstInterruptAndEndsTheProcessOnTheSecond)
{
    for (const int signalNumber : { SIGINT, SIGTERM }) {
        SCOPED_TRACE(strsignal(signalNumber));
        const test::TempDir dir;
        std::array<int, 2> pipe{};
        ASSERT_EQ(::pipe(pipe.data()), 0);
        const pid_t child = ::fork();
        ASSERT_GE(child, 0);
        if (child == 0)
            stopOnInterruptsUntilKilled(dir / "picture.png", pipe[1]);
        ::close(pipe[1]);
        std::array<char, 2> got{};
        ASSERT_EQ(::read(pipe[0], &got[0], 1), 1);
        EXPECT_EQ(test::listDirectory(dir.path()).size(), 1u); // the hidden file while written
        ::kill(child, signalNumber);
        ASSERT_EQ(::read(pipe[0], &got[1], 1), 1);
        EXPECT_EQ(std::string(got.data(), 2), "rs");
        ::kill(child, signalNumber);
        int status = 0;
        ASSERT_EQ(::waitpid(child, &status, 0), child);
        ::close(pipe[0]);
        EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == signalNumber) << status;
        EXPECT_TRUE(test::listDirectory(dir.path()).empty()); // the second interrupt left nothing
    }
}

TEST(StopOnInterrupt, GivesInterruptsBackWhenItEnds)
{
    sigset_t before;
    ASSERT_EQ(::pthread_sigmask(SIG_SETMASK, nullptr, &before), 0);
    {
        StopOnInterrupt stopper;
        stopper.watch([] {});
        sigset_t during;
        ASSERT_EQ(::pthread_sigmask(SIG_SETMASK, nullptr, &during), 0);
        EXPECT_EQ(sigismember(&during, SIGINT), 1);
        stopper.finish();
    }
    sigset_t after;
    ASSERT_EQ(::pthread_sigmask(SIG_SETMASK, nullptr, &after), 0);
    EXPECT_EQ(sigismember(&after, SIGINT), sigismember(&before, SIGINT));
    EXPECT_EQ(sigismember(&after, SIGTERM), sigismember(&before, SIGTERM));
}

} // namespace
} // namespace beatplate
