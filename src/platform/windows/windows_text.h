#pragma once

// What the Windows implementations share: UTF-8 and UTF-16 conversion of the system's text, and
// the system's error codes as the errno values the rest of the program knows.

#include <cerrno>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>
#include <windows.h>

namespace beatplate {

// text (UTF-8) as the system's UTF-16, without a terminating zero; bytes that are not UTF-8
// become U+FFFD.
inline std::vector<wchar_t> wideOf(std::string_view text)
{
    std::vector<wchar_t> wide;
    if (text.empty())
        return wide;
    const int size = static_cast<int>(text.size());
    const int units = ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, nullptr, 0);
    wide.resize(static_cast<std::size_t>(units));
    ::MultiByteToWideChar(CP_UTF8, 0, text.data(), size, wide.data(), units);
    return wide;
}

// The system's UTF-16 as UTF-8.
inline std::string utf8Of(const wchar_t* text, std::size_t length)
{
    std::string utf8;
    if (length == 0)
        return utf8;
    const int size = static_cast<int>(length);
    const int bytes = ::WideCharToMultiByte(CP_UTF8, 0, text, size, nullptr, 0, nullptr, nullptr);
    utf8.resize(static_cast<std::size_t>(bytes));
    ::WideCharToMultiByte(CP_UTF8, 0, text, size, utf8.data(), bytes, nullptr, nullptr);
    return utf8;
}

// The errno value that says what a system error code says, so that messages and checks made
// for errno hold on Windows too.
inline int errnoOf(DWORD error)
{
    switch (error) {
    case ERROR_FILE_NOT_FOUND:
    case ERROR_PATH_NOT_FOUND:
    case ERROR_INVALID_DRIVE:
    case ERROR_BAD_NETPATH:
        return ENOENT;
    case ERROR_ACCESS_DENIED:
    case ERROR_SHARING_VIOLATION:
    case ERROR_LOCK_VIOLATION:
    case ERROR_WRITE_PROTECT:
        return EACCES;
    case ERROR_FILE_EXISTS:
    case ERROR_ALREADY_EXISTS:
        return EEXIST;
    case ERROR_DISK_FULL:
    case ERROR_HANDLE_DISK_FULL:
        return ENOSPC;
    case ERROR_NOT_ENOUGH_MEMORY:
    case ERROR_OUTOFMEMORY:
        return ENOMEM;
    case ERROR_DIRECTORY:
        return ENOTDIR;
    case ERROR_FILENAME_EXCED_RANGE:
        return ENAMETOOLONG;
    case ERROR_NOT_SUPPORTED:
        return ENOTSUP;
    default:
        return EIO;
    }
}

// The last system error as a std::system_error in errno's terms; errno is set to it as well.
inline std::system_error lastSystemError(const char* what)
{
    errno = errnoOf(::GetLastError());
    return { errno, std::generic_category(), what };
}

} // namespace beatplate
