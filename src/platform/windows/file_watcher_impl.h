#pragma once

#include "platform/file_changes.h"
#include "platform/file_watcher.h"
#include "platform/windows/handle.h"

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <span>
#include <vector>
#include <windows.h>

namespace beatplate {

// One ReadDirectoryChangesW under way for each watched directory, and an event that stop() sets.
class FileWatcher::Impl {
public:
    explicit Impl(std::span<const std::filesystem::path> files);
    Impl(const Impl&) = delete;
    Impl& operator=(const Impl&) = delete;
    ~Impl();

    [[nodiscard]] std::vector<std::filesystem::path>
    waitForChanges(std::chrono::milliseconds window);
    void stop() noexcept { ::SetEvent(m_stop.get()); }
    void watchDirectory(const std::filesystem::path& directory);

private:
    struct WatchedDirectory {
        std::filesystem::path path;
        Handle handle;
        Handle event;
        OVERLAPPED overlapped{};
        // 64 KiB of change records
        std::vector<DWORD> buffer = std::vector<DWORD>(64 * 1024 / sizeof(DWORD));
    };
    struct Watch {
        std::size_t directory = 0;
        std::filesystem::path name;
        std::size_t file = 0;
    };

    std::size_t addDirectory(const std::filesystem::path& directory);
    void addWatch(const std::filesystem::path& path, std::size_t file);
    void startReading(WatchedDirectory& directory);
    // Marks the files the finished read of directory i names; false when it names none.
    bool takeEvents(std::size_t i, std::vector<bool>& changed);
    void noteDirectoryChange(const std::filesystem::path& path);

    Handle m_stop;
    std::vector<std::filesystem::path> m_files;
    std::vector<std::unique_ptr<WatchedDirectory>> m_directories;
    std::vector<Watch> m_watches;
    bool m_wholeDirectory = false;
    FileChanges m_directoryChanges;
};

} // namespace beatplate
