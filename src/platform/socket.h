#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <utility>

namespace beatplate {

// What a transfer on a socket came to; sockets never block, so a transfer moves what it can at
// once and waitForSockets waits for more.
enum class SocketStatus {
    Done, // bytes moved
    WouldBlock, // nothing can move now
    Ended, // the peer closed its side (receive only)
    Failed, // the connection is broken
};

struct SocketTransfer {
    SocketStatus status = SocketStatus::Failed;
    std::size_t bytes = 0;
};

enum class AcceptStatus {
    Taken,
    NothingWaiting,
    OutOfDescriptors, // the process or the system has no descriptor or buffer left for it
    Failed, // the listening socket is broken
};

// Owns one TCP socket, listening or connected, which never blocks.
class Socket {
public:
    using Handle = std::intptr_t;
    static constexpr Handle kNone = -1;

    Socket() = default;
    explicit Socket(Handle handle)
        : m_handle(handle)
    {
    }
    Socket(Socket&& other) noexcept
        : m_handle(std::exchange(other.m_handle, kNone))
    {
    }
    Socket& operator=(Socket&& other) noexcept;
    Socket(const Socket&) = delete;
    Socket& operator=(const Socket&) = delete;
    ~Socket() { close(); }

    [[nodiscard]] Handle handle() const { return m_handle; }
    [[nodiscard]] bool valid() const { return m_handle != kNone; }
    void close();

    // A socket listening on a numeric address and port (0: any free port); an invalid one, with
    // errno set, when it cannot be had. A port another server listens on is not shared.
    [[nodiscard]] static Socket listenOn(const std::string& address, int port, int backlog);
    // The two ends of a connection within this process, for waking a thread that waits on
    // sockets.
    [[nodiscard]] static std::pair<Socket, Socket> connectedPair();

    // The port a listening socket is bound to; -1 when it cannot be told.
    [[nodiscard]] int localPort() const;
    // A connection waiting on this listening socket; invalid unless status says Taken.
    [[nodiscard]] Socket accept(AcceptStatus& status) const;
    [[nodiscard]] SocketTransfer receive(char* buffer, std::size_t size) const;
    [[nodiscard]] SocketTransfer send(const char* bytes, std::size_t size) const;
    // True when the peer has closed its side and sent nothing that is still unread.
    [[nodiscard]] bool peerHasClosed() const;
    // Ends the connection of a socket both ways while it stays open, so that a thread waiting
    // on it wakes where shutdownWakesWaiters() says so (elsewhere the wait runs to its timeout);
    // any thread, while the socket's owner keeps it open.
    static void shutdown(Handle socket);
    // Whether shutdown wakes a wait already under way on the socket: not with WSAPoll.
    [[nodiscard]] static bool shutdownWakesWaiters();

private:
    Handle m_handle = kNone;
};

// A socket to wait for, and whether it is ready: readable, writable, or ended or broken.
struct SocketWait {
    Socket::Handle socket = Socket::kNone;
    bool forWriting = false;
    bool ready = false;
};

// Waits until a socket of waits is ready or timeout has passed; marks the ready ones. Returns
// their count, 0 when the time passed (or a signal came), -1 on failure.
int waitForSockets(std::span<SocketWait> waits, std::chrono::milliseconds timeout);

// Raises the number of files and sockets the process may hold open to the most it may have;
// returns the number now in force.
[[nodiscard]] std::size_t raiseOpenFileLimit();

} // namespace beatplate
