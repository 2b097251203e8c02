#include "base/base64.h"

#include <gtest/gtest.h>

#include <string_view>
#include <utility>
#include <vector>

namespace beatplate::test {
namespace {

TEST(Base64, EncodesEveryLengthOfLastGroupWithItsPadding)
{
    const std::vector<std::pair<std::string_view, std::string_view>> cases = {
        { "", "" },
        { "f", "Zg==" },
        { "fo", "Zm8=" },
        { "foo", "Zm9v" },
        { "foob", "Zm9vYg==" },
        { "fooba", "Zm9vYmE=" },
        { "foobar", "Zm9vYmFy" },
        { std::string_view("\xFF\xFE\x00", 3), "//4A" },
    };
    for (const auto& [bytes, text] : cases) {
        SCOPED_TRACE(text);
        const auto* data = reinterpret_cast<const std::uint8_t*>(bytes.data());
        EXPECT_EQ(encodeBase64(std::span(data, bytes.size())), text);
    }
}

} // namespace
} // namespace beatplate::test
