#include "platform/terminal.h"

#include <cerrno>

namespace beatplate {

// A page has no descriptors to write to and no terminal: the core hands its answers back as
// values.
bool writeAll(int, std::string_view bytes)
{
    errno = EBADF;
    return bytes.empty();
}

bool isTerminal(int)
{
    return false;
}

std::optional<std::size_t> terminalColumns(int)
{
    return std::nullopt;
}

std::optional<unsigned> processesOnConsole()
{
    return std::nullopt;
}

void waitForEnterOnTerminal(std::string_view)
{
}

} // namespace beatplate
