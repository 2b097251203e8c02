#include "chart/directive_scanner.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <optional>
#include <string>
#include <vector>

namespace beatplate {
namespace {

struct RealCase {
    std::u16string text;
    std::optional<float> value;
    std::u16string rest; // what is left after the read
};

TEST(DirectiveScanner, ReadsRealsByFormattedExtractionRules)
{
    const std::vector<RealCase> cases = {
        { u" 150", 150.0F, u"" },
        { u"\u3000\t150abc", 150.0F, u"abc" },
        { u"1.5 oxx", 1.5F, u" oxx" },
        { u"+2.", 2.0F, u"" },
        { u"-.25x", -0.25F, u"x" },
        { u"1.5e2,", 150.0F, u"," },
        { u"2E-1", 0.2F, u"" },
        { u"12.5.5", 12.5F, u".5" },
        { u"1.5e", std::nullopt, u"" },
        { u"1.5e+x", std::nullopt, u"x" },
        { u".", std::nullopt, u"" },
        { u"-", std::nullopt, u"" },
        { u"abc", std::nullopt, u"abc" },
        { u"\u00A0"
          u"1",
          std::nullopt,
          u"\u00A0"
          u"1" }, // no-break space is no white space
        { u"\uFF11", std::nullopt, u"\uFF11" }, // a full-width digit is no digit
        { u"1e39", std::numeric_limits<float>::infinity(), u"" }, // written, but too large
        { u"-1e39x", -std::numeric_limits<float>::infinity(), u"x" },
        { u"0.0001e-50", 0.0F, u"" }, // too small to be told from zero
        { u"", std::nullopt, u"" },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(std::string(testCase.text.begin(), testCase.text.end()));
        DirectiveScanner scanner(testCase.text);
        EXPECT_EQ(scanner.readReal(), testCase.value);
        EXPECT_EQ(scanner.rest(), testCase.rest);
    }
}

struct IntegerCase {
    std::u16string text;
    std::optional<std::int32_t> value;
};

TEST(DirectiveScanner, ReadsSigned32BitIntegers)
{
    const std::vector<IntegerCase> cases = {
        { u" 4", 4 },
        { u"+8", 8 },
        { u"-12", -12 },
        { u"4.5", 4 },
        { u"0x10", 0 },
        { u"2147483647", 2147483647 },
        { u"-2147483648", -2147483647 - 1 },
        { u"2147483648", std::nullopt },
        { u"-2147483649", std::nullopt },
        { u"99999999999999999999", std::nullopt },
        { u"+", std::nullopt },
        { u"x4", std::nullopt },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(std::string(testCase.text.begin(), testCase.text.end()));
        DirectiveScanner scanner(testCase.text);
        EXPECT_EQ(scanner.readInteger(), testCase.value);
    }
}

TEST(DirectiveScanner, UnsignedReadWrapsNegativeNumbers)
{
    DirectiveScanner scanner(u"8 -4 4294967295");
    EXPECT_EQ(scanner.readUnsigned(), 8u);
    EXPECT_EQ(scanner.readUnsigned(), 4294967292u);
    EXPECT_EQ(scanner.readUnsigned(), 4294967295u);
    DirectiveScanner tooLarge(u"4294967296");
    EXPECT_EQ(tooLarge.readUnsigned(), std::nullopt);
}

TEST(DirectiveScanner, AFailedReadSpoilsEveryLaterRead)
{
    DirectiveScanner scanner(u"150 x 4 2");
    EXPECT_EQ(scanner.readReal(), 150.0F);
    EXPECT_EQ(scanner.readInteger(), std::nullopt);
    EXPECT_TRUE(scanner.failed());
    EXPECT_EQ(scanner.readWord(), std::nullopt);
    EXPECT_EQ(scanner.readInteger(), std::nullopt);
    EXPECT_EQ(scanner.readReal(), std::nullopt);

    DirectiveScanner atEnd(u"150");
    EXPECT_EQ(atEnd.readReal(), 150.0F);
    EXPECT_FALSE(atEnd.failed());
    EXPECT_EQ(atEnd.readWord(), std::nullopt);
    EXPECT_TRUE(atEnd.failed());
}

TEST(DirectiveScanner, WordsAreSeparatedByTheChartWhiteSpace)
{
    DirectiveScanner scanner(u" bpm\u3000oxo\v4\f\r2 \u00A0x");
    std::vector<std::u16string> words;
    while (const auto word = scanner.readWord())
        words.emplace_back(*word);
    EXPECT_EQ(words, (std::vector<std::u16string>{ u"bpm", u"oxo", u"4", u"2", u"\u00A0x" }));
}

TEST(DirectiveScanner, IntegerWordMustBeTheNumberAlone)
{
    EXPECT_EQ(parseIntegerWord(u"42").value, 42);
    EXPECT_EQ(parseIntegerWord(u"+4").value, 4);
    EXPECT_EQ(parseIntegerWord(u"-4").value, -4);
    for (const char16_t* word : { u"", u"4x", u"x4", u"4.0", u" 4", u"+", u"99999999999x" }) {
        SCOPED_TRACE(std::u16string(word).size());
        EXPECT_EQ(parseIntegerWord(word).value, std::nullopt);
        EXPECT_FALSE(parseIntegerWord(word).outOfRange);
    }
    EXPECT_TRUE(parseIntegerWord(u"2147483648").outOfRange);
    EXPECT_TRUE(parseIntegerWord(u"-99999999999").outOfRange);
}

TEST(DirectiveScanner, TellsATooLargeIntegerFromAMissingOne)
{
    DirectiveScanner missing(u"x");
    EXPECT_EQ(missing.readInteger(), std::nullopt);
    EXPECT_FALSE(missing.outOfRange());
    DirectiveScanner tooLarge(u" 99999999999");
    EXPECT_EQ(tooLarge.readInteger(), std::nullopt);
    EXPECT_TRUE(tooLarge.outOfRange());
    EXPECT_EQ(tooLarge.lastStart(), 1u);
    DirectiveScanner tooLargeUnsigned(u"4294967296");
    EXPECT_EQ(tooLargeUnsigned.readUnsigned(), std::nullopt);
    EXPECT_TRUE(tooLargeUnsigned.outOfRange());
}

TEST(DirectiveScanner, NotesTheFirstNumberFollowedByOtherCharacters)
{
    struct Case {
        std::u16string text;
        std::optional<std::size_t> numberStart;
        std::size_t textStart;
    };
    const std::vector<Case> cases = {
        { u" 150,5 4", 1, 4 },
        { u"0x10", 0, 1 },
        { u"120 4 8abc", 6, 7 },
        { u"1.5oxx", 0, 3 },
        { u"150 4 2", std::nullopt, 0 },
        { u"150　4", std::nullopt, 0 }, // an ideographic space separates
        { u"x4", std::nullopt, 0 }, // no number read
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(std::string(testCase.text.begin(), testCase.text.end()));
        DirectiveScanner scanner(testCase.text);
        static_cast<void>(scanner.readReal());
        while (scanner.readInteger()) { }
        const auto found = scanner.numberWithText();
        ASSERT_EQ(found.has_value(), testCase.numberStart.has_value());
        if (found) {
            EXPECT_EQ(found->numberStart, *testCase.numberStart);
            EXPECT_EQ(found->textStart, testCase.textStart);
        }
    }
}

} // namespace
} // namespace beatplate
