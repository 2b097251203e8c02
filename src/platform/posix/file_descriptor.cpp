#include "platform/file_descriptor.h"

#include <unistd.h>

namespace beatplate {

int FileDescriptor::closeDescriptor(int fd)
{
    return ::close(fd);
}

} // namespace beatplate
