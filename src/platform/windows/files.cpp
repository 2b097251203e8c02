#include "platform/files.h"

#include "platform/windows/handle.h"
#include "platform/windows/windows_text.h"

#include <algorithm>
#include <cerrno>
#include <climits>
#include <fcntl.h>
#include <io.h>
#include <sys/stat.h>
#include <windows.h>

namespace beatplate {

namespace {

// Standard input has no path on Windows; this name, the console's input, stands for it.
constexpr const wchar_t* kStandardInputName = L"CONIN$";

} // namespace

static FileStatus statusFrom(const struct _stat64& status)
{
    const FileKind kind = (status.st_mode & _S_IFMT) == _S_IFREG ? FileKind::Regular
        : (status.st_mode & _S_IFMT) == _S_IFDIR                 ? FileKind::Directory
                                                                 : FileKind::Other;
    FileStatus result;
    result.kind = kind;
    result.size = static_cast<std::uint64_t>(status.st_size);
    result.modified.tv_sec = status.st_mtime;
    // Read and write for everyone, as a POSIX system would show a file that is not read-only.
    const bool writable = (status.st_mode & _S_IWRITE) != 0;
    result.mode = kind == FileKind::Directory ? 0777 : writable ? 0666 : 0444;
    result.links = static_cast<std::uint64_t>(status.st_nlink);
    return result;
}

static bool isReparsePoint(const std::filesystem::path& path)
{
    const DWORD attributes = ::GetFileAttributesW(path.c_str());
    return attributes != INVALID_FILE_ATTRIBUTES
        && (attributes & FILE_ATTRIBUTE_REPARSE_POINT) != 0;
}

// The names an open file has; the C library's status always says 1.
static std::uint64_t linkCountOf(HANDLE file)
{
    BY_HANDLE_FILE_INFORMATION information{};
    if (file == INVALID_HANDLE_VALUE || !::GetFileInformationByHandle(file, &information))
        return 1;
    return information.nNumberOfLinks;
}

std::optional<FileStatus> fileStatusOf(const std::filesystem::path& path, LinkHandling links)
{
    struct _stat64 status { };
    if (::_wstat64(path.c_str(), &status) != 0) {
        if (links == LinkHandling::Follow || !isReparsePoint(path))
            return std::nullopt;
        // A link whose target is gone is still there, itself.
        return FileStatus{};
    }
    FileStatus result = statusFrom(status);
    if (result.kind == FileKind::Regular) {
        // Opened for no access at all, the file is not kept from anyone else.
        const Handle file(
            ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                          nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr));
        result.links = linkCountOf(file.get());
    }
    if (links == LinkHandling::NoFollow && isReparsePoint(path))
        result.kind = FileKind::Other;
    return result;
}

std::optional<FileStatus> fileStatusOf(int fd)
{
    struct _stat64 status { };
    if (::_fstat64(fd, &status) != 0)
        return std::nullopt;
    FileStatus result = statusFrom(status);
    if (result.kind == FileKind::Regular)
        result.links = linkCountOf(reinterpret_cast<HANDLE>(::_get_osfhandle(fd)));
    return result;
}

FileDescriptor openForReading(const std::filesystem::path& path, LinkHandling links)
{
    if (path == standardInputPath())
        return FileDescriptor(::_dup(0));
    if (links == LinkHandling::NoFollow && isReparsePoint(path)) {
        errno = ELOOP;
        return {};
    }
    return FileDescriptor(::_wopen(path.c_str(), _O_RDONLY | _O_BINARY | _O_NOINHERIT));
}

long long readSome(int fd, char* buffer, std::size_t size)
{
    return ::_read(fd, buffer, static_cast<unsigned>(std::min<std::size_t>(size, INT_MAX)));
}

bool isRegularFile(int fd)
{
    const auto status = fileStatusOf(fd);
    return status && status->kind == FileKind::Regular;
}

bool isDirectory(int fd)
{
    const auto status = fileStatusOf(fd);
    return status && status->kind == FileKind::Directory;
}

std::optional<std::uint64_t> bytesLeftIn(int fd)
{
    const auto status = fileStatusOf(fd);
    const long long position = ::_lseeki64(fd, 0, SEEK_CUR);
    if (!status || status->kind != FileKind::Regular || position < 0)
        return std::nullopt;
    return status->size > static_cast<std::uint64_t>(position)
        ? status->size - static_cast<std::uint64_t>(position)
        : 0;
}

std::optional<std::uint64_t> bytesLeftIn(std::FILE* stream)
{
    return bytesLeftIn(::_fileno(stream));
}

bool mayWrite(const std::filesystem::path& path)
{
    return ::_waccess(path.c_str(), 2) == 0;
}

// A directory's read-only mark does not keep files from being made in it; a read-only volume
// (a locked card, a disc) does.
WriteAccess writeAccessTo(const std::filesystem::path& path)
{
    std::wstring volume(MAX_PATH + 1, L'\0');
    DWORD flags = 0;
    if (::GetVolumePathNameW(path.c_str(), volume.data(), static_cast<DWORD>(volume.size()))
        && ::GetVolumeInformationW(volume.c_str(), nullptr, 0, nullptr, nullptr, &flags, nullptr, 0)
        && (flags & FILE_READ_ONLY_VOLUME) != 0)
        return WriteAccess::ReadOnlyFileSystem;
    return ::_waccess(path.c_str(), 2) == 0 ? WriteAccess::Allowed : WriteAccess::Denied;
}

// Windows has no user that a file's read-only mark does not stop.
bool runsAsAdministrator()
{
    return false;
}

// A file's access is its access list's affair on Windows, which a copy keeps; the program may
// write whatever it may open.
bool ownsFile(const FileStatus&)
{
    return true;
}

void keepFileOwner(int, const FileStatus&)
{
}

// Only a writable file is written back, and the new one is writable too.
void keepFileMode(int, const FileStatus&)
{
}

std::filesystem::path standardInputPath()
{
    return kStandardInputName;
}

// A quota that is used up says ERROR_DISK_FULL as well, which is ENOSPC here.
bool meansDiskFull(int errorNumber)
{
    return errorNumber == ENOSPC;
}

std::optional<FileIdentity> fileIdentityOf(const std::filesystem::path& path)
{
    const HANDLE file =
        ::CreateFileW(path.c_str(), 0, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                      nullptr, OPEN_EXISTING, FILE_FLAG_BACKUP_SEMANTICS, nullptr);
    if (file == INVALID_HANDLE_VALUE)
        return std::nullopt;
    BY_HANDLE_FILE_INFORMATION information{};
    const bool known = ::GetFileInformationByHandle(file, &information) != 0;
    ::CloseHandle(file);
    if (!known)
        return std::nullopt;
    return FileIdentity{ information.dwVolumeSerialNumber,
                         (std::uint64_t{ information.nFileIndexHigh } << 32)
                             | information.nFileIndexLow };
}

} // namespace beatplate
