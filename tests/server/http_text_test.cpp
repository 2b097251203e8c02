#include "server/http_text.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace beatplate::test {
namespace {

TEST(HttpText, ReadsAndWritesHttpDates)
{
    EXPECT_EQ(formatHttpDate(784111777), "Sun, 06 Nov 1994 08:49:37 GMT");
    EXPECT_EQ(parseHttpDate("Sun, 06 Nov 1994 08:49:37 GMT"), 784111777);
    EXPECT_EQ(formatIsoTime({ 784111777, 123'456'789 }), "1994-11-06T08:49:37.123Z");
    for (const char* wrong :
         { "", "Sun, 06 Nov 1994 08:49:37", "Sun, 06 Foo 1994 08:49:37 GMT",
           "Sunday, 06-Nov-94 08:49:37 GMT", "Sun, 06 Nov 1994 08:49:37 GMT x" }) {
        SCOPED_TRACE(wrong);
        EXPECT_EQ(parseHttpDate(wrong), std::nullopt);
    }
}

} // namespace
} // namespace beatplate::test
