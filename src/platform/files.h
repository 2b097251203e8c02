#pragma once

#include "platform/file_descriptor.h"

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <ctime>
#include <filesystem>
#include <optional>

namespace beatplate {

// The longest file name, in bytes, that Linux takes (Windows takes 255 UTF-16 units).
inline constexpr std::size_t kMaxFileNameBytes = 255;

// What identifies a file on this machine: two paths name one file when theirs are equal.
struct FileIdentity {
    std::uint64_t device = 0;
    std::uint64_t file = 0;

    bool operator==(const FileIdentity&) const = default;
    bool operator<(const FileIdentity& other) const
    {
        return device != other.device ? device < other.device : file < other.file;
    }
};

enum class LinkHandling {
    Follow,
    NoFollow, // a symbolic link as the last component is not opened, and is described itself
};

enum class FileKind { Regular, Directory, Other };

struct FileStatus {
    FileKind kind = FileKind::Other;
    std::uint64_t size = 0; // bytes
    ::timespec modified{}; // the C library's, which MinGW does not bring into std
    std::uint32_t mode = 0; // the permission bits and those above them (07777)
    std::uint64_t links = 1; // the names the file has
    std::uint32_t owner = 0;
    std::uint32_t group = 0;
};

// What the file path names is; none, with errno set, when it cannot be told (ENOENT: nothing
// is there).
[[nodiscard]] std::optional<FileStatus> fileStatusOf(const std::filesystem::path& path,
                                                     LinkHandling links);
[[nodiscard]] std::optional<FileStatus> fileStatusOf(int fd);

// Opens a file for reading; an invalid descriptor when it cannot be opened.
[[nodiscard]] FileDescriptor openForReading(const std::filesystem::path& path,
                                            LinkHandling links = LinkHandling::Follow);

// Reads up to size bytes, going on after interruptions: the count read, 0 at the end, -1 with
// errno set on failure.
[[nodiscard]] long long readSome(int fd, char* buffer, std::size_t size);

[[nodiscard]] bool isRegularFile(int fd);
[[nodiscard]] bool isDirectory(int fd);

// The bytes of a regular file from where fd stands to its end; none for any other file.
[[nodiscard]] std::optional<std::uint64_t> bytesLeftIn(int fd);
[[nodiscard]] std::optional<std::uint64_t> bytesLeftIn(std::FILE* stream);

// True when this process may write to the existing file path names, as its permissions say.
[[nodiscard]] bool mayWrite(const std::filesystem::path& path);

enum class WriteAccess {
    Allowed,
    Denied, // by the permissions of the file or directory, or its read-only mark
    ReadOnlyFileSystem, // the file system it is on is mounted read-only
};

// Whether this process may write to the existing file or directory path names; writing to a
// directory is making and renaming files in it.
[[nodiscard]] WriteAccess writeAccessTo(const std::filesystem::path& path);

// True when the process runs with every permission (root), which ignores a file's mode.
[[nodiscard]] bool runsAsAdministrator();
// True when the process's user owns a file of this status.
[[nodiscard]] bool ownsFile(const FileStatus& status);
// Gives the open file fd the owner and group of old, or at least its owner where only root
// may give another group; throws std::system_error when neither can be kept.
void keepFileOwner(int fd, const FileStatus& old);
// Gives the open file fd the mode of old; throws std::system_error.
void keepFileMode(int fd, const FileStatus& old);

// A path that opens the standard input the process was given, for readers that take a path
// (an operand of "-").
[[nodiscard]] std::filesystem::path standardInputPath();

// True when errorNumber says that the disk, or the user's share of it, is full.
[[nodiscard]] bool meansDiskFull(int errorNumber);

// The identity of the file path names, through links; none when it names none.
[[nodiscard]] std::optional<FileIdentity> fileIdentityOf(const std::filesystem::path& path);

} // namespace beatplate
