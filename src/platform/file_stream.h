#pragma once

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <memory>
#include <span>

namespace beatplate {

// Closes a stream without looking at the result; a writer that must know whether its bytes
// reached the file closes it itself (release(), then std::fclose) and checks.
struct FileCloser {
    void operator()(std::FILE* file) const { std::fclose(file); }
};
using FilePtr = std::unique_ptr<std::FILE, FileCloser>;

// Opens a stream on a file with an fopen mode ("rb"); empty, with errno set, when it cannot.
[[nodiscard]] FilePtr openFileStream(const std::filesystem::path& path, const char* mode);

// Opens a stream that reads bytes, which must outlive it; empty, with errno set, when it cannot.
[[nodiscard]] FilePtr openMemoryStream(std::span<const std::uint8_t> bytes);

} // namespace beatplate
