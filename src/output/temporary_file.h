#pragma once

#include <cstdio>
#include <filesystem>
#include <memory>

namespace beatplate {

// A new, hidden file in the directory of a target path that takes the target's place only when
// complete, so that a failed write leaves neither a truncated file nor a lost earlier one.
class TemporaryFile {
public:
    // Creates the file with the permissions a new file gets (0666 less the umask); throws
    // std::system_error when the directory does not take new files.
    explicit TemporaryFile(std::filesystem::path target);
    TemporaryFile(const TemporaryFile&) = delete;
    TemporaryFile& operator=(const TemporaryFile&) = delete;
    // Removes the file unless it has replaced the target.
    ~TemporaryFile();

    [[nodiscard]] std::FILE* stream() const { return m_file.get(); }
    [[nodiscard]] const std::filesystem::path& path() const { return m_path; }

    // Flushes the file to the disk and closes it; throws std::system_error when that fails.
    void finishWriting();
    // Renames the finished file over the target; throws std::system_error when that fails.
    void replaceTarget();

private:
    struct FileCloser {
        void operator()(std::FILE* file) const { std::fclose(file); }
    };

    std::filesystem::path m_target;
    std::filesystem::path m_path;
    std::unique_ptr<std::FILE, FileCloser> m_file;
    bool m_replacedTarget = false;
};

} // namespace beatplate
