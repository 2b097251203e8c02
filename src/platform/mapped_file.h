#pragma once

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <span>
#include <utility>

namespace beatplate {

// A regular file's bytes mapped read-only into memory for as long as the object lives: a reader
// that jumps about a large file (a font) touches only the pages it reads, with no system call
// per read.
class MappedFile {
public:
    // None, with errno set, when the file cannot be opened or mapped, is not a regular file or is
    // empty (EINVAL for the last two).
    [[nodiscard]] static std::optional<MappedFile> open(const std::filesystem::path& path);

    MappedFile(MappedFile&& other) noexcept
        : m_bytes(std::exchange(other.m_bytes, {}))
    {
    }
    MappedFile& operator=(MappedFile&& other) noexcept
    {
        std::swap(m_bytes, other.m_bytes);
        return *this;
    }
    MappedFile(const MappedFile&) = delete;
    MappedFile& operator=(const MappedFile&) = delete;
    // Unmaps the file; the browser, which maps none, defines it as the default.
    ~MappedFile(); // NOLINT(performance-trivially-destructible)

    [[nodiscard]] std::span<const std::uint8_t> bytes() const { return m_bytes; }

private:
    explicit MappedFile(std::span<const std::uint8_t> bytes)
        : m_bytes(bytes)
    {
    }

    std::span<const std::uint8_t> m_bytes;
};

} // namespace beatplate
