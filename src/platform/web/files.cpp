// The browser's core reads and writes no files: the page hands it bytes and takes bytes back.
// What its readers and writers would ask of a file is answered as for one that is not there;
// the rest of the interface is for the programs, which the browser does not run.
#include "platform/files.h"

#include <cerrno>

namespace beatplate {

std::optional<std::uint64_t> bytesLeftIn(int)
{
    return std::nullopt;
}

std::optional<std::uint64_t> bytesLeftIn(std::FILE*)
{
    return std::nullopt;
}

long long readSome(int, char*, std::size_t)
{
    errno = EBADF;
    return -1;
}

// A name that no file has: the browser has no standard input.
std::filesystem::path standardInputPath()
{
    return {};
}

bool meansDiskFull(int)
{
    return false;
}

} // namespace beatplate
