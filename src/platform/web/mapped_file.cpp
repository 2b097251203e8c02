#include "platform/mapped_file.h"

#include <cerrno>

namespace beatplate {

// The browser's core is given bytes, never paths: no file opens.
std::optional<MappedFile> MappedFile::open(const std::filesystem::path&)
{
    errno = ENOENT;
    return std::nullopt;
}

MappedFile::~MappedFile() = default;

} // namespace beatplate
