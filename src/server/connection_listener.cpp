#include "server/connection_listener.h"

#include <algorithm>
#include <array>
#include <string_view>

namespace beatplate {

namespace {

// A request head longer than this is refused; the HTTP library takes lines of 8 KiB at most.
constexpr std::size_t kMaxHeadBytes = std::size_t{ 16 } * 1024;
constexpr std::size_t kReceiveBytes = 4096;
// Connections taken in one round, so that those already held are read in between.
constexpr int kAcceptsPerRound = 64;
// Out of descriptors with none to free, accepting is tried again this much later.
constexpr std::chrono::milliseconds kAcceptPause{ 100 };
constexpr std::string_view kHeadEnd = "\r\n\r\n";
constexpr std::string_view kHeadTooLong = "HTTP/1.1 431 Request Header Fields Too Large\r\n"
                                          "Connection: close\r\nContent-Length: 0\r\n\r\n";
constexpr std::string_view kTimedOut = "HTTP/1.1 408 Request Timeout\r\n"
                                       "Connection: close\r\nContent-Length: 0\r\n\r\n";

} // namespace

// True when bytes hold a whole request head.
static bool holdsHead(const std::string& bytes)
{
    return bytes.find(kHeadEnd) != std::string::npos;
}

// Says why a connection is closed, when it can be said at once; a client that waits for its
// answer then learns it.
static void sayBeforeClosing(const ClientConnection& connection, std::string_view answer)
{
    static_cast<void>(connection.socket.send(answer.data(), answer.size()));
}

ConnectionListener::ConnectionListener(Socket listening, const ConnectionLimits& limits,
                                       ConnectionWorkers::Answer answer)
    : m_listening(std::move(listening))
    , m_limits(limits)
    , m_workers(
          limits.maxThreads, std::move(answer),
          [this](ClientConnection connection, bool keep) { giveBack(std::move(connection), keep); })
{
    std::tie(m_wakeReader, m_wakeWriter) = Socket::connectedPair();
}

ConnectionListener::~ConnectionListener()
{
    stop();
    m_workers.stop();
}

void ConnectionListener::stop()
{
    m_stopping = true;
    wake();
}

void ConnectionListener::wake()
{
    // A wake already unread does as well as a second one.
    static_cast<void>(m_wakeWriter.send("w", 1));
}

void ConnectionListener::giveBack(ClientConnection connection, bool keep)
{
    const auto now = SteadyClock::now();
    connection.deadline = now + m_limits.requestTime;
    connection.since = now;
    {
        const std::lock_guard lock(m_returnedMutex);
        --m_withWorkers;
        if (keep && !m_stopping)
            m_returned.push_back(std::move(connection));
    }
    wake();
}

bool ConnectionListener::run()
{
    std::vector<SocketWait> waits;
    while (!m_stopping && !m_failed) {
        takeReturned();
        const auto now = SteadyClock::now();
        closeExpired(now);
        const bool accepting = now >= m_acceptPausedUntil;
        waits.assign(
            { { m_wakeReader.handle(), false, false },
              { accepting ? m_listening.handle() : m_wakeReader.handle(), false, false } });
        for (const auto& connection : m_waiting)
            waits.push_back({ connection.socket.handle(), false, false });
        const auto wait = std::chrono::ceil<std::chrono::milliseconds>(nextDeadline() - now);
        if (waitForSockets(waits, std::max(wait, std::chrono::milliseconds(0))) < 0) {
            m_failed = true;
            break;
        }
        if (waits[0].ready) {
            std::array<char, 64> drained{};
            while (m_wakeReader.receive(drained.data(), drained.size()).bytes > 0) { }
            // A connection given back or closed may have freed a descriptor.
            m_acceptPausedUntil = {};
        }
        // In the order they came; a connection removed moves those after it up by one.
        for (std::size_t polled = 2, index = 0; polled < waits.size(); ++polled) {
            if (!waits[polled].ready || receiveFrom(index))
                ++index;
        }
        if (accepting && waits[1].ready)
            acceptAll(SteadyClock::now());
    }
    m_waiting.clear();
    m_listening.close();
    m_workers.stop();
    return !m_failed;
}

SteadyClock::time_point ConnectionListener::nextDeadline() const
{
    // With nothing due, the loop still wakes now and then; a wake ends any wait sooner.
    auto next = SteadyClock::now() + std::chrono::minutes(1);
    if (m_acceptPausedUntil > SteadyClock::time_point{})
        next = std::min(next, m_acceptPausedUntil);
    for (const auto& connection : m_waiting)
        next = std::min(next, connection.deadline);
    return next;
}

void ConnectionListener::takeReturned()
{
    {
        const std::lock_guard lock(m_returnedMutex);
        for (auto& connection : m_returned)
            m_waiting.push_back(std::move(connection));
        m_returned.clear();
    }
    // A client may send its next request before the answer to the last: it is answered at once.
    for (std::size_t index = 0; index < m_waiting.size();) {
        if (holdsHead(m_waiting[index].received))
            handOver(index);
        else
            ++index;
    }
}

void ConnectionListener::closeExpired(SteadyClock::time_point now)
{
    for (std::size_t index = m_waiting.size(); index-- > 0;) {
        const ClientConnection& connection = m_waiting[index];
        if (connection.deadline > now)
            continue;
        // An idle connection is closed without a word, as clients expect of one kept alive.
        if (!connection.received.empty())
            sayBeforeClosing(connection, kTimedOut);
        removeWaiting(index);
    }
}

bool ConnectionListener::receiveFrom(std::size_t index)
{
    ClientConnection& connection = m_waiting[index];
    std::array<char, kReceiveBytes> buffer{};
    const SocketTransfer transfer = connection.socket.receive(buffer.data(), buffer.size());
    if (transfer.status == SocketStatus::WouldBlock)
        return true;
    if (transfer.status == SocketStatus::Done)
        connection.received.append(buffer.data(), transfer.bytes);
    if (transfer.status == SocketStatus::Done && holdsHead(connection.received)) {
        handOver(index);
        return false;
    }
    if (transfer.status == SocketStatus::Done && connection.received.size() <= kMaxHeadBytes)
        return true;
    if (transfer.status == SocketStatus::Done)
        sayBeforeClosing(connection, kHeadTooLong);
    removeWaiting(index);
    return false;
}

void ConnectionListener::acceptAll(SteadyClock::time_point now)
{
    for (int accepted = 0; accepted < kAcceptsPerRound;) {
        AcceptStatus status = AcceptStatus::Failed;
        Socket socket = m_listening.accept(status);
        if (status == AcceptStatus::NothingWaiting)
            return;
        if (status == AcceptStatus::Failed) {
            m_failed = true;
            return;
        }
        if (status == AcceptStatus::OutOfDescriptors) {
            // A descriptor is freed for the newcomer; with none to free, it waits in the queue.
            if (!dropOldest())
                m_acceptPausedUntil = now + kAcceptPause;
            if (m_acceptPausedUntil > now)
                return;
            continue;
        }
        ++accepted;
        if (m_waiting.size() + m_withWorkers >= m_limits.maxConnections && !dropOldest())
            continue; // every connection is being answered: the newcomer is closed
        m_waiting.push_back({ std::move(socket), {}, now + m_limits.requestTime, now });
    }
}

bool ConnectionListener::dropOldest()
{
    const auto oldest = std::min_element(
        m_waiting.begin(), m_waiting.end(),
        [](const ClientConnection& a, const ClientConnection& b) { return a.since < b.since; });
    if (oldest == m_waiting.end())
        return false;
    removeWaiting(static_cast<std::size_t>(oldest - m_waiting.begin()));
    return true;
}

void ConnectionListener::handOver(std::size_t index)
{
    ClientConnection connection = std::move(m_waiting[index]);
    removeWaiting(index);
    ++m_withWorkers;
    m_workers.take(std::move(connection));
}

void ConnectionListener::removeWaiting(std::size_t index)
{
    // The order is kept: among connections of one moment, the first to come goes first.
    m_waiting.erase(m_waiting.begin() + static_cast<std::ptrdiff_t>(index));
}

} // namespace beatplate
