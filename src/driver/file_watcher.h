#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <utility>
#include <vector>

namespace beatplate {

// Tells when files are saved. It watches their directories, not the files themselves, so that
// a file that an editor replaces by renaming a new one over it is still followed.
class FileWatcher {
public:
    // Watches the directory of each file (and of its target when it is a symbolic link); the
    // files need not exist yet. Throws std::system_error when a directory cannot be watched.
    explicit FileWatcher(std::span<const std::filesystem::path> files);
    // Watches every file of one directory, those made later included; waitForChanges gives each
    // as directory / name, in the order of their first change, and the directory itself when
    // events were lost and any of them may have changed.
    [[nodiscard]] static FileWatcher forDirectory(const std::filesystem::path& directory);

    // Blocks until a watched file has been written and closed, or renamed into place; then
    // gathers what else changes within window of that first change. Returns the files that
    // changed, each once, as given and in the order given; returns none once stop() has been
    // called. Throws std::system_error when the events cannot be read.
    [[nodiscard]] std::vector<std::filesystem::path>
    waitForChanges(std::chrono::milliseconds window);

    // Makes waitForChanges return none, at once if it is waiting and on every later call.
    // Safe to call from a signal handler and from another thread.
    void stop() noexcept;

private:
    // Owns one file descriptor.
    class Descriptor {
    public:
        explicit Descriptor(int fd)
            : m_fd(fd)
        {
        }
        Descriptor(Descriptor&& other) noexcept
            : m_fd(std::exchange(other.m_fd, -1))
        {
        }
        Descriptor& operator=(Descriptor&& other) noexcept
        {
            std::swap(m_fd, other.m_fd);
            return *this;
        }
        ~Descriptor();

        [[nodiscard]] int get() const { return m_fd; }

    private:
        int m_fd;
    };

    struct Watch {
        int watch = -1; // the inotify watch of the directory
        std::string name; // the file's name in that directory
        std::size_t file = 0; // index into m_files
    };

    // Reads the queued events, marking the files they name; false when none was queued.
    bool readEvents(std::vector<bool>& changed);
    void addWatch(const std::filesystem::path& path, std::size_t file);

    Descriptor m_inotify;
    Descriptor m_wake; // an eventfd that stop() signals
    std::vector<std::filesystem::path> m_files;
    std::vector<Watch> m_watches;
    int m_directoryWatch = -1; // of forDirectory, whose changes gather in m_directoryChanges
    std::filesystem::path m_directory;
    std::vector<std::filesystem::path> m_directoryChanges;
};

} // namespace beatplate
