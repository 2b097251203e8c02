#include "base/cp932.h"

#include <algorithm>
#include <cerrno>
#include <stdexcept>
#include <utility>

namespace beatplate {

static std::string toUtf16le(std::u16string_view text)
{
    std::string bytes;
    bytes.reserve(text.size() * 2);
    for (const char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}

static std::u16string fromUtf16le(std::string_view bytes)
{
    std::u16string text;
    text.reserve(bytes.size() / 2);
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        const auto low = static_cast<unsigned char>(bytes[i]);
        const auto high = static_cast<unsigned char>(bytes[i + 1]);
        text += static_cast<char16_t>(low | (high << 8));
    }
    return text;
}

Cp932Encoding encodeCp932(std::u16string_view text)
{
    Iconv encoder("CP932", "UTF-16LE");
    Cp932Encoding result;
    if (const auto stop = encoder.convert(toUtf16le(text), result.bytes)) {
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

std::optional<std::string> encodeUtf8(std::u16string_view text)
{
    Iconv encoder("UTF-8", "UTF-16LE");
    std::string utf8;
    if (encoder.convert(toUtf16le(text), utf8))
        return std::nullopt;
    return utf8;
}

static std::optional<std::u16string> decodeFrom(const char* encoding, std::string_view bytes)
{
    Iconv decoder("UTF-16LE", encoding);
    std::string utf16;
    if (decoder.convert(bytes, utf16))
        return std::nullopt;
    return fromUtf16le(utf16);
}

std::optional<std::u16string> decodeUtf8(std::string_view bytes)
{
    return decodeFrom("UTF-8", bytes);
}

std::optional<std::u16string> decodeCp932(std::string_view bytes)
{
    return decodeFrom("CP932", bytes);
}

} // namespace beatplate
