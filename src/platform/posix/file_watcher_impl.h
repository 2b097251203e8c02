#pragma once

#include "platform/file_changes.h"
#include "platform/file_descriptor.h"
#include "platform/file_watcher.h"

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <span>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// The inotify side of a FileWatcher: one inotify descriptor for every watched directory, and an
// eventfd that stop() writes to wake the wait.
class FileWatcher::Impl {
public:
    explicit Impl(std::span<const std::filesystem::path> files);

    [[nodiscard]] std::vector<std::filesystem::path>
    waitForChanges(std::chrono::milliseconds window);
    void stop() noexcept;
    void watchDirectory(const std::filesystem::path& directory);

private:
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

    FileDescriptor m_inotify;
    FileDescriptor m_wake; // an eventfd that stop() signals
    std::vector<std::filesystem::path> m_files;
    std::vector<WatchedDirectory> m_directories;
    std::vector<Watch> m_watches;
    // forDirectory watches m_directories[0] whole; its changes gather in m_directoryChanges.
    bool m_wholeDirectory = false;
    FileChanges m_directoryChanges;
};

} // namespace beatplate
