#include "platform/network.h"

#include <winsock2.h>
#include <ws2tcpip.h>

namespace beatplate {

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
