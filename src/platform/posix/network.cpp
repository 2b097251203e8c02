#include "platform/network.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>

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
    return IN6_IS_ADDR_LOOPBACK(&ipv6) || (IN6_IS_ADDR_V4MAPPED(&ipv6) && ipv6.s6_addr[12] == 127);
}

void listenWithBacklog(int socket, int backlog)
{
    ::listen(socket, backlog);
}

void allowAddressReuse(int socket)
{
    const int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
}

} // namespace beatplate
