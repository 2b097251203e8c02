#include "platform/file_watcher.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <chrono>
#include <csignal>
#include <filesystem>
#include <future>
#include <pthread.h>
#include <system_error>
#include <thread>
#include <vector>

namespace beatplate {
namespace {

using namespace std::chrono_literals;
using Paths = std::vector<std::filesystem::path>;

// How long the watcher gathers changes after a first one.
constexpr auto kWindow = 300ms;

// Waits as the watcher does, but stops it after a long while, so that a watcher that misses a
// change fails the test instead of hanging it.
Paths waitForChanges(FileWatcher& watcher)
{
    std::promise<void> done;
    std::thread watchdog([&watcher, finished = done.get_future()] {
        if (finished.wait_for(test::kPatience) == std::future_status::timeout)
            watcher.stop();
    });
    Paths changed = watcher.waitForChanges(kWindow);
    done.set_value();
    watchdog.join();
    return changed;
}

struct WatchedPair {
    test::TempDir dir;
    Paths files{ dir / "a.txt", dir / "b.txt" };
    FileWatcher watcher{ files };
};

TEST(FileWatcher, ReportsAFileWrittenAndOneRenamedOverIt)
{
    WatchedPair pair;
    test::writeFile(pair.files[0], "o\n");
    EXPECT_EQ(waitForChanges(pair.watcher), Paths{ pair.files[0] });

    // Saved the way many editors save: a new file beside it, renamed over it.
    test::writeFile(pair.dir / ".b.txt.swp", "x\n");
    test::writeFile(pair.dir / "c.txt", "unwatched\n");
    std::filesystem::rename(pair.dir / ".b.txt.swp", pair.files[1]);
    EXPECT_EQ(waitForChanges(pair.watcher), Paths{ pair.files[1] });
}

TEST(FileWatcher, WatchesEveryFileOfADirectory)
{
    const test::TempDir dir;
    auto watcher = FileWatcher::forDirectory(dir.path());
    // Files made after the watch began, one renamed into place: each once, in order.
    test::writeFile(dir / "new.txt", "o\n");
    test::writeFile(dir / ".swap", "x\n");
    std::filesystem::rename(dir / ".swap", dir / "b.txt");
    test::writeFile(dir / "new.txt", "oo\n");
    EXPECT_EQ(waitForChanges(watcher), (Paths{ dir / "new.txt", dir / ".swap", dir / "b.txt" }));
    std::filesystem::create_directory(dir / "sub");
    test::writeFile(dir / "sub" / "deep.txt", "o\n");
    test::writeFile(dir / "c.txt", "o\n");
    EXPECT_EQ(waitForChanges(watcher), Paths{ dir / "c.txt" });
}

TEST(FileWatcher, FollowsALinkToAFileElsewhere)
{
    const test::TempDir dir;
    std::filesystem::create_directory(dir / "songs");
    test::writeFile(dir / "songs" / "a.txt", "o\n");
    std::filesystem::create_symlink("songs/a.txt", dir / "link.txt");
    const Paths files{ dir / "link.txt" };
    FileWatcher watcher(files);
    test::writeFile(dir / "link.txt", "x\n");
    EXPECT_EQ(waitForChanges(watcher), files);
}

TEST(FileWatcher, CoalescesABurstIntoOneChange)
{
    WatchedPair pair;
    // A burst made before the wait, however slowly the machine makes it, is one change; a write
    // after the wait has told it is the next one.
    for (int i = 0; i < 5; ++i)
        test::writeFile(pair.files[0], "o\n");
    test::writeFile(pair.files[1], "x\n");
    EXPECT_EQ(waitForChanges(pair.watcher), pair.files);
    test::writeFile(pair.files[1], "x\n");
    EXPECT_EQ(waitForChanges(pair.watcher), Paths{ pair.files[1] });
}

TEST(FileWatcher, StopsWhenAskedFromAnotherThread)
{
    WatchedPair pair;
    std::thread stopper([&pair] {
        std::this_thread::sleep_for(50ms);
        pair.watcher.stop();
    });
    EXPECT_EQ(waitForChanges(pair.watcher), Paths{});
    stopper.join();
    // Stopped stays stopped, also with a change waiting.
    test::writeFile(pair.files[0], "o\n");
    EXPECT_EQ(waitForChanges(pair.watcher), Paths{});
}

FileWatcher* signalledWatcher = nullptr;

extern "C" void stopSignalledWatcher(int)
{
    signalledWatcher->stop();
}

TEST(FileWatcher, StopsFromASignalHandler)
{
    WatchedPair pair;
    signalledWatcher = &pair.watcher;
    struct sigaction action { };
    action.sa_handler = stopSignalledWatcher;
    struct sigaction previous { };
    ASSERT_EQ(::sigaction(SIGUSR1, &action, &previous), 0);
    // The signal interrupts the wait itself, which must not take that for a failure.
    std::thread signaller([waiter = ::pthread_self()] {
        std::this_thread::sleep_for(50ms);
        ::pthread_kill(waiter, SIGUSR1);
    });
    EXPECT_EQ(waitForChanges(pair.watcher), Paths{});
    signaller.join();
    ::sigaction(SIGUSR1, &previous, nullptr);
}

TEST(FileWatcher, FollowsItsDirectoryByPathWhenItGoesAndComesBack)
{
    for (const bool renamed : { true, false }) {
        SCOPED_TRACE(renamed ? "renamed" : "removed");
        const test::TempDir dir;
        const auto charts = dir / "charts";
        std::filesystem::create_directory(charts);
        test::writeFile(charts / "a.txt", "o\n");
        const Paths files{ charts / "a.txt" };
        FileWatcher watcher(files);
        auto whole = FileWatcher::forDirectory(charts);
        if (renamed)
            std::filesystem::rename(charts, dir / "charts.old");
        else
            std::filesystem::remove_all(charts);
        // Gone with its directory, the file is missing: that is a change worth telling.
        EXPECT_EQ(waitForChanges(watcher), files);
        std::filesystem::create_directory(charts);
        test::writeFile(charts / "a.txt", "x\n");
        EXPECT_EQ(waitForChanges(watcher), files);
        // A directory watched whole comes back as itself: any file in it may be new.
        EXPECT_EQ(waitForChanges(whole), Paths{ charts });
        if (renamed)
            test::writeFile(dir / "charts.old" / "a.txt", "moved away\n");
        test::writeFile(charts / "b.txt", "o\n");
        EXPECT_EQ(waitForChanges(whole), Paths{ charts / "b.txt" });
        test::writeFile(charts / "a.txt", "o\n");
        EXPECT_EQ(waitForChanges(watcher), files);
    }
}

TEST(FileWatcher, RefusesADirectoryThatIsNotThere)
{
    const test::TempDir dir;
    const Paths files{ dir / "missing" / "a.txt" };
    EXPECT_THROW(FileWatcher{ files }, std::system_error);
}

} // namespace
} // namespace beatplate
