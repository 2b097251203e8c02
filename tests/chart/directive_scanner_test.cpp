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
    std::wstring text;
    std::optional<float> value;
    std::wstring rest; // what is left after the read
};

TEST(DirectiveScanner, ReadsRealsByFormattedExtractionRules)
{
    const std::vector<RealCase> cases = {
        { L" 150", 150.0F, L"" },
        { L"\u3000\t150abc", 150.0F, L"abc" },
        { L"1.5 oxx", 1.5F, L" oxx" },
        { L"+2.", 2.0F, L"" },
        { L"-.25x", -0.25F, L"x" },
        { L"1.5e2,", 150.0F, L"," },
        { L"2E-1", 0.2F, L"" },
        { L"12.5.5", 12.5F, L".5" },
        { L"1.5e", std::nullopt, L"" },
        { L"1.5e+x", std::nullopt, L"x" },
        { L".", std::nullopt, L"" },
        { L"-", std::nullopt, L"" },
        { L"abc", std::nullopt, L"abc" },
        { L"\u00A0"
          L"1",
          std::nullopt,
          L"\u00A0"
          L"1" }, // no-break space is no white space
        { L"\uFF11", std::nullopt, L"\uFF11" }, // a full-width digit is no digit
        { L"1e39", std::numeric_limits<float>::infinity(), L"" }, // written, but too large
        { L"-1e39x", -std::numeric_limits<float>::infinity(), L"x" },
        { L"0.0001e-50", 0.0F, L"" }, // too small to be told from zero
        { L"", std::nullopt, L"" },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(std::string(testCase.text.begin(), testCase.text.end()));
        DirectiveScanner scanner(testCase.text);
        EXPECT_EQ(scanner.readReal(), testCase.value);
        EXPECT_EQ(scanner.rest(), testCase.rest);
    }
}

struct IntegerCase {
    std::wstring text;
    std::optional<std::int32_t> value;
};

TEST(DirectiveScanner, ReadsSigned32BitIntegers)
{
    const std::vector<IntegerCase> cases = {
        { L" 4", 4 },
        { L"+8", 8 },
        { L"-12", -12 },
        { L"4.5", 4 },
        { L"0x10", 0 },
        { L"2147483647", 2147483647 },
        { L"-2147483648", -2147483647 - 1 },
        { L"2147483648", std::nullopt },
        { L"-2147483649", std::nullopt },
        { L"99999999999999999999", std::nullopt },
        { L"+", std::nullopt },
        { L"x4", std::nullopt },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(std::string(testCase.text.begin(), testCase.text.end()));
        DirectiveScanner scanner(testCase.text);
        EXPECT_EQ(scanner.readInteger(), testCase.value);
    }
}

TEST(DirectiveScanner, UnsignedReadWrapsNegativeNumbers)
{
    DirectiveScanner scanner(L"8 -4 4294967295");
    EXPECT_EQ(scanner.readUnsigned(), 8u);
    EXPECT_EQ(scanner.readUnsigned(), 4294967292u);
    EXPECT_EQ(scanner.readUnsigned(), 4294967295u);
    DirectiveScanner tooLarge(L"4294967296");
    EXPECT_EQ(tooLarge.readUnsigned(), std::nullopt);
}

TEST(DirectiveScanner, AFailedReadSpoilsEveryLaterRead)
{
    DirectiveScanner scanner(L"150 x 4 2");
    EXPECT_EQ(scanner.readReal(), 150.0F);
    EXPECT_EQ(scanner.readInteger(), std::nullopt);
    EXPECT_TRUE(scanner.failed());
    EXPECT_EQ(scanner.readWord(), std::nullopt);
    EXPECT_EQ(scanner.readInteger(), std::nullopt);
    EXPECT_EQ(scanner.readReal(), std::nullopt);

    DirectiveScanner atEnd(L"150");
    EXPECT_EQ(atEnd.readReal(), 150.0F);
    EXPECT_FALSE(atEnd.failed());
    EXPECT_EQ(atEnd.readWord(), std::nullopt);
    EXPECT_TRUE(atEnd.failed());
}

TEST(DirectiveScanner, WordsAreSeparatedByTheChartWhiteSpace)
{
    DirectiveScanner scanner(L" bpm\u3000oxo\v4\f\r2 \u00A0x");
    std::vector<std::wstring> words;
    while (const auto word = scanner.readWord())
        words.emplace_back(*word);
    EXPECT_EQ(words, (std::vector<std::wstring>{ L"bpm", L"oxo", L"4", L"2", L"\u00A0x" }));
}

TEST(DirectiveScanner, IntegerWordMustBeTheNumberAlone)
{
    EXPECT_EQ(parseIntegerWord(L"42").value, 42);
    EXPECT_EQ(parseIntegerWord(L"+4").value, 4);
    EXPECT_EQ(parseIntegerWord(L"-4").value, -4);
    for (const wchar_t* word : { L"", L"4x", L"x4", L"4.0", L" 4", L"+", L"99999999999x" }) {
        SCOPED_TRACE(std::wstring(word).size());
        EXPECT_EQ(parseIntegerWord(word).value, std::nullopt);
        EXPECT_FALSE(parseIntegerWord(word).outOfRange);
    }
    EXPECT_TRUE(parseIntegerWord(L"2147483648").outOfRange);
    EXPECT_TRUE(parseIntegerWord(L"-99999999999").outOfRange);
}

TEST(DirectiveScanner, TellsATooLargeIntegerFromAMissingOne)
{
    DirectiveScanner missing(L"x");
    EXPECT_EQ(missing.readInteger(), std::nullopt);
    EXPECT_FALSE(missing.outOfRange());
    DirectiveScanner tooLarge(L" 99999999999");
    EXPECT_EQ(tooLarge.readInteger(), std::nullopt);
    EXPECT_TRUE(tooLarge.outOfRange());
    EXPECT_EQ(tooLarge.lastStart(), 1u);
    DirectiveScanner tooLargeUnsigned(L"4294967296");
    EXPECT_EQ(tooLargeUnsigned.readUnsigned(), std::nullopt);
    EXPECT_TRUE(tooLargeUnsigned.outOfRange());
}

TEST(DirectiveScanner, NotesTheFirstNumberFollowedByOtherCharacters)
{
    struct Case {
        std::wstring text;
        std::optional<std::size_t> numberStart;
        std::size_t textStart;
    };
    const std::vector<Case> cases = {
        { L" 150,5 4", 1, 4 },
        { L"0x10", 0, 1 },
        { L"120 4 8abc", 6, 7 },
        { L"1.5oxx", 0, 3 },
        { L"150 4 2", std::nullopt, 0 },
        { L"150　4", std::nullopt, 0 }, // an ideographic space separates
        { L"x4", std::nullopt, 0 }, // no number read
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
