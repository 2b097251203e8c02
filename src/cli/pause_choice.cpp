#include "cli/pause_choice.h"

#include "platform/terminal.h"

namespace beatplate {

ConsoleFacts consoleFacts()
{
    return { processesOnConsole(), !isTerminal(kStandardInput) };
}

bool consoleClosesWithProgram(const ConsoleFacts& facts)
{
    // A shell shares its console with the program; a console the program is alone on was made
    // for it. Redirected input means a script, which nobody watches.
    return facts.processesOnConsole == 1u && !facts.inputRedirected;
}

bool waitsBeforeEnding(PauseChoice choice, const ConsoleFacts& facts, bool printedMessage)
{
    if (!printedMessage)
        return false;
    switch (choice) {
    case PauseChoice::Always:
        return true;
    case PauseChoice::Never:
        return false;
    case PauseChoice::Auto:
        break;
    }
    return consoleClosesWithProgram(facts);
}

} // namespace beatplate
