#include "platform/file_stream.h"

namespace beatplate {

FilePtr openFileStream(const std::filesystem::path& path, const char* mode)
{
    return FilePtr(std::fopen(path.c_str(), mode));
}

} // namespace beatplate
