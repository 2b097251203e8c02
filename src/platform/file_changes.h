#pragma once

#include <chrono>
#include <filesystem>
#include <optional>
#include <span>
#include <vector>

namespace beatplate {

// What a FileWatcher gathers while it waits, the same on every platform: the paths that changed
// in a directory watched whole, in the order of their first change.
class FileChanges {
public:
    // Notes path, which is in directory or is directory itself. The directory alone stands for
    // every file in it, so it replaces the paths noted before and takes none after it.
    void note(const std::filesystem::path& directory, const std::filesystem::path& path);
    // The paths noted, then each of files whose mark in changed is set, as given and in the
    // order given; starts over.
    [[nodiscard]] std::vector<std::filesystem::path>
    take(std::span<const std::filesystem::path> files, const std::vector<bool>& changed);

private:
    std::vector<std::filesystem::path> m_paths;
};

// The time after a first change in which the changes that follow it are gathered, so that a
// save that touches a file several times, or several files, is told once.
class ChangeWindow {
public:
    explicit ChangeWindow(std::chrono::milliseconds length)
        : m_length(length)
    {
    }
    // Opens the window at the first change; later ones leave it as it is.
    void noteChange();
    // How long is left to wait: none before the first change (as long as it takes), zero
    // once the window has closed.
    [[nodiscard]] std::optional<std::chrono::milliseconds> remaining() const;
    [[nodiscard]] bool closed() const;

private:
    using Clock = std::chrono::steady_clock;
    std::chrono::milliseconds m_length;
    std::optional<Clock::time_point> m_end;
};

} // namespace beatplate
