#include "platform/socket.h"

#include "platform/socket_address.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <vector>
#include <winsock2.h>
#include <ws2tcpip.h>

namespace beatplate {

namespace {

// Winsock is started before the first socket and ended with the process.
class WinsockUse {
public:
    WinsockUse()
    {
        WSADATA data{};
        m_started = ::WSAStartup(MAKEWORD(2, 2), &data) == 0;
    }
    WinsockUse(const WinsockUse&) = delete;
    WinsockUse& operator=(const WinsockUse&) = delete;
    ~WinsockUse()
    {
        if (m_started)
            ::WSACleanup();
    }

private:
    bool m_started = false;
};

void startWinsock()
{
    static const WinsockUse use;
}

SOCKET native(Socket::Handle handle)
{
    return static_cast<SOCKET>(handle);
}

// The errno that says what a Winsock error of binding says.
int errnoOf(int error)
{
    switch (error) {
    case WSAEADDRINUSE:
        return EADDRINUSE;
    case WSAEADDRNOTAVAIL:
        return EADDRNOTAVAIL;
    case WSAEACCES:
        return EACCES;
    default:
        return EIO;
    }
}

// Makes a socket never block; false when it cannot.
bool setNonBlocking(SOCKET socket)
{
    u_long yes = 1;
    return ::ioctlsocket(socket, FIONBIO, &yes) == 0;
}

} // namespace

void Socket::close()
{
    if (valid())
        ::closesocket(native(std::exchange(m_handle, kNone)));
}

// A new socket that no child process inherits.
static SOCKET newSocket(int family)
{
    startWinsock();
    return ::WSASocketW(family, SOCK_STREAM, IPPROTO_TCP, nullptr, 0, WSA_FLAG_NO_HANDLE_INHERIT);
}

Socket Socket::listenOn(const std::string& address, int port, int backlog)
{
    startWinsock();
    const SocketAddress bound = SocketAddress::of(address, port);
    if (bound.length == 0) {
        errno = EINVAL;
        return {};
    }
    Socket socket(static_cast<Handle>(newSocket(bound.family())));
    if (socket.handle() == static_cast<Handle>(INVALID_SOCKET)) {
        errno = EMFILE;
        return {};
    }
    // SO_REUSEADDR would let a second server take the port here; the exclusive use keeps it
    // ours, and lingering connections do not hold a port as they do on Linux.
    const BOOL yes = TRUE;
    const DWORD no = 0;
    ::setsockopt(native(socket.handle()), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                 reinterpret_cast<const char*>(&yes), sizeof(yes));
    if (bound.family() == AF_INET6)
        ::setsockopt(native(socket.handle()), IPPROTO_IPV6, IPV6_V6ONLY,
                     reinterpret_cast<const char*>(&no), sizeof(no));
    if (::bind(native(socket.handle()), bound.get(), bound.length) != 0
        || ::listen(native(socket.handle()), backlog) != 0
        || !setNonBlocking(native(socket.handle()))) {
        errno = errnoOf(::WSAGetLastError());
        return {};
    }
    return socket;
}

// The address a socket has on its own side, or on its peer's.
static SocketAddress addressOf(SOCKET socket, bool peer)
{
    SocketAddress address;
    int length = sizeof(address.storage);
    auto* where = reinterpret_cast<sockaddr*>(&address.storage);
    if ((peer ? ::getpeername(socket, where, &length) : ::getsockname(socket, where, &length)) == 0)
        address.length = length;
    return address;
}

std::pair<Socket, Socket> Socket::connectedPair()
{
    // Windows' sockets have no pair of their own: a connection to a listener on the loopback
    // that only this process knows, taken only when it comes from the socket we connected.
    Socket listener = listenOn("127.0.0.1", 0, 1);
    Socket client(static_cast<Handle>(newSocket(AF_INET)));
    if (!listener.valid() || client.handle() == static_cast<Handle>(INVALID_SOCKET))
        return {};
    const SocketAddress target = addressOf(native(listener.handle()), false);
    if (::connect(native(client.handle()), target.get(), target.length) != 0)
        return {};
    const SocketAddress own = addressOf(native(client.handle()), false);
    for (int attempt = 0; attempt < 16; ++attempt) {
        SocketWait wait{ listener.handle(), false, false };
        if (waitForSockets(std::span(&wait, 1), std::chrono::seconds(5)) <= 0)
            return {};
        AcceptStatus status = AcceptStatus::Failed;
        Socket server = listener.accept(status);
        if (!server.valid())
            continue;
        const SocketAddress peer = addressOf(native(server.handle()), true);
        if (peer.length == own.length && std::memcmp(&peer.storage, &own.storage, own.length) == 0
            && setNonBlocking(native(client.handle())))
            return { std::move(server), std::move(client) };
    }
    return {};
}

int Socket::localPort() const
{
    return addressOf(native(m_handle), false).port();
}

Socket Socket::accept(AcceptStatus& status) const
{
    for (;;) {
        const SOCKET socket = ::accept(native(m_handle), nullptr, nullptr);
        if (socket != INVALID_SOCKET) {
            Socket taken(static_cast<Handle>(socket));
            ::SetHandleInformation(reinterpret_cast<HANDLE>(socket), HANDLE_FLAG_INHERIT, 0);
            status = setNonBlocking(socket) ? AcceptStatus::Taken : AcceptStatus::NothingWaiting;
            return status == AcceptStatus::Taken ? std::move(taken) : Socket();
        }
        switch (::WSAGetLastError()) {
        case WSAEWOULDBLOCK:
            status = AcceptStatus::NothingWaiting;
            return {};
        case WSAEMFILE:
        case WSAENOBUFS:
            status = AcceptStatus::OutOfDescriptors;
            return {};
        case WSAECONNRESET:
        case WSAEINTR:
            continue;
        default:
            status = AcceptStatus::Failed;
            return {};
        }
    }
}

// The status of a transfer that moved nothing, from Winsock's last error.
static SocketTransfer unmoved()
{
    const bool wouldBlock = ::WSAGetLastError() == WSAEWOULDBLOCK;
    return { wouldBlock ? SocketStatus::WouldBlock : SocketStatus::Failed, 0 };
}

SocketTransfer Socket::receive(char* buffer, std::size_t size) const
{
    const int got =
        ::recv(native(m_handle), buffer, static_cast<int>(std::min<std::size_t>(size, INT_MAX)), 0);
    if (got > 0)
        return { SocketStatus::Done, static_cast<std::size_t>(got) };
    if (got == 0)
        return { size == 0 ? SocketStatus::Done : SocketStatus::Ended, 0 };
    return unmoved();
}

SocketTransfer Socket::send(const char* bytes, std::size_t size) const
{
    const int sent =
        ::send(native(m_handle), bytes, static_cast<int>(std::min<std::size_t>(size, INT_MAX)), 0);
    if (sent >= 0)
        return { SocketStatus::Done, static_cast<std::size_t>(sent) };
    return unmoved();
}

bool Socket::peerHasClosed() const
{
    char byte = 0;
    return ::recv(native(m_handle), &byte, 1, MSG_PEEK) == 0;
}

void Socket::shutdown(Handle socket)
{
    ::shutdown(native(socket), SD_BOTH);
}

bool Socket::shutdownWakesWaiters()
{
    return false;
}

int waitForSockets(std::span<SocketWait> waits, std::chrono::milliseconds timeout)
{
    std::vector<WSAPOLLFD> polled(waits.size());
    for (std::size_t i = 0; i < waits.size(); ++i) {
        polled[i].fd = native(waits[i].socket);
        polled[i].events = waits[i].forWriting ? POLLWRNORM : POLLRDNORM;
    }
    const auto milliseconds =
        std::clamp<std::chrono::milliseconds::rep>(timeout.count(), 0, INT_MAX);
    const int ready =
        ::WSAPoll(polled.data(), static_cast<ULONG>(polled.size()), static_cast<INT>(milliseconds));
    if (ready <= 0)
        return ready < 0 ? -1 : 0;
    for (std::size_t i = 0; i < waits.size(); ++i)
        waits[i].ready = polled[i].revents != 0;
    return ready;
}

// Windows sets no limit of its own on the sockets of a process.
std::size_t raiseOpenFileLimit()
{
    return std::size_t{ 1 } << 20;
}

} // namespace beatplate
