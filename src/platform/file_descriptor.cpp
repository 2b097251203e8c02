#include "platform/file_descriptor.h"

#include <cerrno>
#include <system_error>

namespace beatplate {

FileDescriptor& FileDescriptor::operator=(FileDescriptor&& other) noexcept
{
    if (this != &other)
        reset(std::exchange(other.m_fd, -1));
    return *this;
}

void FileDescriptor::reset(int fd)
{
    if (m_fd >= 0)
        static_cast<void>(closeDescriptor(m_fd));
    m_fd = fd;
}

void FileDescriptor::close()
{
    // Both platforms release the descriptor even when the close fails, so it is never closed
    // twice.
    if (closeDescriptor(release()) != 0)
        throw std::system_error(errno, std::generic_category(), "close");
}

} // namespace beatplate
