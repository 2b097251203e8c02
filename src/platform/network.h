#pragma once

#include <string>

namespace beatplate {

// True when text is a numeric IPv4 or IPv6 address, not a name to be looked up.
[[nodiscard]] bool isNumericAddress(const std::string& text);

// Lets a listening socket take a port that connections of an earlier server still linger on,
// without sharing it with another server that listens there. socket: the descriptor the HTTP
// library hands its option callback.
void allowAddressReuse(int socket);

} // namespace beatplate
