#pragma once

#include "platform/file_descriptor.h"
#include "platform/removal_on_signal.h"
#include "platform/temporary_file.h"

#include <cstddef>
#include <filesystem>
#include <span>
#include <string>
#include <vector>

namespace beatplate {

// Finished files waiting under hidden names in one directory until all are put in place of
// their targets, one after the other at the end, so that a run ended before that leaves every
// target as it was. Only the directory stays open, however many files wait. The files not put
// in place are removed with the set, and on SIGINT, SIGTERM or SIGHUP while slots last; those of
// a run ended otherwise are removed as stale a day later.
class StagedFiles {
public:
    // What may stand at a file's target when it is put in place.
    enum class Target {
        Replaced, // whatever is there is replaced
        Absent, // the move fails with EEXIST when the name has been taken meanwhile
    };

    // directory: where every target lies. Throws std::system_error when it cannot be opened.
    explicit StagedFiles(const std::filesystem::path& directory);
    // A moved-from set holds no files.
    StagedFiles(StagedFiles&&) noexcept = default;
    StagedFiles& operator=(StagedFiles&&) = delete;
    StagedFiles(const StagedFiles&) = delete;
    StagedFiles& operator=(const StagedFiles&) = delete;
    // Removes the files not put in place.
    ~StagedFiles();

    // Takes a file whose writing is finished, to be put in place of its target, a name in the
    // directory. Throws std::system_error; the file is then still the caller's.
    void add(TemporaryFile& file);
    // Puts the files in place in the order added, targets[i] saying what may stand at the i-th
    // one's target; a regular file replaced passes on its read and write permission bits. Throws
    // std::system_error at the first that fails: the files before it are in place (placed() of
    // them), that one and those after it are not.
    void placeAll(std::span<const Target> targets);
    [[nodiscard]] std::size_t placed() const { return m_placed; }
    [[nodiscard]] std::size_t size() const { return m_files.size(); }
    // The target of the file added index-th, with the directory as it was given.
    [[nodiscard]] std::filesystem::path target(std::size_t index) const
    {
        return m_directoryPath / m_files.at(index).target;
    }

private:
    struct StagedFile {
        std::string hiddenName;
        std::filesystem::path target;
        RemovalOnSignal removal;
    };

    void place(const StagedFile& file, Target standing);

    std::filesystem::path m_directoryPath; // as given: "" is the working directory
    FileDescriptor m_directory; // where the system names files relative to a directory
    std::vector<StagedFile> m_files;
    std::size_t m_placed = 0;
};

} // namespace beatplate
