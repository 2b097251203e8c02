#pragma once

#include <optional>

namespace beatplate {

// Whether a program waits for a key before it ends.
enum class PauseChoice {
    Auto, // only in a console window of its own, which would close with the program
    Always, // --pause
    Never, // --no-pause
};

// What the system says of the console the program runs in.
struct ConsoleFacts {
    // The processes attached to the console; none where the platform does not count them.
    std::optional<unsigned> processesOnConsole;
    bool inputRedirected = false;
};

// The facts of this process's console, as the platform gives them.
[[nodiscard]] ConsoleFacts consoleFacts();

// True when a person is reading the console and it closes with the program: started from the
// file manager, a shortcut or a drop, never from a shell or a script.
[[nodiscard]] bool consoleClosesWithProgram(const ConsoleFacts& facts);

// True when the program should wait for a key before it ends: only after a message (an error or
// a warning), which would otherwise vanish with its window.
[[nodiscard]] bool waitsBeforeEnding(PauseChoice choice, const ConsoleFacts& facts,
                                     bool printedMessage);

} // namespace beatplate
