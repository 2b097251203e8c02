#include "lsp/message_stream.h"

#include "base/text_codec.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cctype>
#include <charconv>

namespace beatplate {

namespace {

// A header longer than this is not one a client sends.
constexpr std::size_t kMaxHeaderLength = 8192;
constexpr std::string_view kReplacement = "\xEF\xBF\xBD";
// Pieces of a long body are gathered into writes of about this size.
constexpr std::size_t kWriteChunk = 65536;

bool equalsIgnoringCase(std::string_view a, std::string_view b)
{
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) {
               return std::tolower(static_cast<unsigned char>(x))
                   == std::tolower(static_cast<unsigned char>(y));
           });
}

std::string headerFor(std::size_t length)
{
    return "Content-Length: " + std::to_string(length) + "\r\n\r\n";
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// A header block read: where the body begins and the length it declares, if any.
struct Header {
    std::size_t bodyStart = 0;
    std::optional<std::size_t> length;
};

// The value of a Content-Length line; none when it is no plain number.
std::optional<std::size_t> lengthOf(std::string_view value)
{
    std::size_t length = 0;
    const auto [rest, error] = std::from_chars(value.data(), value.data() + value.size(), length);
    if (error != std::errc() || rest != value.data() + value.size() || value.empty())
        return std::nullopt;
    return length;
}

// The header block at the start of buffer, its lines ended by CR LF or by LF alone and the
// block by an empty line; none while it is not complete. Line ends before it are passed over.
std::optional<Header> headerAt(std::string_view buffer)
{
    Header header;
    std::size_t start = buffer.find_first_not_of("\r\n");
    bool lengthSeen = false;
    while (start != std::string_view::npos) {
        const std::size_t end = buffer.find('\n', start);
        if (end == std::string_view::npos)
            return std::nullopt;
        std::string_view line = buffer.substr(start, end - start);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        start = end + 1;
        if (line.empty()) {
            header.bodyStart = start;
            return header;
        }
        const auto colon = line.find(':');
        if (lengthSeen || colon == std::string_view::npos
            || !equalsIgnoringCase(trimmed(line.substr(0, colon)), "Content-Length"))
            continue;
        lengthSeen = true;
        header.length = lengthOf(trimmed(line.substr(colon + 1)));
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

std::optional<IncomingMessage> MessageStream::takeBuffered()
{
    const auto header = headerAt(m_buffer);
    if (!header) {
        if (m_buffer.size() <= kMaxHeaderLength)
            return std::nullopt;
        return IncomingMessage{ IncomingKind::Malformed, {}, false, "header without an end" };
    }
    if (!header->length)
        return IncomingMessage{ IncomingKind::Malformed, {}, false, "header without a length" };
    if (*header->length > m_maxBodyLength)
        return IncomingMessage{ IncomingKind::TooLarge,
                                {},
                                false,
                                "message of " + std::to_string(*header->length) + " bytes" };
    const std::size_t end = header->bodyStart + *header->length;
    if (m_buffer.size() < end) {
        // A long body comes in many reads: room for it once, not by doubling.
        m_buffer.reserve(end);
        return std::nullopt;
    }
    IncomingMessage message{ IncomingKind::Message, {}, false, {} };
    if (m_buffer.size() == end) {
        message.body = std::move(m_buffer);
        message.body.erase(0, header->bodyStart);
        m_buffer.clear();
    } else {
        message.body = m_buffer.substr(header->bodyStart, *header->length);
        m_buffer.erase(0, end);
    }
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
    const std::lock_guard lock(m_writing);
    return m_channel.write(headerFor(json.size())) && m_channel.write(json);
}

bool MessageStream::send(std::size_t length, const std::function<void(const TextSink&)>& produce)
{
    const std::lock_guard lock(m_writing);
    bool written = m_channel.write(headerFor(length));
    std::string held;
    std::size_t total = 0;
    const TextSink sink = [&](std::string_view piece) {
        total += piece.size();
        held += piece;
        if (held.size() < kWriteChunk)
            return;
        written = written && m_channel.write(held);
        held.clear();
    };
    produce(sink);
    assert(total == length);
    return written && m_channel.write(held);
}

} // namespace beatplate
