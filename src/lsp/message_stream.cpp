#include "lsp/message_stream.h"

#include "base/text_codec.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <charconv>

namespace beatplate {

namespace {

// A header longer than this is not one a client sends.
constexpr std::size_t kMaxHeaderLength = 8192;
constexpr std::string_view kHeaderEnd = "\r\n\r\n";
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x))
                   == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// The Content-Length of a header block; none when it names none or no plain number.
std::optional<std::size_t> contentLengthOf(std::string_view header)
{
    while (!header.empty()) {
        const auto end = header.find("\r\n");
        const std::string_view line = header.substr(0, end);
        header.remove_prefix(end == std::string_view::npos ? header.size() : end + 2);
        const auto colon = line.find(':');
        if (colon == std::string_view::npos
            || !equalsIgnoringCase(trimmed(line.substr(0, colon)), "Content-Length"))
            continue;
        const std::string_view value = trimmed(line.substr(colon + 1));
        std::size_t length = 0;
        const auto [rest, error] =
            std::from_chars(value.data(), value.data() + value.size(), length);
        if (error != std::errc() || rest != value.data() + value.size() || value.empty())
            return std::nullopt;
        return length;
    }
    return std::nullopt;
}

// The length of the valid UTF-8 sequence at index; 0 when the bytes there are not one.
std::size_t utf8SequenceAt(std::string_view text, std::size_t index)
{
    const auto byte = [&](std::size_t at) {
        return at < text.size() ? static_cast<unsigned char>(text[at]) : 0u;
    };
    const Utf8Lead lead = utf8LeadOf(static_cast<unsigned char>(byte(index)));
    if (lead.length <= 1)
        return lead.length;
    if (byte(index + 1) < lead.low || byte(index + 1) > lead.high)
        return 0;
    for (std::size_t next = 2; next < lead.length; ++next) {
        if (byte(index + next) < 0x80 || byte(index + next) > 0xBF)
            return 0;
    }
    return lead.length;
}

std::optional<unsigned> hexEscapeAt(std::string_view text, std::size_t index)
{
    if (index + 6 > text.size() || text[index] != '\\' || text[index + 1] != 'u')
        return std::nullopt;
    unsigned value = 0;
    const auto [rest, error] =
        std::from_chars(text.data() + index + 2, text.data() + index + 6, value, 16);
    if (error != std::errc() || rest != text.data() + index + 6)
        return std::nullopt;
    return value;
}

// Replaces the \u escapes of lone surrogates in place (an escape of U+FFFD is as long); true
// when it replaced any.
bool repairSurrogateEscapes(std::string& json)
{
    bool repaired = false;
    bool inString = false;
    for (std::size_t index = 0; index < json.size(); ++index) {
        if (json[index] == '"') {
            inString = !inString;
            continue;
        }
        if (!inString || json[index] != '\\')
            continue;
        const auto unit = hexEscapeAt(json, index);
        if (!unit) {
            ++index; // the escaped character, which may be a quote
            continue;
        }
        const bool high = *unit >= 0xD800 && *unit <= 0xDBFF;
        const bool low = *unit >= 0xDC00 && *unit <= 0xDFFF;
        const auto next = hexEscapeAt(json, index + 6);
        if (high && next && *next >= 0xDC00 && *next <= 0xDFFF) {
            index += 11;
            continue;
        }
        if (high || low) {
            json.replace(index + 2, 4, "FFFD");
            repaired = true;
        }
        index += 5;
    }
    return repaired;
}

} // namespace

bool repairJsonText(std::string& json)
{
    bool repaired = repairSurrogateEscapes(json);
    std::size_t index = 0;
    while (index < json.size() && utf8SequenceAt(json, index) != 0)
        index += utf8SequenceAt(json, index);
    if (index == json.size())
        return repaired;
    std::string valid = json.substr(0, index);
    while (index < json.size()) {
        const std::size_t length = utf8SequenceAt(json, index);
        if (length == 0) {
            valid += kReplacement;
            ++index;
            continue;
        }
        valid.append(json, index, length);
        index += length;
    }
    json = std::move(valid);
    return true;
}

MessageStream::MessageStream(ByteChannel& channel, std::size_t maxBodyLength)
    : m_channel(channel)
    , m_maxBodyLength(maxBodyLength)
{
}

void MessageStream::dropSkipped()
{
    const std::size_t dropped = std::min(m_skip, m_buffer.size());
    m_buffer.erase(0, dropped);
    m_skip -= dropped;
}

std::optional<IncomingMessage> MessageStream::takeBuffered()
{
    dropSkipped();
    const auto headerEnd = m_buffer.find(kHeaderEnd);
    if (headerEnd == std::string::npos) {
        if (m_buffer.size() <= kMaxHeaderLength)
            return std::nullopt;
        m_buffer.clear();
        return IncomingMessage{ IncomingKind::Malformed, {}, false, "header without an end" };
    }
    const auto length = contentLengthOf(std::string_view(m_buffer).substr(0, headerEnd + 2));
    const std::size_t bodyStart = headerEnd + kHeaderEnd.size();
    if (!length) {
        m_buffer.erase(0, bodyStart);
        return IncomingMessage{ IncomingKind::Malformed, {}, false, "header without a length" };
    }
    if (*length > m_maxBodyLength) {
        m_buffer.erase(0, bodyStart);
        m_skip = *length;
        dropSkipped();
        return IncomingMessage{
            IncomingKind::TooLarge, {}, false, "message of " + std::to_string(*length) + " bytes"
        };
    }
    if (m_buffer.size() - bodyStart < *length)
        return std::nullopt;
    IncomingMessage message{
        IncomingKind::Message, m_buffer.substr(bodyStart, *length), false, {}
    };
    m_buffer.erase(0, bodyStart + *length);
    message.textRepaired = repairJsonText(message.body);
    return message;
}

IncomingMessage MessageStream::next(std::optional<std::chrono::milliseconds> timeout)
{
    const auto deadline = timeout ? std::optional(m_channel.now() + *timeout) : std::nullopt;
    std::array<char, 65536> chunk{};
    while (true) {
        if (auto message = takeBuffered())
            return std::move(*message);
        std::optional<std::chrono::milliseconds> left;
        if (deadline)
            left = std::max(
                std::chrono::duration_cast<std::chrono::milliseconds>(*deadline - m_channel.now()),
                std::chrono::milliseconds(0));
        const TimedRead read = m_channel.read(chunk, left);
        if (read.outcome == ReadOutcome::TimedOut)
            return { IncomingKind::TimedOut, {}, false, {} };
        if (read.outcome != ReadOutcome::Data)
            return { IncomingKind::End, {}, false, {} };
        m_buffer.append(chunk.data(), read.size);
    }
}

bool MessageStream::send(std::string_view json)
{
    std::string framed = "Content-Length: " + std::to_string(json.size()) + "\r\n\r\n";
    framed += json;
    return m_channel.write(framed);
}

} // namespace beatplate
