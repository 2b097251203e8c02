#include "platform/network.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace beatplate {

bool isNumericAddress(const std::string& text)
{
    unsigned char bytes[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, text.c_str(), bytes) == 1
        || ::inet_pton(AF_INET6, text.c_str(), bytes) == 1;
}

bool isLoopbackAddress(const std::string& text)
{
    in_addr ipv4{};
    if (::inet_pton(AF_INET, text.c_str(), &ipv4) == 1)
        return (ntohl(ipv4.s_addr) >> 24) == 127;
    in6_addr ipv6{};
    if (::inet_pton(AF_INET6, text.c_str(), &ipv6) != 1)
        return false;
    static constexpr unsigned char kLoopback[16] = {
        0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1
    };
    static constexpr unsigned char kMappedPrefix[12] = { 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0xFF, 0xFF };
    const unsigned char* bytes = ipv6.s6_addr;
    bool loopback = true;
    bool mapped = true;
    for (int i = 0; i < 16; ++i)
        loopback = loopback && bytes[i] == kLoopback[i];
    for (int i = 0; i < 12; ++i)
        mapped = mapped && bytes[i] == kMappedPrefix[i];
    return loopback || (mapped && bytes[12] == 127);
}

void listenWithBacklog(int socket, int backlog)
{
    ::listen(static_cast<SOCKET>(socket), backlog);
}

void allowAddressReuse(int socket)
{
    // Windows' SO_REUSEADDR would let a second server take the port; the exclusive use keeps it
    // ours, and lingering connections do not hold a port here as they do on Linux.
    const BOOL yes = TRUE;
    ::setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                 reinterpret_cast<const char*>(&yes), sizeof(yes));
}

} // namespace beatplate
