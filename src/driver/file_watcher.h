#pragma once

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <utility>
#include <vector>

namespace beatplate {

// Tells when files are saved. It watches their directories, not the files themselves, so that
// a file that an editor replaces by renaming a new one over it is still followed.
class FileWatcher {
public:
    // Watches the directory of each file (and of its target when it is a symbolic link); the
    // files need not exist yet. Throws std::system_error when a directory cannot be watched.
    // A directory removed or renamed later is followed by its path: its files are given as
    // changed when it goes (they are missing then) and, those that are there, when it is back.
    explicit FileWatcher(std::span<const std::filesystem::path> files);
    // Watches every file of one directory, those made later included; waitForChanges gives each
    // as directory / name, in the order of their first change, and the directory alone when
    // events were lost or it came back after it was removed or renamed, and any of them may
    // have changed.
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

    // A directory followed by its path: when it is removed or renamed its watch is dropped, and
    // the directory made again under that path is watched anew.
    struct WatchedDirectory {
        std::filesystem::path path;
        int watch = -1; // the inotify watch; -1 while nothing is at the path
    };

    struct Watch {
        std::size_t directory = 0; // index into m_directories
        std::string name; // the file's name in that directory
        std::size_t file = 0; // index into m_files
    };

    // Reads the queued events, marking the files they name; false when none was queued.
    bool readEvents(std::vector<bool>& changed);
    // Marks what one event tells of; false when it concerns no watched file.
    bool takeEvent(int watch, std::uint32_t mask, std::string_view name,
                   std::vector<bool>& changed);
    // Drops the watch of a directory that was removed or renamed and marks its files, now
    // missing; false when watch is no directory's.
    bool loseDirectory(int watch, std::vector<bool>& changed);
    // Watches again each directory that is back at its path, marking its files that are there;
    // false when none came back.
    bool watchReturnedDirectories(std::vector<bool>& changed);
    [[nodiscard]] bool anyDirectoryLost() const;
    std::size_t addDirectory(const std::filesystem::path& directory);
    void addWatch(const std::filesystem::path& path, std::size_t file);
    void noteDirectoryChange(const std::filesystem::path& path);

    Descriptor m_inotify;
    Descriptor m_wake; // an eventfd that stop() signals
    std::vector<std::filesystem::path> m_files;
    std::vector<WatchedDirectory> m_directories;
    std::vector<Watch> m_watches;
    // forDirectory watches m_directories[0] whole; its changes gather in m_directoryChanges.
    bool m_wholeDirectory = false;
    std::vector<std::filesystem::path> m_directoryChanges;
};

} // namespace beatplate
