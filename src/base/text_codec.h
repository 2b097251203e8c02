#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// Chart text is UTF-16 in std::u16string everywhere inside the programs; these are the only
// conversions between it and bytes: code page 932, UTF-8, UTF-16 and the chart chunk's form.

// The code point that starts at index: a surrogate pair is joined, a lone surrogate stays.
[[nodiscard]] char32_t codePointAt(std::u16string_view units, std::size_t index);
[[nodiscard]] constexpr bool isSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDFFF;
}

struct Cp932Encoding {
    std::string bytes; // the code page 932 text, valid when badUnit is npos
    std::size_t badUnit = std::u16string_view::npos; // first code unit that cannot be written
};

// Encodes UTF-16 text as code page 932. A code unit counts as writable only when decoding its
// bytes gives that code unit back, so surrogates, unmapped characters and the characters that
// code page 932 folds into others (U+00A5 into "\", for one) are all refused.
[[nodiscard]] Cp932Encoding encodeCp932(std::u16string_view text);
// Decodes code page 932 bytes; empty when they are not valid code page 932.
[[nodiscard]] std::optional<std::u16string> decodeCp932(std::string_view bytes);

// What a byte starts in UTF-8: the sequence's length (1 to 4; 0 when no valid sequence starts
// with it) and the bounds of its second byte, which rule out overlong forms, surrogates and code
// points past U+10FFFF. Every later byte lies in 0x80..0xBF.
struct Utf8Lead {
    std::size_t length = 0;
    unsigned char low = 0x80;
    unsigned char high = 0xBF;
};
[[nodiscard]] Utf8Lead utf8LeadOf(unsigned char lead);

// Appends a code point below U+110000 as UTF-8.
void appendUtf8(std::string& out, char32_t codePoint);
// What UTF-8 text begins with for a reader that needs to be told its encoding.
inline constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";
// Encodes UTF-16 text as UTF-8; empty when it holds a surrogate that is not half of a pair.
[[nodiscard]] std::optional<std::string> encodeUtf8(std::u16string_view text);
// The same for text that is shown rather than stored: a lone surrogate becomes U+FFFD.
[[nodiscard]] std::string utf8Of(std::u16string_view text);
// Decodes UTF-8 bytes into UTF-16; empty when they are not valid UTF-8.
[[nodiscard]] std::optional<std::u16string> decodeUtf8(std::string_view bytes);

enum class ByteOrder {
    LittleEndian,
    BigEndian,
};
// Each code unit as two bytes in the order given, without a byte-order mark.
[[nodiscard]] std::string utf16Bytes(std::u16string_view text, ByteOrder order);
// Pairs of bytes in the order given as code units; a last odd byte is dropped.
[[nodiscard]] std::u16string utf16Of(std::string_view bytes, ByteOrder order);

// The chart chunk's data: the text's code units little-endian, then a zero code unit.
[[nodiscard]] std::vector<std::uint8_t> encodeChartChunk(std::u16string_view text);
// The text of chart chunk data; empty when the data is not of that form.
[[nodiscard]] std::optional<std::u16string> decodeChartChunk(std::string_view data);

} // namespace beatplate
