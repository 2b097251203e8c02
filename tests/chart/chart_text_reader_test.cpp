#include "chart/chart_text_reader.h"
#include "chart_test_helpers.h"
#include "support/test_support.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

namespace beatplate {
namespace {

std::vector<std::u16string> readAllLines(ChartTextReader& reader)
{
    std::vector<std::u16string> lines;
    std::u16string line;
    while (reader.good()) {
        static_cast<void>(reader.readLine(line));
        lines.push_back(line);
    }
    return lines;
}

std::u16string units(std::initializer_list<char16_t> codes)
{
    return std::u16string(codes);
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::vector<std::u16string> lines;
    bool cutAtMark = false; // input follows the 0x1A that ends the text
};

TEST(ChartTextReader, DecodesLinesOfEveryEncoding)
{
    const std::vector<DecodeCase> cases = {
        { "empty file", "", { u"" } },
        { "final line break gives an empty last line", "ab\n", { u"ab", u"" } },
        { "no final line break", "ab\ncd", { u"ab", u"cd" } },
        { "CR LF folded", "ab\r\ncd\r\n", { u"ab", u"cd", u"" } },
        { "lone CR ends a line", "ab\rcd\r", { u"ab", u"cd", u"" } },
        { "CR before CR LF", "a\r\r\nb", { u"a", u"", u"b" } },
        { "mixed line ends", "a\nb\r\nc\rd", { u"a", u"b", u"c", u"d" } },
        { "0x1A ends the input",
          "ab\ncd\x1A"
          "ef\ngh",
          { u"ab", u"cd" },
          true },
        { "0x1A right after a line break",
          "ab\n\x1A"
          "cd",
          { u"ab", u"" },
          true },
        { "0x1A as the last byte", "ab\x1A", { u"ab" } },
        { "lead byte without a trail byte",
          "ab\x81\x1A"
          "cd",
          { u"ab" },
          true },
        { "lead byte at the very end", "ab\n\x82", { u"ab", u"" } },
        { "double-byte characters", "\x82\xD3\x82\xC2\x82\xA4", { u"ふつう" } },
        { "half-width katakana", "\xB1\xB2\xDF", { units({ 0xFF71, 0xFF72, 0xFF9F }) } },
        { "backslash and tilde bytes stay ASCII", "\\~", { u"\\~" } },
        { "NUL is a character", std::string("a\0b", 3), { units({ u'a', 0, u'b' }) } },
        { "UTF-8 mark", "\xEF\xBB\xBF\xE3\x81\xB5\xE3\x81\xA4\r\nx", { u"ふつ", u"x" } },
        { "UTF-8 mark alone", "\xEF\xBB\xBF", { u"" } },
        { "UTF-8 outside the BMP becomes a surrogate pair",
          "\xEF\xBB\xBF"
          "a\xF0\x9F\x8E\xB5z",
          { units({ u'a', 0xD83C, 0xDFB5, u'z' }) } },
        { "UTF-8 truncated sequence at the end",
          "\xEF\xBB\xBF"
          "ab\xE3\x81",
          { u"ab" } },
        { "UTF-8 0x1A ends the input",
          "\xEF\xBB\xBF"
          "a\x1A"
          "b",
          { u"a" },
          true },
        { "UTF-16LE mark",
          std::string("\xFF\xFE"
                      "a\0\r\0\n\0\x75\x30",
                      10),
          { u"a", u"ふ" } },
        { "UTF-16BE mark",
          std::string("\xFE\xFF\0a\0\r\0\n\x30\x75\0\x1A\0b", 14),
          { u"a", u"ふ" },
          true },
        { "UTF-16 0x1A as the last unit",
          std::string("\xFF\xFE"
                      "a\0\x1A\0",
                      6),
          { u"a" } },
        { "UTF-16 odd final byte",
          std::string("\xFF\xFE"
                      "a\0b",
                      5),
          { u"a" } },
        { "UTF-16 surrogate pair kept", "\xFE\xFF\xD8\x3C\xDF\xB5", { units({ 0xD83C, 0xDFB5 }) } },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        auto reader = ChartTextReader::fromBytes(testCase.bytes);
        EXPECT_EQ(readAllLines(reader), testCase.lines);
        EXPECT_EQ(reader.cutAtEndOfFileMark(), testCase.cutAtMark);
    }
}

struct DetectionCase {
    const char* name;
    std::string bytes;
    std::optional<ChartEncoding> forced;
    ChartEncoding encoding;
    bool byteOrderMark;
    std::u16string firstLine;
};

TEST(ChartTextReader, DetectsTheEncodingOfAFileWithoutAMark)
{
    const std::string utf8 = "#title \xE3\x81\xB5\xE3\x81\xA4"; // "#title ふつ"
    const std::string cp932 = "#title \x82\xD3\x82\xC2";
    const std::vector<DetectionCase> cases = {
        { "UTF-8 with Japanese", utf8, {}, ChartEncoding::Utf8, false, u"#title ふつ" },
        { "code page 932 with Japanese", cp932, {}, ChartEncoding::Cp932, false, u"#title ふつ" },
        { "plain ASCII", "#bpm 120", {}, ChartEncoding::Cp932, false, u"#bpm 120" },
        { "UTF-8 up to 0x1A, anything after it",
          utf8 + "\x1A\xFF",
          {},
          ChartEncoding::Utf8,
          false,
          u"#title ふつ" },
        { "UTF-8 whose last character is cut off",
          utf8 + "\xE3\x81",
          {},
          ChartEncoding::Utf8,
          false,
          u"#title ふつ" },
        { "a cut-off sequence alone is no UTF-8",
          "ab\xE3\x81",
          {},
          ChartEncoding::Cp932,
          false,
          u"ab\u7E3A" },
        { "valid UTF-8 then a byte it cannot hold",
          utf8 + "\x82\xA0",
          {},
          ChartEncoding::Cp932,
          false,
          u"#title \u7E3A\uFF75\u7E3A\uFF64\u3042" },
        { "surrogates encoded in UTF-8 are no UTF-8",
          "\xED\xA0\xA1",
          {},
          ChartEncoding::Cp932,
          false,
          u"\u605D\uFF61" },
        { "forced code page 932", utf8, ChartEncoding::Cp932, ChartEncoding::Cp932, false,
          u"#title \u7E3A\uFF75\u7E3A\uFF64" },
        { "forced UTF-8", "#bpm 120", ChartEncoding::Utf8, ChartEncoding::Utf8, false,
          u"#bpm 120" },
        { "a mark beats the forced encoding", "\xEF\xBB\xBF" + utf8, ChartEncoding::Cp932,
          ChartEncoding::Utf8, true, u"#title ふつ" },
        { "UTF-16BE mark", std::string("\xFE\xFF\0a", 4), {}, ChartEncoding::Utf16Be, true, u"a" },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        auto reader = ChartTextReader::fromBytes(testCase.bytes, testCase.forced);
        EXPECT_EQ(reader.encoding(), testCase.encoding);
        EXPECT_EQ(reader.hasByteOrderMark(), testCase.byteOrderMark);
        std::u16string line;
        EXPECT_FALSE(reader.readLine(line));
        EXPECT_EQ(line, testCase.firstLine);
    }
}

struct UndecodableCase {
    const char* name;
    std::string bytes;
    std::optional<ChartEncoding> forced;
    int column;
    std::string detail;
};

TEST(ChartTextReader, ReportsUndecodableBytesAndGoesOnWithTheNextLine)
{
    const std::vector<UndecodableCase> cases = {
        { "0xFF",
          "ab\xFF"
          "cd",
          {},
          3,
          "0xFF cannot be read as code page 932" },
        { "0x80 and 0xA0", "\x80\xA0", {}, 1, "0x80 cannot be read as code page 932" },
        { "after double-byte characters",
          "\x82\xA0\x82\xA2\xFD",
          {},
          3,
          "0xFD cannot be read as code page 932" },
        { "an unassigned double-byte code",
          "a\x85\x40",
          {},
          2,
          "0x85 0x40 cannot be read as code page 932" },
        { "a lead byte before a line end keeps the line end",
          "a\x81",
          {},
          2,
          "0x81 cannot be read as code page 932" },
        { "forced UTF-8", "a\x82\xA0", ChartEncoding::Utf8, 2, "0x82 cannot be read as UTF-8" },
        { "an overlong UTF-8 form",
          "\xEF\xBB\xBF\xC0\x80",
          {},
          1,
          "0xC0 0x80 cannot be read as UTF-8" },
        { "a lone UTF-16 surrogate",
          std::string("\xFF\xFE"
                      "a\0\0\xD8z\0",
                      8),
          {},
          2,
          "0x00 0xD8 cannot be read as UTF-16LE" },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        const bool utf16 = testCase.bytes.starts_with("\xFF\xFE");
        auto reader = ChartTextReader::fromBytes(
            testCase.bytes + (utf16 ? std::string("\n\0x\0", 4) : std::string("\nx")),
            testCase.forced);
        std::u16string line;
        const auto fault = reader.readLine(line);
        ASSERT_TRUE(fault);
        EXPECT_EQ(*fault,
                  (LineFault{ "encoding error.", testCase.column, testCase.detail,
                              ChartErrorExtent::Line, ChartErrorKind::Encoding }));
        EXPECT_EQ(readAllLines(reader), std::vector<std::u16string>{ u"x" });
        // The line is kept without its bytes, so that the text keeps every line read.
        EXPECT_EQ(reader.text(), line + u"\nx\n");
    }
}

TEST(ChartTextReader, ReadsAFileAcrossChunkEndsAsFromMemory)
{
    // A double-byte character and a CR LF pair each straddle an end of the reader's 64 KiB reads.
    std::string bytes = "x";
    std::u16string firstLine = u"x";
    for (int i = 0; i < 65536; ++i) {
        bytes += "\x82\xA0";
        firstLine += u'あ';
    }
    bytes.append(196607 - bytes.size(), 'z');
    firstLine.append(65534, u'z');
    bytes += "\r\nend\x82";
    const std::vector<std::u16string> expected = { firstLine, u"end" };

    test::TempDir directory;
    test::writeFile(directory / "long.txt", bytes);
    auto fromFile = ChartTextReader::open(directory / "long.txt");
    ASSERT_TRUE(fromFile.has_value());
    EXPECT_EQ(readAllLines(*fromFile), expected);
    auto fromMemory = ChartTextReader::fromBytes(bytes);
    EXPECT_EQ(readAllLines(fromMemory), expected);
}

TEST(ChartTextReader, SeesTextAfterAMarkThatEndsARead)
{
    // The 0x1A is the last byte of the reader's first 64 KiB read: what follows it, if
    // anything, comes only with the next read.
    const std::string head = "\x82\xA0" + std::string(65533, 'o') + "\x1A";
    test::TempDir directory;
    for (const auto& [tail, cut] : { std::pair{ "", false }, std::pair{ "oo", true } }) {
        SCOPED_TRACE(tail);
        test::writeFile(directory / "mark.txt", head + tail);
        auto reader = ChartTextReader::open(directory / "mark.txt", ChartEncoding::Cp932);
        ASSERT_TRUE(reader.has_value());
        EXPECT_EQ(readAllLines(*reader),
                  std::vector<std::u16string>{ u"あ" + std::u16string(65533, u'o') });
        EXPECT_EQ(reader->cutAtEndOfFileMark(), cut);
    }
}

TEST(ChartTextReader, DetectionReadsPastTheFirstChunk)
{
    // What decides lies beyond the reader's first 64 KiB read.
    const std::string ascii(100'000, 'o');
    test::TempDir directory;
    test::writeFile(directory / "utf8.txt", ascii + "\xE3\x81\x82");
    test::writeFile(directory / "cp932.txt", ascii + "\xE3\x81\x82\x82\xA0");
    auto utf8 = ChartTextReader::open(directory / "utf8.txt");
    ASSERT_TRUE(utf8.has_value());
    EXPECT_EQ(utf8->encoding(), ChartEncoding::Utf8);
    EXPECT_EQ(readAllLines(*utf8),
              std::vector<std::u16string>{ std::u16string(100'000, u'o') + u"あ" });
    auto cp932 = ChartTextReader::open(directory / "cp932.txt");
    ASSERT_TRUE(cp932.has_value());
    EXPECT_EQ(cp932->encoding(), ChartEncoding::Cp932);
}

TEST(ChartTextReader, NamesItsEncodings)
{
    EXPECT_EQ(chartEncodingNamed("cp932"), ChartEncoding::Cp932);
    EXPECT_EQ(chartEncodingNamed("UTF-8"), ChartEncoding::Utf8);
    EXPECT_EQ(chartEncodingNamed("utf8"), ChartEncoding::Utf8);
    EXPECT_EQ(chartEncodingNamed("latin1"), std::nullopt);
    EXPECT_EQ(chartEncodingName(ChartEncoding::Cp932), "code page 932");
    EXPECT_EQ(chartEncodingName(ChartEncoding::Utf16Be), "UTF-16BE");
}

TEST(ChartTextReader, OpenFailsForWhatIsNoReadableFile)
{
    test::TempDir directory;
    EXPECT_FALSE(ChartTextReader::open(directory / "missing.txt").has_value());
    EXPECT_FALSE(ChartTextReader::open(directory.path()).has_value());
}

TEST(ChartTextReader, RejectsALineLongerThanTheLimit)
{
    auto reader = ChartTextReader::fromBytes(std::string(kMaxLineLength, 'o') + "\r\n"
                                             + std::string(kMaxLineLength + 1, 'o'));
    std::u16string line;
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_EQ(line.size(), kMaxLineLength);
    const auto fault = reader.readLine(line);
    ASSERT_TRUE(fault);
    EXPECT_EQ(fault->message, "line is too long.");
    EXPECT_EQ(fault->extent, ChartErrorExtent::Chart);
    EXPECT_FALSE(reader.good()); // a limit: nothing after it is read
}

TEST(ChartTextReader, ReadsUtf16TextAsItStandsAndRefusesALoneSurrogateAsAFileWould)
{
    const std::u16string text =
        units({ u'a', 0xD83C, 0xDFB5, u'\r', u'\n', u'b', 0xDC00, u'c', u'\r', u'd', 0x1A, u'e' });
    auto reader = ChartTextReader::fromText(text);
    std::u16string line;
    EXPECT_FALSE(reader.readLine(line));
    EXPECT_EQ(line, units({ u'a', 0xD83C, 0xDFB5 }));
    const auto fault = reader.readLine(line);
    ASSERT_TRUE(fault);
    EXPECT_EQ(
        *fault,
        (LineFault{ "encoding error.", 2, "U+DC00 is not half of a surrogate pair",
                    ChartErrorExtent::Line, ChartErrorKind::Encoding, ChartTarget::Character }));
    EXPECT_EQ(readAllLines(reader), std::vector<std::u16string>{ u"d" });
    EXPECT_EQ(reader.text(),
              units({ u'a', 0xD83C, 0xDFB5, u'\n', u'b', 0xDC00, u'c', u'\n', u'd', u'\n' }));
}

} // namespace
} // namespace beatplate
