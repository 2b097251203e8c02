#include "server/connection_stream.h"

#include <gtest/gtest.h>

#include <atomic>
#include <thread>

namespace beatplate::test {
namespace {

using namespace std::chrono_literals;

// A thread cut off from a client that sends nothing must not wait for the request's deadline,
// whether or not the platform wakes a wait on a socket shut down elsewhere; a wake left over
// from a connection served before must not end the next one's wait.
TEST(ConnectionStream, AWakeEndsTheWaitOnTheClientAndAnOldWakeIsForgotten)
{
    auto [server, client] = Socket::connectedPair();
    ASSERT_TRUE(server.valid() && client.valid());
    ClientConnection connection{
        std::move(server), {}, SteadyClock::now() + 1h, SteadyClock::now()
    };
    std::atomic<int> begun = 0;
    ClientWait wait([&begun] { ++begun; });
    ASSERT_NE(wait.wakeHandle(), Socket::kNone);
    ConnectionStream stream(connection, wait, 1h);

    // Waits on the client from another thread, then does what happens while it waits.
    const auto readableAfter = [&](const auto& meanwhile) {
        const int before = begun;
        std::atomic<bool> readable = false;
        std::thread reader([&] { readable = stream.is_readable(); });
        while (begun == before)
            std::this_thread::yield();
        meanwhile();
        reader.join();
        return readable.load();
    };

    wait.wake();
    wait.forgetWake();
    EXPECT_TRUE(readableAfter([&client] { ASSERT_EQ(client.send("G", 1).bytes, 1u); }));
    char byte = 0;
    ASSERT_EQ(stream.read(&byte, 1), 1);
    EXPECT_FALSE(readableAfter([&wait] { wait.wake(); }));
}

} // namespace
} // namespace beatplate::test
