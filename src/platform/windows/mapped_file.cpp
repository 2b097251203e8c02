#include "platform/mapped_file.h"

#include "platform/windows/handle.h"
#include "platform/windows/windows_text.h"

#include <cerrno>
#include <windows.h>

namespace beatplate {

std::optional<MappedFile> MappedFile::open(const std::filesystem::path& path)
{
    const HANDLE opened = ::CreateFileW(path.c_str(), GENERIC_READ,
                                        FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                        nullptr, OPEN_EXISTING, FILE_ATTRIBUTE_NORMAL, nullptr);
    if (opened == INVALID_HANDLE_VALUE) {
        errno = errnoOf(::GetLastError());
        return std::nullopt;
    }
    const Handle file(opened);
    LARGE_INTEGER size{};
    if (::GetFileType(file.get()) != FILE_TYPE_DISK || !::GetFileSizeEx(file.get(), &size)
        || size.QuadPart <= 0) {
        errno = EINVAL;
        return std::nullopt;
    }
    // The view stays when both handles are closed.
    const Handle mapping(::CreateFileMappingW(file.get(), nullptr, PAGE_READONLY, 0, 0, nullptr));
    if (mapping.get() == nullptr) {
        errno = errnoOf(::GetLastError());
        return std::nullopt;
    }
    const void* const view = ::MapViewOfFile(mapping.get(), FILE_MAP_READ, 0, 0, 0);
    if (view == nullptr) {
        errno = errnoOf(::GetLastError());
        return std::nullopt;
    }
    return MappedFile(
        { static_cast<const std::uint8_t*>(view), static_cast<std::size_t>(size.QuadPart) });
}

MappedFile::~MappedFile()
{
    if (!m_bytes.empty())
        ::UnmapViewOfFile(m_bytes.data());
}

} // namespace beatplate
