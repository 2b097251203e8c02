#include "platform/files.h"

#include <algorithm>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <system_error>
#include <unistd.h>

namespace beatplate {

static FileStatus statusFrom(const struct stat& status)
{
    const FileKind kind = S_ISREG(status.st_mode) ? FileKind::Regular
        : S_ISDIR(status.st_mode)                 ? FileKind::Directory
                                                  : FileKind::Other;
    return { kind,
             static_cast<std::uint64_t>(status.st_size),
             status.st_mtim,
             static_cast<std::uint32_t>(status.st_mode & 07777),
             static_cast<std::uint64_t>(status.st_nlink),
             status.st_uid,
             status.st_gid };
}

std::optional<FileStatus> fileStatusOf(const std::filesystem::path& path, LinkHandling links)
{
    struct stat status { };
    const int result = links == LinkHandling::Follow ? ::stat(path.c_str(), &status)
                                                     : ::lstat(path.c_str(), &status);
    if (result != 0)
        return std::nullopt;
    return statusFrom(status);
}

std::optional<FileStatus> fileStatusOf(int fd)
{
    struct stat status { };
    if (::fstat(fd, &status) != 0)
        return std::nullopt;
    return statusFrom(status);
}

FileDescriptor openForReading(const std::filesystem::path& path, LinkHandling links)
{
    const int flags = O_RDONLY | O_CLOEXEC | (links == LinkHandling::NoFollow ? O_NOFOLLOW : 0);
    return FileDescriptor(::open(path.c_str(), flags));
}

long long readSome(int fd, char* buffer, std::size_t size)
{
    ssize_t got = 0;
    do {
        got = ::read(fd, buffer, size);
    } while (got < 0 && errno == EINTR);
    return got;
}

bool isRegularFile(int fd)
{
    struct stat status { };
    return ::fstat(fd, &status) == 0 && S_ISREG(status.st_mode);
}

bool isDirectory(int fd)
{
    struct stat status { };
    return ::fstat(fd, &status) == 0 && S_ISDIR(status.st_mode);
}

std::optional<std::uint64_t> bytesLeftIn(int fd)
{
    struct stat status { };
    const off_t position = ::lseek(fd, 0, SEEK_CUR);
    if (::fstat(fd, &status) != 0 || !S_ISREG(status.st_mode) || position < 0)
        return std::nullopt;
    return static_cast<std::uint64_t>(std::max<off_t>(status.st_size - position, 0));
}

std::optional<std::uint64_t> bytesLeftIn(std::FILE* stream)
{
    return bytesLeftIn(::fileno(stream));
}

bool mayWrite(const std::filesystem::path& path)
{
    return ::access(path.c_str(), W_OK) == 0;
}

WriteAccess writeAccessTo(const std::filesystem::path& path)
{
    if (::access(path.c_str(), W_OK) == 0)
        return WriteAccess::Allowed;
    return errno == EROFS ? WriteAccess::ReadOnlyFileSystem : WriteAccess::Denied;
}

bool runsAsAdministrator()
{
    return ::geteuid() == 0;
}

bool ownsFile(const FileStatus& status)
{
    return status.owner == ::geteuid();
}

void keepFileOwner(int fd, const FileStatus& old)
{
    if (::fchown(fd, old.owner, old.group) == 0)
        return;
    if (errno == EPERM && old.owner == ::geteuid()
        && ::fchown(fd, old.owner, static_cast<gid_t>(-1)) == 0)
        return;
    throw std::system_error(errno, std::generic_category(), "cannot keep the chart's owner");
}

void keepFileMode(int fd, const FileStatus& old)
{
    if (::fchmod(fd, old.mode) != 0)
        throw std::system_error(errno, std::generic_category(), "cannot keep the chart's mode");
}

std::filesystem::path standardInputPath()
{
    return "/dev/stdin";
}

bool meansDiskFull(int errorNumber)
{
    return errorNumber == ENOSPC || errorNumber == EDQUOT;
}

std::optional<FileIdentity> fileIdentityOf(const std::filesystem::path& path)
{
    struct stat status { };
    if (::stat(path.c_str(), &status) != 0)
        return std::nullopt;
    return FileIdentity{ status.st_dev, status.st_ino };
}

} // namespace beatplate
