#include "base/text_codec.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace beatplate {
namespace {

struct Utf8Case {
    std::u16string text;
    std::optional<std::string> stored; // encodeUtf8
    std::string shown; // utf8Of
};

TEST(TextCodec, WritesUtf8StrictlyForFilesAndWithReplacementsForPeople)
{
    const std::vector<Utf8Case> cases = {
        { u"", "", "" },
        { u"o\u00e9\u8b5c", "o\xC3\xA9\xE8\xAD\x9C", "o\xC3\xA9\xE8\xAD\x9C" },
        { u"\U0001F3B5", "\xF0\x9F\x8E\xB5", "\xF0\x9F\x8E\xB5" },
        { { u'x', 0xDC00 }, std::nullopt, "x\uFFFD" },
        { { 0xD83C, 0xD83C, 0xDFB5 }, std::nullopt, "\uFFFD\U0001F3B5" },
        { { u'a', 0xD800 }, std::nullopt, "a\uFFFD" },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.shown);
        EXPECT_EQ(encodeUtf8(testCase.text), testCase.stored);
        EXPECT_EQ(utf8Of(testCase.text), testCase.shown);
        if (testCase.stored) {
            EXPECT_EQ(decodeUtf8(*testCase.stored), testCase.text);
        }
    }
    EXPECT_EQ(decodeUtf8("o\xFF"), std::nullopt);
    const std::u16string pair = { u'a', 0xD83C, 0xDFB5, 0xD83C };
    EXPECT_EQ(codePointAt(pair, 1), U'\U0001F3B5');
    EXPECT_EQ(codePointAt(pair, 2), char32_t{ 0xDFB5 });
    EXPECT_EQ(codePointAt(pair, 3), char32_t{ 0xD83C });
}

TEST(TextCodec, WritesUtf16AndTheChartChunkLittleEndianWithAZeroUnit)
{
    const std::u16string text = u"a\u3042";
    EXPECT_EQ(utf16Bytes(text, ByteOrder::LittleEndian), std::string("a\0\x42\x30", 4));
    EXPECT_EQ(utf16Bytes(text, ByteOrder::BigEndian), std::string("\0a\x30\x42", 4));
    EXPECT_EQ(utf16Of(std::string("\0a\x30\x42\x01", 5), ByteOrder::BigEndian), text);
    const std::vector<std::uint8_t> chunk = encodeChartChunk(text);
    EXPECT_EQ(chunk, (std::vector<std::uint8_t>{ 'a', 0, 0x42, 0x30, 0, 0 }));
    EXPECT_EQ(decodeChartChunk(std::string(chunk.begin(), chunk.end())), text);
    EXPECT_EQ(decodeChartChunk(std::string(2, '\0')), u"");
    for (const std::string& broken :
         { std::string(), std::string("o\0\0", 3), std::string("a\0b\0", 4) })
        EXPECT_EQ(decodeChartChunk(broken), std::nullopt);
}

TEST(TextCodec, WritesCodePage932OnlyWhereItReadsBackTheSame)
{
    EXPECT_EQ(decodeCp932("\x95\x88\x82\xA0"), u"\u8b5c\u3042");
    EXPECT_EQ(decodeCp932("\x81"), std::nullopt);
    EXPECT_EQ(encodeCp932(u"o\u8b5c").bytes, "o\x95\x88");
    // U+00A5 would be written as "\", which reads back as itself.
    EXPECT_EQ(encodeCp932(u"ab\u00a5").badUnit, 2u);
    EXPECT_EQ(encodeCp932(u"a\U0001F3B5").badUnit, 1u);
}

TEST(TextCodec, TellsWhatEachUtf8LeadByteStarts)
{
    const struct {
        unsigned char lead;
        std::size_t length;
        unsigned char low;
        unsigned char high;
    } cases[] = {
        { 0x00, 1, 0x80, 0xBF }, { 0x7F, 1, 0x80, 0xBF }, { 0x80, 0, 0x80, 0xBF },
        { 0xC1, 0, 0x80, 0xBF }, { 0xC2, 2, 0x80, 0xBF }, { 0xDF, 2, 0x80, 0xBF },
        { 0xE0, 3, 0xA0, 0xBF }, // no overlong form
        { 0xE1, 3, 0x80, 0xBF }, { 0xEC, 3, 0x80, 0xBF }, { 0xED, 3, 0x80, 0x9F }, // no surrogate
        { 0xEF, 3, 0x80, 0xBF }, { 0xF0, 4, 0x90, 0xBF }, { 0xF3, 4, 0x80, 0xBF },
        { 0xF4, 4, 0x80, 0x8F }, // nothing past U+10FFFF
        { 0xF5, 0, 0x80, 0xBF }, { 0xFF, 0, 0x80, 0xBF },
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<int>(c.lead));
        const Utf8Lead lead = utf8LeadOf(c.lead);
        EXPECT_EQ(lead.length, c.length);
        EXPECT_EQ(lead.low, c.low);
        EXPECT_EQ(lead.high, c.high);
    }
}

} // namespace
} // namespace beatplate
