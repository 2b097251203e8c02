#include "platform/network.h"

// This platform's socket headers, from src/platform/posix or src/platform/windows.
#include "socket_api.h"

#include <algorithm>
#include <array>

namespace beatplate {

// Reads text as a numeric address of family into bytes, in network order (an IPv4 address in
// the first four); false when text is no such address.
static bool parseNumericAddress(const std::string& text, int family,
                                std::array<unsigned char, 16>& bytes)
{
    return ::inet_pton(family, text.c_str(), bytes.data()) == 1;
}

bool isNumericAddress(const std::string& text)
{
    std::array<unsigned char, 16> bytes{};
    return parseNumericAddress(text, AF_INET, bytes) || parseNumericAddress(text, AF_INET6, bytes);
}

bool isLoopbackAddress(const std::string& text)
{
    std::array<unsigned char, 16> bytes{};
    if (parseNumericAddress(text, AF_INET, bytes))
        return bytes[0] == 127;
    if (!parseNumericAddress(text, AF_INET6, bytes))
        return false;
    static constexpr std::array<unsigned char, 16> kLoopback = { 0, 0, 0, 0, 0, 0, 0, 0,
                                                                 0, 0, 0, 0, 0, 0, 0, 1 };
    // ::ffff:a.b.c.d, an IPv4 address carried in IPv6.
    static constexpr std::array<unsigned char, 12> kMappedPrefix = { 0, 0, 0, 0, 0,    0,
                                                                     0, 0, 0, 0, 0xFF, 0xFF };
    const bool mapped = std::equal(kMappedPrefix.begin(), kMappedPrefix.end(), bytes.begin());
    return bytes == kLoopback || (mapped && bytes[12] == 127);
}

} // namespace beatplate
