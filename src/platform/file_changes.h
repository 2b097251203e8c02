#pragma once

#include <filesystem>
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

} // namespace beatplate
