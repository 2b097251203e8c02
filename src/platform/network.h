#pragma once

#include <string>

namespace beatplate {

// True when text is a numeric IPv4 or IPv6 address, not a name to be looked up.
[[nodiscard]] bool isNumericAddress(const std::string& text);

// True when text is a numeric loopback address: 127.0.0.0/8, ::1 or an IPv4-mapped 127 address.
[[nodiscard]] bool isLoopbackAddress(const std::string& text);

// Lets a listening socket take a port that connections of an earlier server still linger on,
// without sharing it with another server that listens there. socket: the descriptor the HTTP
// library hands its option callback.
void allowAddressReuse(int socket);

// Listens again on a bound socket with a longer queue of connections waiting to be taken.
void listenWithBacklog(int socket, int backlog);

} // namespace beatplate
