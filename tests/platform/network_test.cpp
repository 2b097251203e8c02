#include "platform/network.h"

#include <gtest/gtest.h>

#include <array>

namespace beatplate {
namespace {

TEST(Network, TellsNumericAndLoopbackAddresses)
{
    struct Case {
        const char* text;
        bool numeric;
        bool loopback;
    };
    const std::array cases{
        Case{ "127.0.0.1", true, true },
        Case{ "127.255.1.2", true, true },
        Case{ "126.0.0.1", true, false },
        Case{ "0.0.0.0", true, false },
        Case{ "::1", true, true },
        Case{ "0:0:0:0:0:0:0:1", true, true },
        Case{ "::", true, false },
        Case{ "::2", true, false },
        Case{ "::ffff:127.0.0.1", true, true },
        Case{ "::ffff:10.0.0.1", true, false },
        Case{ "::fffe:127.0.0.1", true, false },
        Case{ "::127.0.0.1", true, false },
        Case{ "1::ffff:127.0.0.1", true, false },
        Case{ "localhost", false, false },
        Case{ "127.0.0.1.5", false, false },
        Case{ "[::1]", false, false },
        Case{ "", false, false },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.text);
        EXPECT_EQ(isNumericAddress(c.text), c.numeric);
        EXPECT_EQ(isLoopbackAddress(c.text), c.loopback);
    }
}

} // namespace
} // namespace beatplate
