#include "platform/socket.h"

#include "platform/socket_address.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>
#include <vector>

namespace beatplate {

void Socket::close()
{
    if (valid())
        ::close(static_cast<int>(std::exchange(m_handle, kNone)));
}

// Closes a socket that failed to be set up, keeping the errno that says why.
static Socket failed(int socket)
{
    const int error = errno;
    ::close(socket);
    errno = error;
    return {};
}

Socket Socket::listenOn(const std::string& address, int port, int backlog)
{
    const SocketAddress bound = SocketAddress::of(address, port);
    if (bound.length == 0) {
        errno = EINVAL;
        return {};
    }
    const int socket = ::socket(bound.family(), SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (socket < 0)
        return {};
    // Lingering connections of an earlier server do not hold the port; SO_REUSEPORT, which
    // would share it with a second server, is left off.
    const int yes = 1;
    const int no = 0;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
    // "::" takes IPv4 connections too, as a listener on every address is expected to.
    if (bound.family() == AF_INET6)
        ::setsockopt(socket, IPPROTO_IPV6, IPV6_V6ONLY, &no, sizeof(no));
    if (::bind(socket, bound.get(), static_cast<socklen_t>(bound.length)) != 0
        || ::listen(socket, backlog) != 0)
        return failed(socket);
    return Socket(socket);
}

std::pair<Socket, Socket> Socket::connectedPair()
{
    int ends[2] = { -1, -1 };
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0, ends) != 0)
        return {};
    return { Socket(ends[0]), Socket(ends[1]) };
}

int Socket::localPort() const
{
    SocketAddress address;
    socklen_t length = sizeof(address.storage);
    if (::getsockname(static_cast<int>(m_handle), reinterpret_cast<sockaddr*>(&address.storage),
                      &length)
        != 0)
        return -1;
    return address.port();
}

Socket Socket::accept(AcceptStatus& status) const
{
    for (;;) {
        const int socket =
            ::accept4(static_cast<int>(m_handle), nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
        if (socket >= 0) {
            status = AcceptStatus::Taken;
            return Socket(socket);
        }
        switch (errno) {
        case EAGAIN:
            status = AcceptStatus::NothingWaiting;
            return {};
        case EMFILE:
        case ENFILE:
        case ENOBUFS:
        case ENOMEM:
            status = AcceptStatus::OutOfDescriptors;
            return {};
        // A connection that ended while it waited, or a signal: the next one is taken.
        case ECONNABORTED:
        case EINTR:
        case EPROTO:
        case EPERM:
            continue;
        default:
            status = AcceptStatus::Failed;
            return {};
        }
    }
}

// The status of a transfer that moved nothing, from errno.
static SocketTransfer unmoved()
{
    const bool wouldBlock = errno == EAGAIN || errno == EWOULDBLOCK;
    return { wouldBlock ? SocketStatus::WouldBlock : SocketStatus::Failed, 0 };
}

SocketTransfer Socket::receive(char* buffer, std::size_t size) const
{
    for (;;) {
        const ssize_t got = ::recv(static_cast<int>(m_handle), buffer, size, 0);
        if (got > 0)
            return { SocketStatus::Done, static_cast<std::size_t>(got) };
        if (got == 0)
            return { size == 0 ? SocketStatus::Done : SocketStatus::Ended, 0 };
        if (errno != EINTR)
            return unmoved();
    }
}

SocketTransfer Socket::send(const char* bytes, std::size_t size) const
{
    for (;;) {
        // A peer that has gone makes the send fail instead of ending the process with SIGPIPE.
        const ssize_t sent = ::send(static_cast<int>(m_handle), bytes, size, MSG_NOSIGNAL);
        if (sent >= 0)
            return { SocketStatus::Done, static_cast<std::size_t>(sent) };
        if (errno != EINTR)
            return unmoved();
    }
}

bool Socket::peerHasClosed() const
{
    char byte = 0;
    return ::recv(static_cast<int>(m_handle), &byte, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
}

void Socket::shutdown(Handle socket)
{
    ::shutdown(static_cast<int>(socket), SHUT_RDWR);
}

bool Socket::shutdownWakesWaiters()
{
    return true;
}

int waitForSockets(std::span<SocketWait> waits, std::chrono::milliseconds timeout)
{
    std::vector<pollfd> polled(waits.size());
    for (std::size_t i = 0; i < waits.size(); ++i) {
        polled[i].fd = static_cast<int>(waits[i].socket);
        polled[i].events = waits[i].forWriting ? POLLOUT : POLLIN;
    }
    const auto milliseconds =
        std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX);
    const int ready = ::poll(polled.data(), polled.size(), static_cast<int>(milliseconds));
    if (ready <= 0)
        return ready < 0 && errno != EINTR ? -1 : 0;
    for (std::size_t i = 0; i < waits.size(); ++i)
        waits[i].ready = polled[i].revents != 0;
    return ready;
}

std::size_t raiseOpenFileLimit()
{
    rlimit limit{};
    if (::getrlimit(RLIMIT_NOFILE, &limit) != 0)
        return 0;
    // An unlimited hard limit is not one the kernel takes as a soft one.
    constexpr rlim_t kMost = rlim_t{ 1 } << 20;
    const rlim_t wanted = limit.rlim_max == RLIM_INFINITY ? kMost : limit.rlim_max;
    if (limit.rlim_cur != RLIM_INFINITY && limit.rlim_cur < wanted) {
        rlimit raised{ wanted, limit.rlim_max };
        if (::setrlimit(RLIMIT_NOFILE, &raised) == 0)
            limit = raised;
    }
    return limit.rlim_cur == RLIM_INFINITY ? static_cast<std::size_t>(kMost)
                                           : static_cast<std::size_t>(limit.rlim_cur);
}

} // namespace beatplate
