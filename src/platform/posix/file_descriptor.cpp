#include "platform/file_descriptor.h"

#include <cerrno>
#include <system_error>
#include <unistd.h>

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
        ::close(m_fd);
    m_fd = fd;
}

void FileDescriptor::close()
{
    // Linux releases the descriptor even when close fails, so it is never closed twice.
    if (::close(release()) != 0)
        throw std::system_error(errno, std::generic_category(), "close");
}

} // namespace beatplate
