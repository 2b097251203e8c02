#include "server/http_text.h"

#include <gtest/gtest.h>

#include <utility>
#include <vector>

namespace beatplate::test {
namespace {

TEST(HttpText, EncodesBase64AndReadsAndWritesHttpDates)
{
    const std::vector<std::pair<std::string_view, std::string_view>> base64 = {
        { "", "" },
        { "f", "Zg==" },
        { "fo", "Zm8=" },
        { "foo", "Zm9v" },
        { "foob", "Zm9vYg==" },
        { "fooba", "Zm9vYmE=" },
        { "foobar", "Zm9vYmFy" },
        { std::string_view("\xFF\xFE\x00", 3), "//4A" },
    };
    for (const auto& [bytes, text] : base64) {
        SCOPED_TRACE(text);
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        EXPECT_EQ(encodeBase64(std::span(data, bytes.size())), text);
    }
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
