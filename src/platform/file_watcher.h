#pragma once

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <span>
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

    FileWatcher(FileWatcher&& other) noexcept;
    FileWatcher& operator=(FileWatcher&& other) noexcept;
    ~FileWatcher();

private:
    class Impl;
    explicit FileWatcher(std::unique_ptr<Impl> impl);

    std::unique_ptr<Impl> m_impl;
};

} // namespace beatplate
