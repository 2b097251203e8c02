#include "platform/socket.h"

namespace beatplate {

Socket& Socket::operator=(Socket&& other) noexcept
{
    if (this != &other) {
        close();
        m_handle = std::exchange(other.m_handle, kNone);
    }
    return *this;
}

} // namespace beatplate
