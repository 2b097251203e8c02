#include "server/connection_stream.h"

#include <algorithm>
#include <array>
#include <string_view>
#include <tuple>

namespace beatplate {

ConnectionStream::ConnectionStream(ClientConnection& connection, ClientWait& wait,
                                   std::chrono::milliseconds writeTimeout)
    : m_connection(connection)
    , m_wait(wait)
    , m_writeTimeout(writeTimeout)
{
}

ConnectionStream::~ConnectionStream()
{
    m_connection.received.erase(0, std::min(m_read, m_connection.received.size()));
}

ClientWait::ClientWait(std::function<void()> onBegin)
    : m_onBegin(std::move(onBegin))
{
    std::tie(m_wakeReader, m_wakeWriter) = Socket::connectedPair();
}

void ClientWait::wake() const
{
    if (m_wakeWriter.valid())
        static_cast<void>(m_wakeWriter.send("!", 1));
}

void ClientWait::forgetWake() const
{
    std::array<char, 64> bytes{};
    if (m_wakeReader.valid())
        while (m_wakeReader.receive(bytes.data(), bytes.size()).status == SocketStatus::Done) { }
}

bool ConnectionStream::waitFor(bool writing, SteadyClock::time_point until) const
{
    SocketWait atOnce{ m_connection.socket.handle(), writing, false };
    // A socket ready at once is no wait on the client.
    if (waitForSockets(std::span(&atOnce, 1), std::chrono::milliseconds(0)) > 0)
        return true;
    m_wait.begin();
    bool ready = false;
    for (auto now = SteadyClock::now(); !ready && now < until; now = SteadyClock::now()) {
        std::array<SocketWait, 2> waits{ SocketWait{ m_connection.socket.handle(), writing, false },
                                         SocketWait{ m_wait.wakeHandle(), false, false } };
        const std::size_t count = m_wait.wakeHandle() == Socket::kNone ? 1 : 2;
        const int got = waitForSockets(std::span(waits.data(), count),
                                       std::chrono::ceil<std::chrono::milliseconds>(until - now));
        if (got < 0 || waits[1].ready)
            break;
        ready = got > 0;
    }
    m_wait.end();
    return ready;
}

bool ConnectionStream::is_readable() const
{
    return m_read < m_connection.received.size() || waitFor(false, m_connection.deadline);
}

bool ConnectionStream::is_writable() const
{
    return waitFor(true, SteadyClock::now() + m_writeTimeout)
        && !m_connection.socket.peerHasClosed();
}

ssize_t ConnectionStream::read(char* buffer, size_t size)
{
    const std::string& received = m_connection.received;
    if (m_read < received.size()) {
        const std::size_t count = std::min(size, received.size() - m_read);
        std::copy_n(received.data() + m_read, count, buffer);
        m_read += count;
        return static_cast<ssize_t>(count);
    }
    // Bytes past those received are read straight into the buffer; the offset counts them
    // too, so that none of them is taken for the start of the next request.
    for (;;) {
        const SocketTransfer transfer = m_connection.socket.receive(buffer, size);
        if (transfer.status == SocketStatus::Done) {
            m_read += transfer.bytes;
            return static_cast<ssize_t>(transfer.bytes);
        }
        if (transfer.status == SocketStatus::Ended)
            return 0;
        // The deadline is the request's, however many reads it takes.
        if (transfer.status == SocketStatus::Failed || !waitFor(false, m_connection.deadline))
            return -1;
    }
}

ssize_t ConnectionStream::write(const char* bytes, size_t size)
{
    // The library writes each head, an interim one included, in one piece of its own.
    const std::string_view written(bytes, size);
    if (written.starts_with("HTTP/1.1 ")) {
        const auto head = written.substr(0, written.find("\r\n\r\n"));
        m_saidClose = head.find("\r\nConnection: close") != std::string_view::npos;
    }
    for (;;) {
        const SocketTransfer transfer = m_connection.socket.send(bytes, size);
        if (transfer.status == SocketStatus::Done)
            return static_cast<ssize_t>(transfer.bytes);
        if (transfer.status != SocketStatus::WouldBlock
            || !waitFor(true, SteadyClock::now() + m_writeTimeout))
            return -1;
    }
}

void ConnectionStream::get_remote_ip_and_port(std::string& ip, int& port) const
{
    httplib::detail::get_remote_ip_and_port(socket(), ip, port);
}

void ConnectionStream::get_local_ip_and_port(std::string& ip, int& port) const
{
    httplib::detail::get_local_ip_and_port(socket(), ip, port);
}

socket_t ConnectionStream::socket() const
{
    return static_cast<socket_t>(m_connection.socket.handle());
}

} // namespace beatplate
