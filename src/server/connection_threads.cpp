#include "server/connection_threads.h"

#include <algorithm>

namespace beatplate {

ConnectionThreads::ConnectionThreads(std::size_t maxThreads)
    : m_maxThreads(maxThreads)
{
}

ConnectionThreads::~ConnectionThreads()
{
    shutdown();
}

void ConnectionThreads::enqueue(std::function<void()> task)
{
    const std::lock_guard lock(m_mutex);
    // Threads that have ended are joined here, so that a long-running server keeps none.
    for (const auto id : m_done) {
        const auto ended =
            std::find_if(m_threads.begin(), m_threads.end(),
                         [id](const std::thread& thread) { return thread.get_id() == id; });
        if (ended != m_threads.end()) {
            ended->join();
            m_threads.erase(ended);
        }
    }
    m_done.clear();
    if (m_running >= m_maxThreads) {
        m_waiting.push_back(std::move(task));
        return;
    }
    ++m_running;
    m_threads.emplace_back([this, first = std::move(task)]() mutable { serve(std::move(first)); });
}

void ConnectionThreads::serve(std::function<void()> task)
{
    for (;;) {
        task();
        const std::lock_guard lock(m_mutex);
        if (m_waiting.empty()) {
            --m_running;
            m_done.push_back(std::this_thread::get_id());
            m_finished.notify_all();
            return;
        }
        task = std::move(m_waiting.front());
        m_waiting.pop_front();
    }
}

void ConnectionThreads::shutdown()
{
    std::vector<std::thread> threads;
    {
        std::unique_lock lock(m_mutex);
        m_finished.wait(lock, [this] { return m_running == 0; });
        threads.swap(m_threads);
        m_done.clear();
    }
    for (auto& thread : threads)
        thread.join();
}

} // namespace beatplate
