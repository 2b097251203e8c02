#include "base/text_codec.h"

#include "platform/iconv.h"

#include <algorithm>

namespace beatplate {

static constexpr char32_t kReplacementCharacter = 0xFFFD;

static bool isHighSurrogate(char32_t unit)
{
    return unit >= 0xD800 && unit <= 0xDBFF;
}

static bool isLowSurrogate(char32_t unit)
{
    return unit >= 0xDC00 && unit <= 0xDFFF;
}

char32_t codePointAt(std::u16string_view units, std::size_t index)
{
    const char32_t unit = units[index];
    if (!isHighSurrogate(unit) || index + 1 >= units.size())
        return unit;
    const char32_t next = units[index + 1];
    if (!isLowSurrogate(next))
        return unit;
    return 0x10000 + ((unit - 0xD800) << 10) + (next - 0xDC00);
}

// lead := 00..7F | C2..DF | E0..EF | F0..F4
Utf8Lead utf8LeadOf(unsigned char lead)
{
    if (lead < 0x80)
        return { 1 };
    if (lead < 0xC2 || lead > 0xF4)
        return { 0 };
    switch (lead) {
    case 0xE0:
        return { 3, 0xA0, 0xBF };
    case 0xED:
        return { 3, 0x80, 0x9F };
    case 0xF0:
        return { 4, 0x90, 0xBF };
    case 0xF4:
        return { 4, 0x80, 0x8F };
    default:
        return { lead < 0xE0 ? 2U : lead < 0xF0 ? 3U : 4U };
    }
}

void appendUtf8(std::string& out, char32_t codePoint)
{
    const auto byte = [&out](char32_t value) { out.push_back(static_cast<char>(value)); };
    if (codePoint < 0x80) {
        byte(codePoint);
        return;
    }
    if (codePoint < 0x800) {
        byte(0xC0 | codePoint >> 6);
    } else if (codePoint < 0x10000) {
        byte(0xE0 | codePoint >> 12);
        byte(0x80 | (codePoint >> 6 & 0x3F));
    } else {
        byte(0xF0 | codePoint >> 18);
        byte(0x80 | (codePoint >> 12 & 0x3F));
        byte(0x80 | (codePoint >> 6 & 0x3F));
    }
    byte(0x80 | (codePoint & 0x3F));
}

// UTF-8 of the text; a lone surrogate is U+FFFD, or ends the conversion when strict.
static std::optional<std::string> toUtf8(std::u16string_view text, bool strict)
{
    std::string out;
    out.reserve(text.size());
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t codePoint = codePointAt(text, i);
        if (codePoint >= 0x10000)
            ++i;
        const bool lone = isSurrogate(codePoint);
        if (lone && strict)
            return std::nullopt;
        appendUtf8(out, lone ? kReplacementCharacter : codePoint);
    }
    return out;
}

std::optional<std::string> encodeUtf8(std::u16string_view text)
{
    return toUtf8(text, true);
}

std::string utf8Of(std::u16string_view text)
{
    return *toUtf8(text, false);
}

std::string utf16Bytes(std::u16string_view text, ByteOrder order)
{
    const bool big = order == ByteOrder::BigEndian;
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t unit : text) {
        const auto high = static_cast<char>(unit >> 8);
        const auto low = static_cast<char>(unit & 0xFF);
        bytes += big ? high : low;
        bytes += big ? low : high;
    }
    return bytes;
}

std::u16string utf16Of(std::string_view bytes, ByteOrder order)
{
    const std::size_t high = order == ByteOrder::BigEndian ? 0 : 1;
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto highByte = static_cast<unsigned char>(bytes[i + high]);
        const auto lowByte = static_cast<unsigned char>(bytes[i + 1 - high]);
        text += static_cast<char16_t>(lowByte | (highByte << 8));
    }
    return text;
}

std::vector<std::uint8_t> encodeChartChunk(std::u16string_view text)
{
    std::vector<std::uint8_t> data;
    data.reserve(text.size() * 2 + 2);
    for (const char16_t unit : text) {
        data.push_back(static_cast<std::uint8_t>(unit & 0xFF));
        data.push_back(static_cast<std::uint8_t>(unit >> 8));
    }
    data.insert(data.end(), 2, 0);
    return data;
}

std::optional<std::u16string> decodeChartChunk(std::string_view data)
{
    if (data.size() < 2 || data.size() % 2 != 0 || data[data.size() - 2] != '\0'
        || data.back() != '\0')
        return std::nullopt;
    return utf16Of(data.substr(0, data.size() - 2), ByteOrder::LittleEndian);
}

static std::optional<std::u16string> decodeFrom(const char* encoding, std::string_view bytes)
{
    Iconv decoder("UTF-16LE", encoding);
    std::string utf16;
    if (decoder.convert(bytes, utf16))
        return std::nullopt;
    return utf16Of(utf16, ByteOrder::LittleEndian);
}

std::optional<std::u16string> decodeUtf8(std::string_view bytes)
{
    return decodeFrom("UTF-8", bytes);
}

std::optional<std::u16string> decodeCp932(std::string_view bytes)
{
    return decodeFrom("CP932", bytes);
}

Cp932Encoding encodeCp932(std::u16string_view text)
{
    Iconv encoder("CP932", "UTF-16LE");
    Cp932Encoding result;
    if (const auto stop =
            encoder.convert(utf16Bytes(text, ByteOrder::LittleEndian), result.bytes)) {
        result.badUnit = *stop / 2;
        return result;
    }
    // Each code page 932 character decodes to one code unit, so the round trip lines up unit by
    // unit and its first difference is the first folded character.
    const auto decoded = decodeCp932(result.bytes);
    if (!decoded || *decoded != text) {
        const std::u16string_view back = decoded ? std::u16string_view(*decoded) : u"";
        const auto [mismatch, ignored] =
            std::mismatch(text.begin(), text.end(), back.begin(), back.end());
        result.badUnit = static_cast<std::size_t>(mismatch - text.begin());
        result.bytes.clear();
    }
    return result;
}

} // namespace beatplate
