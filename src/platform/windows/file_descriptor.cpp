#include "platform/file_descriptor.h"

#include <io.h>

namespace beatplate {

int FileDescriptor::closeDescriptor(int fd)
{
    return ::_close(fd);
}

} // namespace beatplate
