#include "base/base64.h"

#include <string_view>

namespace beatplate {

std::string encodeBase64(std::span<const std::uint8_t> bytes)
{
    static constexpr std::string_view kDigits =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string text;
    text.reserve((bytes.size() + 2) / 3 * 4);
    std::size_t i = 0;
    for (; i + 3 <= bytes.size(); i += 3) {
        const std::uint32_t group = bytes[i] << 16 | bytes[i + 1] << 8 | bytes[i + 2];
        for (const int shift : { 18, 12, 6, 0 })
            text += kDigits[(group >> shift) & 0x3F];
    }
    const std::size_t left = bytes.size() - i;
    if (left == 0)
        return text;
    const std::uint32_t group = bytes[i] << 16 | (left == 2 ? bytes[i + 1] << 8 : 0);
    text += kDigits[(group >> 18) & 0x3F];
    text += kDigits[(group >> 12) & 0x3F];
    text += left == 2 ? kDigits[(group >> 6) & 0x3F] : '=';
    return text += '=';
}

} // namespace beatplate
