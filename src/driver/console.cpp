#include "driver/console.h"

#include <cstdio>

namespace beatplate {

void reportAndWait(std::string_view message, LineEnd lineEnd)
{
    std::fwrite(message.data(), 1, message.size(), stdout);
    if (lineEnd == LineEnd::Newline)
        std::fputc('\n', stdout);
    // Standard output may be a pipe: the message must be out before the wait, not at exit.
    std::fflush(stdout);
    (void)std::getchar();
}

} // namespace beatplate
