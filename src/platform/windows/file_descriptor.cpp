#include "platform/file_descriptor.h"

#include <cerrno>
#include <io.h>
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
        ::_close(m_fd);
    m_fd = fd;
}

void FileDescriptor::close()
{
    // The C library releases the descriptor even when the close fails.
    if (::_close(release()) != 0)
        throw std::system_error(errno, std::generic_category(), "close");
}

} // namespace beatplate
