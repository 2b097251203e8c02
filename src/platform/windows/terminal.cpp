#include "platform/terminal.h"

#include "platform/windows/windows_text.h"

#include <algorithm>
#include <array>
#include <climits>
#include <io.h>
#include <string_view>
#include <windows.h>

namespace beatplate {

// The console behind a descriptor; none when it is a file, a pipe or the NUL device.
static HANDLE consoleOf(int fd)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    DWORD mode = 0;
    if (handle == INVALID_HANDLE_VALUE || ::GetConsoleMode(handle, &mode) == 0)
        return nullptr;
    return handle;
}

static bool writeWide(HANDLE console, std::wstring_view text)
{
    while (!text.empty()) {
        DWORD written = 0;
        const auto chunk = static_cast<DWORD>(std::min<std::size_t>(text.size(), 16384));
        if (::WriteConsoleW(console, text.data(), chunk, &written, nullptr) == 0 || written == 0)
            return false;
        text.remove_prefix(written);
    }
    return true;
}

// Blanks the cursor's line from the cursor to its end, leaving the cursor where it is.
static bool eraseToLineEnd(HANDLE console)
{
    CONSOLE_SCREEN_BUFFER_INFO information{};
    if (::GetConsoleScreenBufferInfo(console, &information) == 0)
        return false;
    const COORD from = information.dwCursorPosition;
    const auto length = static_cast<DWORD>(std::max(0, information.dwSize.X - from.X));
    DWORD done = 0;
    return ::FillConsoleOutputCharacterW(console, L' ', length, from, &done) != 0
        && ::FillConsoleOutputAttribute(console, information.wAttributes, length, from, &done) != 0;
}

// A console shows UTF-16, whatever its code page; the bytes we write are UTF-8. The erase
// sequence that redraws the progress line is carried out here rather than written: consoles
// before Windows 10, and Wine's, would show it as text.
static bool writeToConsole(HANDLE console, std::string_view bytes)
{
    static constexpr std::wstring_view kEraseToLineEnd = L"\x1b[K";
    const std::vector<wchar_t> wide = wideOf(bytes);
    std::wstring_view text(wide.data(), wide.size());
    for (;;) {
        const auto erase = text.find(kEraseToLineEnd);
        if (!writeWide(console, text.substr(0, erase)))
            return false;
        if (erase == std::wstring_view::npos)
            return true;
        if (!eraseToLineEnd(console))
            return false;
        text.remove_prefix(erase + kEraseToLineEnd.size());
    }
}

bool writeAll(int fd, std::string_view bytes)
{
    if (HANDLE console = consoleOf(fd))
        return writeToConsole(console, bytes);
    while (!bytes.empty()) {
        const auto chunk = static_cast<unsigned>(std::min<std::size_t>(bytes.size(), INT_MAX));
        const int written = ::_write(fd, bytes.data(), chunk);
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool isTerminal(int fd)
{
    return consoleOf(fd) != nullptr;
}

std::optional<std::size_t> terminalColumns(int fd)
{
    CONSOLE_SCREEN_BUFFER_INFO information{};
    HANDLE console = consoleOf(fd);
    if (console == nullptr || ::GetConsoleScreenBufferInfo(console, &information) == 0)
        return std::nullopt;
    const int columns = information.srWindow.Right - information.srWindow.Left + 1;
    if (columns <= 0)
        return std::nullopt;
    return static_cast<std::size_t>(columns);
}

std::optional<unsigned> processesOnConsole()
{
    // Two slots are enough to tell "alone" from "shared"; the count is returned either way.
    std::array<DWORD, 2> processes{};
    const DWORD count = ::GetConsoleProcessList(processes.data(), processes.size());
    if (count == 0)
        return std::nullopt; // no console at all
    return static_cast<unsigned>(count);
}

void waitForEnterOnTerminal(std::string_view prompt)
{
    // The console itself, not the standard streams, which may be redirected.
    const HANDLE output = ::CreateFileW(L"CONOUT$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_WRITE,
                                        nullptr, OPEN_EXISTING, 0, nullptr);
    const HANDLE input = ::CreateFileW(L"CONIN$", GENERIC_READ | GENERIC_WRITE, FILE_SHARE_READ,
                                       nullptr, OPEN_EXISTING, 0, nullptr);
    if (output != INVALID_HANDLE_VALUE && input != INVALID_HANDLE_VALUE) {
        static_cast<void>(writeToConsole(output, prompt));
        ::FlushConsoleInputBuffer(input);
        wchar_t c = L'\0';
        DWORD got = 0;
        while (::ReadConsoleW(input, &c, 1, &got, nullptr) != 0 && got == 1 && c != L'\r'
               && c != L'\n') { }
    }
    if (output != INVALID_HANDLE_VALUE)
        ::CloseHandle(output);
    if (input != INVALID_HANDLE_VALUE)
        ::CloseHandle(input);
}

} // namespace beatplate
