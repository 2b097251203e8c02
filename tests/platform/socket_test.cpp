#include "platform/socket.h"

#include <gtest/gtest.h>

#include <array>
#include <cerrno>
#include <thread>

namespace beatplate {
namespace {

using namespace std::chrono_literals;

// Waits for one socket to be ready to read, at most timeout.
bool readable(const Socket& socket, std::chrono::milliseconds timeout)
{
    SocketWait wait{ socket.handle(), false, false };
    return waitForSockets(std::span(&wait, 1), timeout) == 1 && wait.ready;
}

TEST(Socket, ListensOnAPortNoOtherServerShares)
{
    const Socket listening = Socket::listenOn("127.0.0.1", 0, 8);
    ASSERT_TRUE(listening.valid());
    const int port = listening.localPort();
    EXPECT_GT(port, 0);
    AcceptStatus status = AcceptStatus::Taken;
    EXPECT_FALSE(listening.accept(status).valid());
    EXPECT_EQ(status, AcceptStatus::NothingWaiting);
    errno = 0;
    EXPECT_FALSE(Socket::listenOn("127.0.0.1", port, 8).valid());
    EXPECT_EQ(errno, EADDRINUSE);
    EXPECT_FALSE(Socket::listenOn("localhost", 0, 8).valid()); // names are never looked up
}

TEST(Socket, MovesBytesWithoutWaitingAndTellsWhenThePeerHasGone)
{
    auto [near, far] = Socket::connectedPair();
    ASSERT_TRUE(near.valid() && far.valid());
    std::array<char, 8> buffer{};
    EXPECT_EQ(far.receive(buffer.data(), buffer.size()).status, SocketStatus::WouldBlock);
    EXPECT_FALSE(readable(far, 0ms));
    ASSERT_EQ(near.send("beat", 4).bytes, 4u);
    ASSERT_TRUE(readable(far, 5s));
    const SocketTransfer got = far.receive(buffer.data(), buffer.size());
    EXPECT_EQ(got.status, SocketStatus::Done);
    EXPECT_EQ(std::string(buffer.data(), got.bytes), "beat");
    EXPECT_FALSE(far.peerHasClosed());
    near.close();
    EXPECT_TRUE(readable(far, 5s));
    EXPECT_TRUE(far.peerHasClosed());
    EXPECT_EQ(far.receive(buffer.data(), buffer.size()).status, SocketStatus::Ended);

    // A thread that waits on a socket wakes when another ends its connection, where the
    // platform can; elsewhere a cut-off connection's thread waits to its deadline.
    if (!Socket::shutdownWakesWaiters())
        GTEST_SKIP() << "a shutdown does not wake a wait under way here";
    auto [one, other] = Socket::connectedPair();
    std::thread waiter([&one] { EXPECT_TRUE(readable(one, 60s)); });
    Socket::shutdown(one.handle());
    waiter.join();
}

} // namespace
} // namespace beatplate
