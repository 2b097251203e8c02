#include "server/chart_text_form.h"

#include "base/cp932.h"
#include "chart/chart_diagnostic.h"

#include <algorithm>
#include <stdexcept>

namespace beatplate {

namespace {

constexpr std::string_view kUtf8ByteOrderMark = "\xEF\xBB\xBF";

} // namespace

// Whether the first LF of the text, in code units of the encoding, follows a CR.
static bool firstLineEndsInCrLf(std::string_view bytes, ChartEncoding encoding)
{
    const bool wide = encoding == ChartEncoding::Utf16Le || encoding == ChartEncoding::Utf16Be;
    const std::size_t step = wide ? 2 : 1;
    const std::size_t low = encoding == ChartEncoding::Utf16Be ? 1 : 0;
    const auto unitAt = [&](std::size_t i) {
        return wide && bytes[i + 1 - low] != '\0' ? '\0' : bytes[i + low];
    };
    for (std::size_t i = 0; i + step <= bytes.size(); i += step) {
        if (unitAt(i) == '\n')
            return i >= step && unitAt(i - step) == '\r';
    }
    return false;
}

ChartTextForm textFormOf(std::string_view bytes)
{
    const auto reader = ChartTextReader::fromBytes(std::string(bytes));
    return { reader.encoding(), reader.hasByteOrderMark(),
             firstLineEndsInCrLf(bytes, reader.encoding()) };
}

std::optional<std::string> decodeChartText(std::string_view bytes)
{
    auto reader = ChartTextReader::fromBytes(std::string(bytes));
    std::wstring text;
    std::wstring line;
    try {
        while (reader.good()) {
            reader.readLine(line);
            text += line;
            if (reader.good())
                text += L'\n';
        }
    } catch (const std::runtime_error&) {
        return std::nullopt;
    }
    return utf8Of(text);
}

static std::u16string withLineEnds(std::u16string_view text, bool crlf)
{
    std::u16string result;
    result.reserve(text.size() + (crlf ? text.size() / 8 : 0));
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == u'\r' && i + 1 < text.size() && text[i + 1] == u'\n')
            continue;
        if (text[i] == u'\n' && crlf)
            result += u'\r';
        result += text[i];
    }
    return result;
}

static std::string utf16Bytes(std::u16string_view text, bool bigEndian)
{
    std::string bytes = bigEndian ? "\xFE\xFF" : "\xFF\xFE";
    for (const char16_t unit : text) {
        const auto high = static_cast<char>(unit >> 8);
        const auto low = static_cast<char>(unit & 0xFF);
        bytes += bigEndian ? high : low;
        bytes += bigEndian ? low : high;
    }
    return bytes;
}

EncodedChart encodeChartText(std::string_view utf8, const ChartTextForm& form)
{
    const auto decoded = decodeUtf8(utf8);
    if (!decoded)
        return { {}, std::nullopt, true };
    const std::u16string text = withLineEnds(*decoded, form.crlf);
    switch (form.encoding) {
    case ChartEncoding::Utf16Le:
    case ChartEncoding::Utf16Be:
        return { utf16Bytes(text, form.encoding == ChartEncoding::Utf16Be), std::nullopt, false };
    case ChartEncoding::Utf8: {
        const auto bytes = encodeUtf8(text);
        return { std::string(form.byteOrderMark ? kUtf8ByteOrderMark : "") + bytes.value_or(""),
                 std::nullopt, !bytes };
    }
    case ChartEncoding::Cp932:
        break;
    }
    auto cp932 = encodeCp932(text);
    if (cp932.badUnit == std::u16string_view::npos)
        return { std::move(cp932.bytes), std::nullopt, false };
    const auto line = 1 + std::count(text.begin(), text.begin() + cp932.badUnit, u'\n');
    return { {}, static_cast<int>(line), false };
}

} // namespace beatplate
