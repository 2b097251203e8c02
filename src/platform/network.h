#pragma once

#include <string>

namespace beatplate {

// True when text is a numeric IPv4 or IPv6 address, not a name to be looked up.
[[nodiscard]] bool isNumericAddress(const std::string& text);

// True when text is a numeric loopback address: 127.0.0.0/8, ::1 or an IPv4-mapped 127 address.
[[nodiscard]] bool isLoopbackAddress(const std::string& text);

} // namespace beatplate
