#pragma once

#include "server/connection_workers.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <mutex>
#include <vector>

namespace beatplate {

// How long clients may take, and how many the server holds at once.
struct ConnectionLimits {
    // A connection must bring each request whole, head and body, within this of its opening or
    // of its last answer; past it the connection is closed.
    std::chrono::milliseconds requestTime{ 5000 };
    // The longest wait for a client to take more of its answer.
    std::chrono::milliseconds writeTimeout{ 5000 };
    // Connections open at once; past it the one that has waited longest for its request is
    // closed.
    std::size_t maxConnections = 2048;
    // Threads answering requests at once (pages listening for events hold one each).
    std::size_t maxThreads = 128;
};

// Takes the connections of a listening socket and holds them, on one thread and without a
// thread of their own, until their request head is in; then hands them to the workers. So a
// client that is idle or sends its request slowly costs a socket and its bytes, never a thread,
// and is closed at its deadline.
class ConnectionListener {
public:
    ConnectionListener(Socket listening, const ConnectionLimits& limits,
                       ConnectionWorkers::Answer answer);
    ConnectionListener(const ConnectionListener&) = delete;
    ConnectionListener& operator=(const ConnectionListener&) = delete;
    ~ConnectionListener();

    // Takes connections until stop(), then closes them and waits for the answers under way;
    // false when the listening socket failed. Returns at once when stop() came first.
    bool run();
    // Any thread.
    void stop();

private:
    // A connection back from the workers, on their threads.
    void giveBack(ClientConnection connection, bool keep);
    void wake();
    void takeReturned();
    void closeExpired(SteadyClock::time_point now);
    // Reads what the waiting connection at index sent; hands it on once its head is in. False
    // when it no longer waits there.
    bool receiveFrom(std::size_t index);
    void acceptAll(SteadyClock::time_point now);
    // Closes the waiting connection that has waited longest; false when none waits.
    bool dropOldest();
    void handOver(std::size_t index);
    void removeWaiting(std::size_t index);
    [[nodiscard]] SteadyClock::time_point nextDeadline() const;

    Socket m_listening;
    ConnectionLimits m_limits;
    Socket m_wakeReader;
    Socket m_wakeWriter;
    std::atomic<bool> m_stopping{ false };
    std::atomic<std::size_t> m_withWorkers{ 0 };
    std::vector<ClientConnection> m_waiting; // the run thread's own
    // Out of descriptors, no connection is taken until then, or until one is closed.
    SteadyClock::time_point m_acceptPausedUntil{};
    bool m_failed = false;
    std::mutex m_returnedMutex;
    std::vector<ClientConnection> m_returned;
    ConnectionWorkers m_workers; // last: its threads end before the rest
};

} // namespace beatplate
