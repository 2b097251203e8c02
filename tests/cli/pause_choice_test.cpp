#include "cli/pause_choice.h"

#include <gtest/gtest.h>

namespace beatplate {
namespace {

// The window of a dropped chart stays up to show its message; a shell's or a script's never waits.
TEST(PauseChoice, WaitsOnlyWhereTheWindowClosesWithTheProgramOrWhenAskedTo)
{
    const ConsoleFacts dropped{ 1u, false };
    const ConsoleFacts shell{ 2u, false };
    const ConsoleFacts script{ 1u, true };
    const ConsoleFacts uncounted{ std::nullopt, false };
    const struct {
        PauseChoice choice;
        ConsoleFacts facts;
        bool printedMessage;
        bool waits;
    } cases[] = {
        { PauseChoice::Auto, dropped, true, true },
        { PauseChoice::Auto, dropped, false, false },
        { PauseChoice::Auto, shell, true, false },
        { PauseChoice::Auto, script, true, false },
        { PauseChoice::Auto, uncounted, true, false },
        { PauseChoice::Always, shell, true, true },
        { PauseChoice::Always, script, true, true },
        { PauseChoice::Always, uncounted, false, false },
        { PauseChoice::Never, dropped, true, false },
    };
    for (const auto& [choice, facts, printedMessage, waits] : cases) {
        SCOPED_TRACE(testing::Message() << static_cast<int>(choice) << " processes "
                                        << facts.processesOnConsole.value_or(0) << " redirected "
                                        << facts.inputRedirected << " message " << printedMessage);
        EXPECT_EQ(waitsBeforeEnding(choice, facts, printedMessage), waits);
    }
}

} // namespace
} // namespace beatplate
