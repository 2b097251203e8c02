#include "platform/file_stream.h"

namespace beatplate {

FilePtr openFileStream(const std::filesystem::path& path, const char* mode)
{
    return FilePtr(std::fopen(path.c_str(), mode));
}

FilePtr openMemoryStream(std::span<const std::uint8_t> bytes)
{
    // A stream opened for reading never writes to its buffer.
    void* buffer = const_cast<std::uint8_t*>(bytes.data());
    return FilePtr(::fmemopen(buffer, bytes.size(), "rb"));
}

} // namespace beatplate
