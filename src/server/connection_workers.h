#pragma once

#include "server/connection_stream.h"

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

namespace beatplate {

// The threads that answer requests: each takes a connection whose request head is in, answers
// it there, and hands the connection back for its next request. They are started as they are
// needed, up to maxThreads; while every one is busy and connections wait for one, the oldest
// connection of those whose threads wait on their clients (for a body sent slowly, or an answer
// not read) is cut off, so that the next connection takes its thread.
class ConnectionWorkers {
public:
    // Answers the request in connection's bytes on the thread it is called on; true when the
    // connection may carry another request.
    using Answer = std::function<bool(ClientConnection& connection, ClientWait& wait)>;
    // Takes a connection back after its answer, to wait for its next request or be closed.
    using GiveBack = std::function<void(ClientConnection connection, bool keep)>;

    ConnectionWorkers(std::size_t maxThreads, Answer answer, GiveBack giveBack);
    ConnectionWorkers(const ConnectionWorkers&) = delete;
    ConnectionWorkers& operator=(const ConnectionWorkers&) = delete;
    ~ConnectionWorkers();

    void take(ClientConnection connection);
    // Cuts off the clients the threads wait on, lets the answers under way end and waits for
    // the threads; connections not yet taken are closed.
    void stop();

private:
    struct Worker {
        explicit Worker(ConnectionWorkers& owner)
            : wait([&owner] { owner.cutOffForQueued(); })
        {
        }

        std::thread thread;
        ClientWait wait;
        // Of the connection served, under m_mutex.
        Socket::Handle socket = Socket::kNone;
        SteadyClock::time_point since;
        bool cutOff = false;
    };

    void work(Worker& worker);
    // Cuts off the slowest client while connections wait for a thread.
    void cutOffForQueued();
    // Ends the oldest connection of those whose threads wait on their clients; false when no
    // thread waits on one.
    bool cutOffSlowestLocked();

    std::size_t m_maxThreads;
    Answer m_answer;
    GiveBack m_giveBack;
    std::mutex m_mutex;
    std::condition_variable m_arrived;
    std::deque<ClientConnection> m_queue;
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::size_t m_idle = 0;
    std::size_t m_cutOff = 0; // threads whose client was cut off, soon free
    bool m_stopping = false;
};

} // namespace beatplate
