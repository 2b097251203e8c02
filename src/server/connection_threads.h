#pragma once

#include <condition_variable>
#include <cstddef>
#include <deque>
#include <functional>
#include <httplib.h>
#include <mutex>
#include <thread>
#include <vector>

namespace beatplate {

// The server's task queue: each connection is served on a thread of its own, so that a client
// that holds a connection open (idle, slow, or listening for events) never keeps another
// waiting. Past maxThreads connections at once, new ones wait for a thread to come free.
class ConnectionThreads : public httplib::TaskQueue {
public:
    explicit ConnectionThreads(std::size_t maxThreads);
    ConnectionThreads(const ConnectionThreads&) = delete;
    ConnectionThreads& operator=(const ConnectionThreads&) = delete;
    ~ConnectionThreads() override;

    void enqueue(std::function<void()> task) override;
    // Waits until every connection taken has been served.
    void shutdown() override;

private:
    void serve(std::function<void()> task);

    std::size_t m_maxThreads;
    std::mutex m_mutex;
    std::condition_variable m_finished;
    std::deque<std::function<void()>> m_waiting;
    std::size_t m_running = 0;
    std::vector<std::thread> m_threads;
    std::vector<std::thread::id> m_done; // threads that have ended, to be joined
};

} // namespace beatplate
