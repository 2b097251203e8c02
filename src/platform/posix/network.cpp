#include "platform/network.h"

#include <arpa/inet.h>
#include <sys/socket.h>

namespace beatplate {

bool isNumericAddress(const std::string& text)
{
    unsigned char bytes[sizeof(in6_addr)];
    return ::inet_pton(AF_INET, text.c_str(), bytes) == 1
        || ::inet_pton(AF_INET6, text.c_str(), bytes) == 1;
}

void allowAddressReuse(int socket)
{
    const int yes = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof(yes));
}

} // namespace beatplate
