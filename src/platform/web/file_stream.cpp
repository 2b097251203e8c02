#include "platform/file_stream.h"

#include <cerrno>
#include <stdio.h>

namespace beatplate {

// The browser's core is given bytes, never paths: no file opens.
FilePtr openFileStream(const std::filesystem::path&, const char*)
{
    errno = ENOENT;
    return nullptr;
}

FilePtr openMemoryStream(std::span<const std::uint8_t> bytes)
{
    // A stream opened for reading never writes to its buffer.
    void* buffer = const_cast<std::uint8_t*>(bytes.data());
    return FilePtr(::fmemopen(buffer, bytes.size(), "rb"));
}

} // namespace beatplate
