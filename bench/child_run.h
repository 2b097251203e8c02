#pragma once

// A measured run in a process of its own, so that its peak memory is its own.

#include <cstdio>
#include <cstdlib>
#include <optional>
#include <sys/resource.h>
#include <sys/wait.h>
#include <type_traits>
#include <unistd.h>

namespace beatplate {

// The peak resident memory of this process so far.
inline double peakResidentMegabytes()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

// Runs run in a child process and reads back the figures it returns, sent through a pipe as
// bytes; none when the child fails.
template <typename Run>
auto runInChild(const Run& run) -> std::optional<decltype(run())>
{
    using Figures = decltype(run());
    static_assert(std::is_trivially_copyable_v<Figures>, "the figures cross a pipe as bytes");
    int channel[2];
    if (pipe(channel) != 0)
        return std::nullopt;
    std::fflush(stdout);
    const pid_t child = fork();
    if (child == 0) {
        close(channel[0]);
        const Figures figures = run();
        const bool sent = write(channel[1], &figures, sizeof figures) == sizeof figures;
        std::fflush(stdout);
        std::_Exit(sent ? 0 : 1);
    }
    close(channel[1]);
    Figures figures;
    const bool received = read(channel[0], &figures, sizeof figures) == sizeof figures;
    close(channel[0]);
    int status = 0;
    waitpid(child, &status, 0);
    if (!received || !WIFEXITED(status) || WEXITSTATUS(status) != 0)
        return std::nullopt;
    return figures;
}

} // namespace beatplate
