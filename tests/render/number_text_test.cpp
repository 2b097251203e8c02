#include "render/number_text.h"

#include <gtest/gtest.h>

#include <string_view>

namespace beatplate {
namespace {

struct TextCase {
    std::uint32_t value;
    std::string_view text;
};

TEST(NumberText, WholeNumbersAreBareDecimalDigits)
{
    const TextCase cases[] = {
        { 0, "0" },
        { 1, "1" },
        { 11, "11" },
        { 1000, "1000" }, // never a digit-group separator
        { 1234567, "1234567" },
        { 4294967295u, "4294967295" },
    };
    for (const auto& [value, text] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(NumberText::wholeNumber(value).view(), text);
        EXPECT_EQ(NumberText::wholeNumber(value).size(), text.size());
    }
}

TEST(NumberText, HundredthsAreWrittenWithSixteenSignificantDigits)
{
    struct SignedCase {
        std::int32_t value;
        std::string_view text;
    };
    const SignedCase cases[] = {
        { 12000, "120" },
        { 15000, "150" },
        { 15050, "150.5" },
        { 150, "1.5" },
        { 7, "0.07000000000000001" }, // 0.07 is not exact in binary; 16 digits show it
        { 33, "0.33" },
        { 3, "0.03" },
        { 1, "0.01" },
        { 0, "0" },
        { 100, "1" },
        { 999, "9.99" },
        { 12345, "123.45" },
        { 100000000, "1000000" }, // neither a separator nor an exponent
        { 2147483647, "21474836.47" },
        { -150, "-1.5" }, // a reverse scroll keeps its sign
        { -7, "-0.07000000000000001" },
        { -2147483647 - 1, "-21474836.48" },
    };
    for (const auto& [value, text] : cases) {
        SCOPED_TRACE(value);
        EXPECT_EQ(NumberText::hundredths(value).view(), text);
    }
}

} // namespace
} // namespace beatplate
