#pragma once

// The socket calls that POSIX and Winsock name alike (inet_pton, AF_INET, AF_INET6), for the
// network code both platforms share.
#include <winsock2.h>
#include <ws2tcpip.h>
