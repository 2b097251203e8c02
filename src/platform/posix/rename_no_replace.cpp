#include "platform/posix/rename_no_replace.h"

#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <unistd.h>

namespace beatplate {

int renameWithoutReplacing(int fromDirectory, const char* from, int toDirectory, const char* to)
{
    if (::renameat2(fromDirectory, from, toDirectory, to, RENAME_NOREPLACE) == 0)
        return 0;
    if (errno != EINVAL && errno != ENOSYS && errno != EOPNOTSUPP)
        return -1;
    if (::linkat(fromDirectory, from, toDirectory, to, 0) != 0)
        return -1;
    ::unlinkat(fromDirectory, from, 0);
    return 0;
}

} // namespace beatplate
