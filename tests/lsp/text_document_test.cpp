#include "lsp/text_document.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>

namespace beatplate {
namespace {

TEST(TextDocument, AppliesEditsAtUtf16Positions)
{
    struct Case {
        const char* name;
        std::u16string text;
        std::optional<TextRange> range;
        std::u16string replacement;
        std::u16string expected;
    };
    const Case cases[] = {
        { "insert", u"o o\nx x\n", TextRange{ { 1, 1 }, { 1, 1 } }, u"O", u"o o\nxO x\n" },
        { "delete across lines", u"o o\r\nx x\n(==)\n", TextRange{ { 0, 2 }, { 2, 1 } }, u"",
          u"o ==)\n" },
        { "after a surrogate pair", u"あ\U0001D11Eo\n", TextRange{ { 0, 3 }, { 0, 4 } }, u"x",
          u"あ\U0001D11Ex\n" },
        { "lone CR ends a line", u"o\rx\r", TextRange{ { 1, 0 }, { 1, 1 } }, u"X", u"o\rX\r" },
        { "past the line's end", u"oo\nxx\n", TextRange{ { 0, 9 }, { 0, 9 } }, u"3", u"oo3\nxx\n" },
        { "past the last line", u"oo\n", TextRange{ { 7, 0 }, { 8, 0 } }, u"x", u"oo\nx" },
        { "whole text", u"oo\n", std::nullopt, u"#bpm 150\n", u"#bpm 150\n" },
    };
    for (const Case& entry : cases) {
        SCOPED_TRACE(entry.name);
        TextDocument document(entry.text, 1);
        document.edit(entry.range, entry.replacement, 2);
        EXPECT_EQ(document.text(), entry.expected);
        EXPECT_EQ(document.version(), 2);
    }
}

TEST(TextDocument, SplitsLinesAsTheChartReaderDoes)
{
    const TextDocument document(u"a\r\nb\rc\n\nd", 1);
    const std::vector<std::u16string_view> expected = { u"a", u"b", u"c", u"", u"d" };
    EXPECT_EQ(document.lines(), expected);
    EXPECT_EQ(document.lineCount(), 5);
    EXPECT_EQ(document.positionOf(document.text().find(u'c')), (TextPosition{ 2, 0 }));
    EXPECT_EQ(document.offsetOf({ 4, 1 }), document.text().size());
}

} // namespace
} // namespace beatplate
