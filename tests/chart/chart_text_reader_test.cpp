#include "chart/chart_text_reader.h"
#include "chart_test_helpers.h"
#include "support/test_support.h"

#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <stdexcept>
#include <string>
#include <vector>

namespace beatplate {
namespace {

using ::testing::StrEq;
using ::testing::ThrowsMessage;

std::vector<std::wstring> readAllLines(ChartTextReader& reader)
{
    std::vector<std::wstring> lines;
    std::wstring line;
    while (reader.good()) {
        reader.readLine(line);
        lines.push_back(line);
    }
    return lines;
}

std::wstring units(std::initializer_list<wchar_t> codes)
{
    return std::wstring(codes);
}

struct DecodeCase {
    const char* name;
    std::string bytes;
    std::vector<std::wstring> lines;
};

TEST(ChartTextReader, DecodesLinesOfEveryEncoding)
{
    const std::vector<DecodeCase> cases = {
        { "empty file", "", { L"" } },
        { "final line break gives an empty last line", "ab\n", { L"ab", L"" } },
        { "no final line break", "ab\ncd", { L"ab", L"cd" } },
        { "CR LF folded", "ab\r\ncd\r\n", { L"ab", L"cd", L"" } },
        { "lone CR stays", "ab\rcd\r", { L"ab\rcd\r" } },
        { "CR before CR LF", "a\r\r\nb", { L"a\r", L"b" } },
        { "0x1A ends the input",
          "ab\ncd\x1A"
          "ef\ngh",
          { L"ab", L"cd" } },
        { "0x1A right after a line break",
          "ab\n\x1A"
          "cd",
          { L"ab", L"" } },
        { "undecodable byte ends the input",
          "ab\ncd\x80"
          "ef\ngh",
          { L"ab", L"cd" } },
        { "0xA0 and 0xFD are undecodable", "o\xA0o\n\xFD", { L"o" } },
        { "lead byte without a trail byte",
          "ab\x81\x1A"
          "cd",
          { L"ab" } },
        { "lead byte at the very end", "ab\n\x82", { L"ab", L"" } },
        { "double-byte characters", "\x82\xD3\x82\xC2\x82\xA4", { L"ふつう" } },
        { "half-width katakana", "\xB1\xB2\xDF", { units({ 0xFF71, 0xFF72, 0xFF9F }) } },
        { "backslash and tilde bytes stay ASCII", "\\~", { L"\\~" } },
        { "NUL is a character", std::string("a\0b", 3), { units({ L'a', 0, L'b' }) } },
        { "UTF-8 mark", "\xEF\xBB\xBF\xE3\x81\xB5\xE3\x81\xA4\r\nx", { L"ふつ", L"x" } },
        { "UTF-8 mark alone", "\xEF\xBB\xBF", { L"" } },
        { "UTF-8 outside the BMP becomes a surrogate pair",
          "\xEF\xBB\xBF"
          "a\xF0\x9F\x8E\xB5z",
          { units({ L'a', 0xD83C, 0xDFB5, L'z' }) } },
        { "UTF-8 invalid sequence ends the input",
          "\xEF\xBB\xBF"
          "ab\xC0\x80"
          "cd",
          { L"ab" } },
        { "UTF-8 truncated sequence at the end",
          "\xEF\xBB\xBF"
          "ab\xE3\x81",
          { L"ab" } },
        { "UTF-8 0x1A ends the input",
          "\xEF\xBB\xBF"
          "a\x1A"
          "b",
          { L"a" } },
        { "UTF-16LE mark",
          std::string("\xFF\xFE"
                      "a\0\r\0\n\0\x75\x30",
                      10),
          { L"a", L"ふ" } },
        { "UTF-16BE mark",
          std::string("\xFE\xFF\0a\0\r\0\n\x30\x75\0\x1A\0b", 14),
          { L"a", L"ふ" } },
        { "UTF-16 odd final byte",
          std::string("\xFF\xFE"
                      "a\0b",
                      5),
          { L"a" } },
        { "UTF-16 lone surrogate ends the input",
          std::string("\xFF\xFE"
                      "a\0\0\xD8z\0",
                      8),
          { L"a" } },
        { "UTF-16 surrogate pair kept", "\xFE\xFF\xD8\x3C\xDF\xB5", { units({ 0xD83C, 0xDFB5 }) } },
    };
    for (const auto& testCase : cases) {
        SCOPED_TRACE(testCase.name);
        auto reader = ChartTextReader::fromBytes(testCase.bytes);
        EXPECT_EQ(readAllLines(reader), testCase.lines);
    }
}

TEST(ChartTextReader, ReadsAFileAcrossChunkEndsAsFromMemory)
{
    // A double-byte character and a CR LF pair each straddle an end of the reader's 64 KiB reads.
    std::string bytes = "x";
    std::wstring firstLine = L"x";
    for (int i = 0; i < 65536; ++i) {
        bytes += "\x82\xA0";
        firstLine += L'あ';
    }
    bytes.append(196607 - bytes.size(), 'z');
    firstLine.append(65534, L'z');
    bytes += "\r\nend\x82";
    const std::vector<std::wstring> expected = { firstLine, L"end" };

    test::TempDir directory;
    test::writeFile(directory / "long.txt", bytes);
    auto fromFile = ChartTextReader::open(directory / "long.txt");
    ASSERT_TRUE(fromFile.has_value());
    EXPECT_EQ(readAllLines(*fromFile), expected);
    auto fromMemory = ChartTextReader::fromBytes(bytes);
    EXPECT_EQ(readAllLines(fromMemory), expected);
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
    std::wstring line;
    reader.readLine(line);
    EXPECT_EQ(line.size(), kMaxLineLength);
    EXPECT_THAT([&] { reader.readLine(line); },
                ThrowsMessage<std::runtime_error>(StrEq("line is too long.")));
}

} // namespace
} // namespace beatplate
