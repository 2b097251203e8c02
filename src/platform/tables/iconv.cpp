#include "platform/iconv.h"

#include "platform/cp932_table.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>

namespace beatplate {

namespace {

enum class Encoding { Cp932, Utf8, Utf16Le, Utf16Be };

constexpr char32_t kNoCharacter = 0xFFFFFFFF;

Encoding encodingNamed(const char* name)
{
    const std::string text(name);
    if (text == "CP932")
        return Encoding::Cp932;
    if (text == "UTF-8")
        return Encoding::Utf8;
    if (text == "UTF-16LE")
        return Encoding::Utf16Le;
    if (text == "UTF-16BE")
        return Encoding::Utf16Be;
    throw std::runtime_error("no conversion for " + text);
}

unsigned byteAt(const char* in, std::size_t i)
{
    return static_cast<unsigned char>(in[i]);
}

// The character at the start of in, and its length in bytes; errno's EINVAL (cut off at the
// end) or EILSEQ (no such character) as the glibc converters say it.
struct Decoded {
    char32_t character = kNoCharacter;
    std::size_t length = 0;
    int error = 0;
};

Decoded decodeCp932(const char* in, std::size_t left)
{
    const auto lead = static_cast<unsigned char>(in[0]);
    if (const auto unit = cp932ToUnit(lead))
        return { *unit, 1, 0 };
    if (!isCp932LeadByte(lead))
        return { kNoCharacter, 0, EILSEQ };
    if (left < 2)
        return { kNoCharacter, 0, EINVAL };
    const auto code = static_cast<std::uint16_t>(lead << 8 | byteAt(in, 1));
    if (const auto unit = cp932ToUnit(code))
        return { *unit, 2, 0 };
    return { kNoCharacter, 0, EILSEQ };
}

Decoded decodeUtf8(const char* in, std::size_t left)
{
    const unsigned lead = byteAt(in, 0);
    if (lead < 0x80)
        return { lead, 1, 0 };
    const std::size_t length = lead >= 0xC2 && lead < 0xE0 ? 2
        : lead >= 0xE0 && lead < 0xF0                      ? 3
        : lead >= 0xF0 && lead < 0xF5                      ? 4
                                                           : 0;
    if (length == 0)
        return { kNoCharacter, 0, EILSEQ };
    char32_t c = lead & (0x7F >> length);
    for (std::size_t i = 1; i < length; ++i) {
        if (i >= left)
            return { kNoCharacter, 0, EINVAL };
        if ((byteAt(in, i) & 0xC0) != 0x80)
            return { kNoCharacter, 0, EILSEQ };
        c = c << 6 | (byteAt(in, i) & 0x3F);
    }
    const char32_t smallest = length == 2 ? 0x80 : length == 3 ? 0x800 : 0x10000;
    if (c < smallest || c > 0x10FFFF || (c >= 0xD800 && c < 0xE000))
        return { kNoCharacter, 0, EILSEQ };
    return { c, length, 0 };
}

Decoded decodeUtf16(const char* in, std::size_t left, bool bigEndian)
{
    const auto unitAt = [&](std::size_t i) -> char32_t {
        return bigEndian ? byteAt(in, i) << 8 | byteAt(in, i + 1)
                         : byteAt(in, i + 1) << 8 | byteAt(in, i);
    };
    if (left < 2)
        return { kNoCharacter, 0, EINVAL };
    const char32_t first = unitAt(0);
    if (first >= 0xDC00 && first < 0xE000)
        return { kNoCharacter, 0, EILSEQ };
    if (first < 0xD800 || first >= 0xE000)
        return { first, 2, 0 };
    if (left < 4)
        return { kNoCharacter, 0, EINVAL };
    const char32_t second = unitAt(2);
    if (second < 0xDC00 || second >= 0xE000)
        return { kNoCharacter, 0, EILSEQ };
    return { 0x10000 + ((first - 0xD800) << 10) + (second - 0xDC00), 4, 0 };
}

// The bytes of c; empty when the encoding cannot hold it.
std::string encode(Encoding encoding, char32_t c)
{
    std::string bytes;
    const auto put = [&bytes](unsigned byte) { bytes += static_cast<char>(byte); };
    switch (encoding) {
    case Encoding::Cp932:
        if (c < 0x10000) {
            if (const auto code = unitToCp932(static_cast<char16_t>(c))) {
                if (*code >= 0x100)
                    put(*code >> 8);
                put(*code & 0xFFU);
            }
        }
        break;
    case Encoding::Utf8:
        if (c < 0x80) {
            put(c);
        } else if (c < 0x800) {
            put(0xC0 | c >> 6);
            put(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            put(0xE0 | c >> 12);
            put(0x80 | (c >> 6 & 0x3F));
            put(0x80 | (c & 0x3F));
        } else {
            put(0xF0 | c >> 18);
            put(0x80 | (c >> 12 & 0x3F));
            put(0x80 | (c >> 6 & 0x3F));
            put(0x80 | (c & 0x3F));
        }
        break;
    case Encoding::Utf16Le:
    case Encoding::Utf16Be: {
        const bool big = encoding == Encoding::Utf16Be;
        const auto unit = [&](char32_t u) {
            put(big ? u >> 8 : u & 0xFF);
            put(big ? u & 0xFF : u >> 8);
        };
        if (c < 0x10000) {
            unit(c);
        } else {
            unit(0xD800 + ((c - 0x10000) >> 10));
            unit(0xDC00 + ((c - 0x10000) & 0x3FF));
        }
        break;
    }
    }
    return bytes;
}

} // namespace

// Code page 932 comes from our table of what glibc's iconv does, so that a chart decodes to
// the same text as on Linux; the Unicode forms are converted here.
struct Iconv::State {
    Encoding to;
    Encoding from;
};

Iconv::Iconv(const char* toCode, const char* fromCode)
    : m_state(std::make_unique<State>(State{ encodingNamed(toCode), encodingNamed(fromCode) }))
{
}

Iconv::Iconv(Iconv&& other) noexcept = default;
Iconv& Iconv::operator=(Iconv&& other) noexcept = default;
Iconv::~Iconv() = default;

void Iconv::restart()
{
    // Each character is converted on its own: there is no state to drop.
}

std::size_t Iconv::convertSome(char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft)
{
    while (inLeft > 0) {
        Decoded decoded;
        switch (m_state->from) {
        case Encoding::Cp932:
            decoded = decodeCp932(in, inLeft);
            break;
        case Encoding::Utf8:
            decoded = decodeUtf8(in, inLeft);
            break;
        case Encoding::Utf16Le:
        case Encoding::Utf16Be:
            decoded = decodeUtf16(in, inLeft, m_state->from == Encoding::Utf16Be);
            break;
        }
        if (decoded.error != 0) {
            errno = decoded.error;
            return static_cast<std::size_t>(-1);
        }
        const std::string bytes = encode(m_state->to, decoded.character);
        if (bytes.empty()) {
            errno = EILSEQ;
            return static_cast<std::size_t>(-1);
        }
        if (bytes.size() > outLeft) {
            errno = E2BIG;
            return static_cast<std::size_t>(-1);
        }
        std::memcpy(out, bytes.data(), bytes.size());
        out += bytes.size();
        outLeft -= bytes.size();
        in += decoded.length;
        inLeft -= decoded.length;
    }
    return 0;
}

} // namespace beatplate
