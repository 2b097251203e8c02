#include "chart/chart_text_form.h"

#include "base/text_codec.h"
#include "chart/chart_diagnostic.h"

#include <algorithm>

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
    while (reader.good()) {
        if (reader.readLine(line))
            return decoded;
    }
    // The reader ends its last line with an LF of its own.
    std::u16string_view text = reader.text();
    text.remove_suffix(text.empty() ? 0 : 1);
    decoded.text = utf8Of(text);
    return decoded;
}

// The place of a byte offset of UTF-8 text.
static TextPlace placeAt(std::string_view utf8, std::size_t offset)
{
    TextPlace place;
    for (std::size_t i = 0; i < offset && i < utf8.size(); ++i) {
        const auto byte = static_cast<unsigned char>(utf8[i]);
        if (byte == '\n') {
            ++place.line;
            place.column = 1;
        } else if ((byte & 0xC0) != 0x80) {
            ++place.column;
        }
    }
    return place;
}

std::optional<TextPlace> placeNotReadBack(std::string_view utf8, std::string_view bytes)
{
    std::string sent;
    sent.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        if (!(utf8[i] == '\r' && i + 1 < utf8.size() && utf8[i + 1] == '\n'))
            sent += utf8[i];
    }
    const std::string read = decodeChartFile(bytes).text.value_or("");
    if (read == sent)
        return std::nullopt;
    auto offset = static_cast<std::size_t>(
        std::mismatch(sent.begin(), sent.end(), read.begin(), read.end()).first - sent.begin());
    // A difference inside a character is a difference of the whole character.
    while (offset > 0 && offset < sent.size()
           && (static_cast<unsigned char>(sent[offset]) & 0xC0) == 0x80)
        --offset;
    return placeAt(sent, offset);
}

// Whether a code unit 0x1A lies in bytes before their last unit.
static bool endOfFileBeforeEnd(std::string_view bytes, ChartEncoding encoding)
{
    if (encoding != ChartEncoding::Utf16Le && encoding != ChartEncoding::Utf16Be) {
        // In code page 932 and UTF-8 a 0x1A byte is never part of another character.
        const auto at = bytes.find('\x1A');
        return at != std::string_view::npos && at + 1 < bytes.size();
    }
    const std::size_t low = encoding == ChartEncoding::Utf16Be ? 1 : 0;
    for (std::size_t i = 0; i + 2 < bytes.size(); i += 2) {
        if (bytes[i + low] == '\x1A' && bytes[i + 1 - low] == '\0')
            return true;
    }
    return false;
}

std::optional<TextPlace> placeCutOff(std::string_view bytes)
{
    const ChartTextForm form = textFormOf(bytes);
    if (!endOfFileBeforeEnd(bytes, form.encoding))
        return std::nullopt;
    const auto text = decodeChartFile(bytes).text;
    if (!text)
        return std::nullopt;
    return placeAt(*text, text->size());
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

std::string notEditableReason(const ChartTextForm& form)
{
    return "the chart cannot be read whole as " + std::string(chartEncodingName(form.encoding))
        + ", so it cannot be edited here";
}

std::string cutOffReason(const TextPlace& place)
{
    return "the chart's text goes on after U+001A (end of file) at line "
        + std::to_string(place.line) + ", column " + std::to_string(place.column)
        + ", where reading it stops; saving it here would cut it off";
}

std::string notReadBackReason(std::string_view utf8, const TextPlace& place)
{
    std::string lineText(utf8);
    for (int line = 1; line < place.line; ++line)
        lineText.erase(0, lineText.find('\n') + 1);
    const auto characters = decodeUtf8(lineText.substr(0, lineText.find('\n'))).value_or(u"");
    const std::size_t unit = unitOfColumn(characters, place.column);
    const bool endOfFile = unit < characters.size() && characters[unit] == 0x1A;
    const std::string where =
        "line " + std::to_string(place.line) + ", column " + std::to_string(place.column);
    return endOfFile ? "U+001A (end of file) at " + where
            + " ends the chart for its reader: the text after it would be lost"
                     : "the chart would not read back as sent from " + where;
}

std::string unwritableLineMessage(int line)
{
    return "譜面の" + std::to_string(line) + "行目にShift_JISで書けない文字があります。";
}

} // namespace beatplate
