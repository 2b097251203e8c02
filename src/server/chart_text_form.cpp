#include "server/chart_text_form.h"

#include "base/text_codec.h"

#include <algorithm>
#include <stdexcept>

namespace beatplate {

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

DecodedChartFile decodeChartFile(std::string_view bytes)
{
    auto reader = ChartTextReader::fromBytes(std::string(bytes));
    DecodedChartFile decoded{ { reader.encoding(), reader.hasByteOrderMark(),
                                firstLineEndsInCrLf(bytes, reader.encoding()) },
                              std::nullopt };
    std::u16string line;
    try {
        while (reader.good())
            reader.readLine(line);
    } catch (const std::runtime_error&) {
        return decoded;
    }
    // The reader ends its last line with an LF of its own.
    std::u16string_view text = reader.text();
    text.remove_suffix(text.empty() ? 0 : 1);
    decoded.text = utf8Of(text);
    return decoded;
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

EncodedChart encodeChartText(std::string_view utf8, const ChartTextForm& form)
{
    const auto decoded = decodeUtf8(utf8);
    if (!decoded)
        return { {}, std::nullopt, true };
    const std::u16string text = withLineEnds(*decoded, form.crlf);
    switch (form.encoding) {
    case ChartEncoding::Utf16Le:
    case ChartEncoding::Utf16Be: {
        const auto order = form.encoding == ChartEncoding::Utf16Be ? ByteOrder::BigEndian
                                                                   : ByteOrder::LittleEndian;
        return { utf16Bytes(u"\uFEFF" + text, order), std::nullopt, false };
    }
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
