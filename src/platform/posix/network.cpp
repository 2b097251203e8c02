#include "platform/network.h"

#include <sys/socket.h>

namespace beatplate {

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
