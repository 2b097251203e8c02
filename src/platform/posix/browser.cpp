#include "platform/browser.h"

#include <cerrno>
#include <cstring>
#include <spawn.h>
#include <sys/wait.h>

extern char** environ;

namespace beatplate {

std::string openInBrowser(const std::string& url)
{
    // The shell starts xdg-open in the background and ends at once, so that no child is left to
    // reap and a browser that stays in the foreground does not hold the server up.
    static constexpr const char* kScript =
        "command -v xdg-open >/dev/null 2>&1 || exit 127; xdg-open \"$1\" >/dev/null 2>&1 &";
    const char* arguments[] = { "sh", "-c", kScript, "sh", url.c_str(), nullptr };
    pid_t shell = 0;
    // posix_spawn takes its arguments as char* const[], which it does not change.
    const int error = ::posix_spawn(&shell, "/bin/sh", nullptr, nullptr,
                                    const_cast<char* const*>(arguments), environ);
    if (error != 0)
        return std::string("cannot start /bin/sh: ") + std::strerror(error);
    int status = 0;
    while (::waitpid(shell, &status, 0) < 0) {
        if (errno != EINTR)
            return std::string("cannot wait for /bin/sh: ") + std::strerror(errno);
    }
    if (WIFEXITED(status) && WEXITSTATUS(status) == 127)
        return "xdg-open is not installed (Debian: xdg-utils)";
    return {};
}

} // namespace beatplate
