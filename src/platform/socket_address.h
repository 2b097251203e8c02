#pragma once

// This platform's socket headers, from src/platform/posix or src/platform/windows.
#include "socket_api.h"

#include <cstring>
#include <string>

namespace beatplate {

// A numeric IPv4 or IPv6 address and a port as the socket calls take them; length 0 when text
// is no numeric address.
struct SocketAddress {
    sockaddr_storage storage{};
    int length = 0;

    [[nodiscard]] const sockaddr* get() const
    {
        return reinterpret_cast<const sockaddr*>(&storage);
    }
    [[nodiscard]] int family() const { return storage.ss_family; }

    [[nodiscard]] static SocketAddress of(const std::string& text, int port)
    {
        SocketAddress address;
        sockaddr_in ipv4{};
        sockaddr_in6 ipv6{};
        if (::inet_pton(AF_INET, text.c_str(), &ipv4.sin_addr) == 1) {
            ipv4.sin_family = AF_INET;
            ipv4.sin_port = htons(static_cast<unsigned short>(port));
            std::memcpy(&address.storage, &ipv4, sizeof(ipv4));
            address.length = sizeof(ipv4);
        } else if (::inet_pton(AF_INET6, text.c_str(), &ipv6.sin6_addr) == 1) {
            ipv6.sin6_family = AF_INET6;
            ipv6.sin6_port = htons(static_cast<unsigned short>(port));
            std::memcpy(&address.storage, &ipv6, sizeof(ipv6));
            address.length = sizeof(ipv6);
        }
        return address;
    }

    // The port of a bound address; -1 for another family.
    [[nodiscard]] int port() const
    {
        if (family() == AF_INET)
            return ntohs(reinterpret_cast<const sockaddr_in*>(&storage)->sin_port);
        if (family() == AF_INET6)
            return ntohs(reinterpret_cast<const sockaddr_in6*>(&storage)->sin6_port);
        return -1;
    }
};

} // namespace beatplate
