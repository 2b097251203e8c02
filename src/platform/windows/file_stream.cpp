#include "platform/file_stream.h"

#include "platform/files.h"
#include "platform/windows/windows_text.h"

#include <array>
#include <cerrno>
#include <cstdio>
#include <fcntl.h>
#include <io.h>
#include <string>
#include <windows.h>

namespace beatplate {

FilePtr openFileStream(const std::filesystem::path& path, const char* mode)
{
    // Standard input has no path on Windows; its name stands for a copy of the descriptor.
    if (path == standardInputPath()) {
        const int copy = ::_dup(0);
        if (copy < 0)
            return nullptr;
        FilePtr stream(::_fdopen(copy, mode));
        if (!stream)
            ::_close(copy);
        return stream;
    }
    const std::string narrow(mode);
    std::vector<wchar_t> wideMode = wideOf(narrow);
    wideMode.push_back(L'\0');
    return FilePtr(::_wfopen(path.c_str(), wideMode.data()));
}

// The C library of Windows reads no memory as a stream: the bytes go to a temporary file that
// the system deletes when the stream is closed.
FilePtr openMemoryStream(std::span<const std::uint8_t> bytes)
{
    std::array<wchar_t, MAX_PATH + 1> folder{};
    std::array<wchar_t, MAX_PATH + 1> name{};
    if (::GetTempPathW(static_cast<DWORD>(folder.size()), folder.data()) == 0
        || ::GetTempFileNameW(folder.data(), L"bp", 0, name.data()) == 0) {
        errno = errnoOf(::GetLastError());
        return nullptr;
    }
    const HANDLE file =
        ::CreateFileW(name.data(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS,
                      FILE_ATTRIBUTE_TEMPORARY | FILE_FLAG_DELETE_ON_CLOSE, nullptr);
    if (file == INVALID_HANDLE_VALUE) {
        errno = errnoOf(::GetLastError());
        ::DeleteFileW(name.data());
        return nullptr;
    }
    DWORD written = 0;
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(file), _O_RDONLY | _O_BINARY);
    if (fd < 0) {
        ::CloseHandle(file);
        return nullptr;
    }
    FilePtr stream(::_fdopen(fd, "rb"));
    if (!stream) {
        ::_close(fd);
        return nullptr;
    }
    if (::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) == 0
        || written != bytes.size() || ::SetFilePointer(file, 0, nullptr, FILE_BEGIN) != 0) {
        errno = EIO;
        return nullptr;
    }
    return stream;
}

} // namespace beatplate
