#pragma once

#include "platform/file_descriptor.h"
#include "platform/file_stream.h"
#include "platform/removal_on_signal.h"

#include <cstdio>
#include <filesystem>
#include <string>
#include <string_view>

namespace beatplate {

enum class TemporaryFileKind {
    Unnamed, // a file without a name until it is complete, where the file system allows one
    Named, // always a hidden named file, as where the file system allows no unnamed one
};

// The start of the names of our hidden files: a picture's, and a chart's written back.
inline constexpr std::string_view kPictureFilePrefix = ".beatplate-";
inline constexpr std::string_view kChartFilePrefix = ".chart-";

// A new file in the directory of a target path that takes a name only when complete, so that a
// failed or killed write leaves neither a truncated file nor a lost earlier one. It is unnamed
// while written (nothing to leave behind, even on SIGKILL) or, where the file system cannot
// do that, named ".beatplate-" plus 16 hex digits plus ".tmp" and removed when SIGINT, SIGTERM
// or SIGHUP ends the process. Our hidden files older than a day beside the target, left by a
// run that ended otherwise, are removed when the file is opened.
class TemporaryFile {
public:
    // Creates the file with the permissions a new file gets (0666 less the umask); throws
    // std::system_error with the errno of the failure when the directory takes no new file.
    explicit TemporaryFile(std::filesystem::path target,
                           TemporaryFileKind kind = TemporaryFileKind::Unnamed,
                           std::string_view namePrefix = kPictureFilePrefix);
    TemporaryFile(TemporaryFile&& other) noexcept;
    TemporaryFile& operator=(TemporaryFile&&) = delete;
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    // Removes the file unless it has been given a name of its own.
    ~TemporaryFile();

    // A buffered stream over the file, made on the first call; closed by finishWriting.
    [[nodiscard]] std::FILE* stream();
    [[nodiscard]] int descriptor() const { return m_file.get(); }
    [[nodiscard]] const std::filesystem::path& target() const { return m_target; }
    // True when the file has a hidden name while it is written.
    [[nodiscard]] bool named() const { return !m_name.empty(); }

    // Flushes the stream and the file to the disk; throws std::system_error when that fails.
    void finishWriting();
    // Puts the finished file in place of the target, whatever is there: a symbolic link is
    // replaced, not followed, and a regular file passes on only its read and write permission
    // bits. Throws std::system_error when that fails; the target is then as it was.
    void replaceTarget();
    // Gives the finished file the name path, in the same directory, unless that name is taken;
    // returns false when it is. Throws std::system_error on any other failure.
    [[nodiscard]] bool claimName(const std::filesystem::path& path);
    // Lets go of the finished file, which keeps a hidden name of its own beside the target (given
    // one now when it has none) with every descriptor closed, and returns that name; the caller
    // removes it or puts it in place. Throws std::system_error; the file is then as before.
    [[nodiscard]] std::string releaseUnderHiddenName();

private:
    void openNamed(std::string_view namePrefix);
    std::string linkUnderHiddenName();
    void keepOnlyReadAndWriteBitsOf(const std::string& name);
    void publish();

    std::filesystem::path m_target;
    std::string m_targetName;
    std::string m_prefix;
    FileDescriptor m_directory;
    FileDescriptor m_file;
    FilePtr m_stream;
    std::string m_name; // the hidden name, while the file has one
    RemovalOnSignal m_removal;
};

} // namespace beatplate
