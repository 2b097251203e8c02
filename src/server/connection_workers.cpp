#include "server/connection_workers.h"

namespace beatplate {

ConnectionWorkers::ConnectionWorkers(std::size_t maxThreads, Answer answer, GiveBack giveBack)
    : m_maxThreads(maxThreads)
    , m_answer(std::move(answer))
    , m_giveBack(std::move(giveBack))
{
}

ConnectionWorkers::~ConnectionWorkers()
{
    stop();
}

void ConnectionWorkers::take(ClientConnection connection)
{
    const std::lock_guard lock(m_mutex);
    if (m_stopping)
        return;
    m_queue.push_back(std::move(connection));
    m_arrived.notify_one();
    if (m_queue.size() <= m_idle + m_cutOff)
        return;
    if (m_workers.size() < m_maxThreads) {
        auto& worker = *m_workers.emplace_back(std::make_unique<Worker>(*this));
        worker.thread = std::thread([this, &worker] { work(worker); });
        return;
    }
    // The thread freed takes the connection that has waited longest in the queue; when no
    // thread waits on its client yet, the first to begin to is cut off.
    static_cast<void>(cutOffSlowestLocked());
}

void ConnectionWorkers::cutOffForQueued()
{
    const std::lock_guard lock(m_mutex);
    if (m_queue.size() > m_idle + m_cutOff)
        static_cast<void>(cutOffSlowestLocked());
}

bool ConnectionWorkers::cutOffSlowestLocked()
{
    Worker* slowest = nullptr;
    for (const auto& worker : m_workers) {
        if (worker->socket == Socket::kNone || worker->cutOff || !worker->wait.waiting())
            continue;
        if (slowest == nullptr || worker->since < slowest->since)
            slowest = worker.get();
    }
    if (slowest == nullptr)
        return false;
    // The socket stays open until its worker lets it go, under the lock held here.
    Socket::shutdown(slowest->socket);
    slowest->wait.wake();
    slowest->cutOff = true;
    ++m_cutOff;
    return true;
}

void ConnectionWorkers::work(Worker& worker)
{
    for (;;) {
        ClientConnection connection;
        {
            std::unique_lock lock(m_mutex);
            ++m_idle;
            m_arrived.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            --m_idle;
            if (m_queue.empty())
                return;
            connection = std::move(m_queue.front());
            m_queue.pop_front();
            worker.socket = connection.socket.handle();
            worker.since = connection.since;
            worker.cutOff = false;
            // A wake is sent under this lock, only to a thread serving a connection.
            worker.wait.forgetWake();
        }
        const bool keep = m_answer(connection, worker.wait);
        {
            const std::lock_guard lock(m_mutex);
            worker.socket = Socket::kNone;
            if (worker.cutOff)
                --m_cutOff;
        }
        m_giveBack(std::move(connection), keep);
    }
}

void ConnectionWorkers::stop()
{
    std::vector<std::unique_ptr<Worker>> workers;
    {
        const std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_queue.clear();
        while (cutOffSlowestLocked()) { }
        workers.swap(m_workers);
    }
    m_arrived.notify_all();
    for (const auto& worker : workers)
        worker->thread.join();
}

} // namespace beatplate
