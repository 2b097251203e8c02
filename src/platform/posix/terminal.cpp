#include "platform/terminal.h"

#include "platform/file_descriptor.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/ioctl.h>
#include <unistd.h>

namespace beatplate {

bool writeAll(int fd, std::string_view bytes)
{
    while (!bytes.empty()) {
        const auto written = ::write(fd, bytes.data(), bytes.size());
        if (written < 0 && errno == EINTR)
            continue;
        if (written <= 0)
            return false;
        bytes.remove_prefix(static_cast<std::size_t>(written));
    }
    return true;
}

bool isTerminal(int fd)
{
    return ::isatty(fd) != 0;
}

std::optional<std::size_t> terminalColumns(int fd)
{
    winsize size{};
    if (::ioctl(fd, TIOCGWINSZ, &size) != 0 || size.ws_col == 0)
        return std::nullopt;
    return size.ws_col;
}

std::optional<unsigned> processesOnConsole()
{
    return std::nullopt;
}

void waitForEnterOnTerminal(std::string_view prompt)
{
    const FileDescriptor terminal(::open("/dev/tty", O_RDWR | O_NOCTTY | O_CLOEXEC));
    if (!terminal.valid())
        return;
    static_cast<void>(writeAll(terminal.get(), prompt));
    char c = '\0';
    while (true) {
        const auto got = ::read(terminal.get(), &c, 1);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0 || c == '\n')
            return;
    }
}

} // namespace beatplate
