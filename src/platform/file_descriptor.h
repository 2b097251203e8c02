#pragma once

#include <utility>

namespace beatplate {

// Owns one file descriptor; -1 is none.
class FileDescriptor {
public:
    FileDescriptor() = default;
    explicit FileDescriptor(int fd)
        : m_fd(fd)
    {
    }
    FileDescriptor(FileDescriptor&& other) noexcept
        : m_fd(std::exchange(other.m_fd, -1))
    {
    }
    FileDescriptor& operator=(FileDescriptor&& other) noexcept;
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    ~FileDescriptor() { reset(); }

    [[nodiscard]] int get() const { return m_fd; }
    [[nodiscard]] bool valid() const { return m_fd >= 0; }
    // Gives up ownership without closing.
    [[nodiscard]] int release() { return std::exchange(m_fd, -1); }
    // Closes the descriptor, ignoring a failure, and owns fd instead.
    void reset(int fd = -1);
    // Closes the descriptor; throws std::system_error when the close reports a failure (a
    // delayed write error, on some file systems).
    void close();

private:
    // The system's close: 0, or -1 with errno set.
    [[nodiscard]] static int closeDescriptor(int fd);

    int m_fd = -1;
};

} // namespace beatplate
