#pragma once

#include "platform/socket.h"

#include <atomic>
#include <chrono>
#include <cstddef>
#include <functional>
#include <httplib.h>
#include <string>

namespace beatplate {

using SteadyClock = std::chrono::steady_clock;

// A client's connection between the server's threads: its socket, the bytes it has sent that
// are not answered yet, and the time by which its next request must be in whole.
struct ClientConnection {
    Socket socket;
    std::string received;
    SteadyClock::time_point deadline; // for the head and body of the next request
    SteadyClock::time_point since; // the start of that wait: the oldest is dropped first
};

// Whether a thread waits on its client now; a client that keeps a thread waiting may be cut off
// when every thread is busy. A cut-off wakes the wait through a connection of its own, since not
// every platform wakes a wait on a socket that another thread shuts down.
class ClientWait {
public:
    // onBegin: told each time a wait begins.
    explicit ClientWait(std::function<void()> onBegin = {});

    void begin()
    {
        m_waiting = true;
        if (m_onBegin)
            m_onBegin();
    }
    void end() { m_waiting = false; }
    [[nodiscard]] bool waiting() const { return m_waiting; }

    // Ends the wait under way, or the next one, as if its time had come; any thread.
    void wake() const;
    // Forgets a wake meant for a connection the thread no longer serves.
    void forgetWake() const;
    // The socket that is readable once woken; kNone where no pair could be had.
    [[nodiscard]] Socket::Handle wakeHandle() const { return m_wakeReader.handle(); }

private:
    std::function<void()> m_onBegin;
    std::atomic<bool> m_waiting{ false };
    Socket m_wakeReader;
    Socket m_wakeWriter;
};

// A connection as the HTTP library reads and writes it: first the bytes already received,
// then the socket, until the request's deadline; each write waits at most writeTimeout for the
// client to take more.
class ConnectionStream final : public httplib::Stream {
public:
    ConnectionStream(ClientConnection& connection, ClientWait& wait,
                     std::chrono::milliseconds writeTimeout);
    ConnectionStream(const ConnectionStream&) = delete;
    ConnectionStream& operator=(const ConnectionStream&) = delete;
    // Leaves the bytes not read in the connection, for its next request.
    ~ConnectionStream() override;

    [[nodiscard]] bool is_readable() const override;
    [[nodiscard]] bool is_writable() const override;
    ssize_t read(char* buffer, size_t size) override;
    ssize_t write(const char* bytes, size_t size) override;
    void get_remote_ip_and_port(std::string& ip, int& port) const override;
    void get_local_ip_and_port(std::string& ip, int& port) const override;
    [[nodiscard]] socket_t socket() const override;

    // The bytes read so far.
    [[nodiscard]] std::size_t bytesRead() const { return m_read; }
    // True when the head of the answer written says that the connection ends with it.
    [[nodiscard]] bool saidClose() const { return m_saidClose; }

private:
    // Waits until the socket can be read (or written) or the time comes; false when it came.
    [[nodiscard]] bool waitFor(bool writing, SteadyClock::time_point until) const;

    ClientConnection& m_connection;
    ClientWait& m_wait;
    std::chrono::milliseconds m_writeTimeout;
    std::size_t m_read = 0;
    bool m_saidClose = false;
};

} // namespace beatplate
