#pragma once

#include "lsp/byte_channel.h"

#include <chrono>
#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace beatplate {

enum class IncomingKind {
    Message,
    TimedOut, // nothing whole came within the time given
    End, // the input closed, or cannot be read
    TooLarge, // a body longer than allowed: dropped as it comes, unread
    Malformed, // a header that says no length: dropped
};

struct IncomingMessage {
    IncomingKind kind = IncomingKind::End;
    std::string body; // of a Message: the JSON text
    // Bytes that are not UTF-8 and escapes of lone surrogates were replaced by U+FFFD, so that
    // the message can still be read; the text it carries is then not what the editor holds.
    bool textRepaired = false;
    std::string problem; // of TooLarge and Malformed, for the answer
};

// JSON-RPC messages framed by a "Content-Length" header, read from and written to a channel.
class MessageStream {
public:
    MessageStream(ByteChannel& channel, std::size_t maxBodyLength);

    // The next message, waiting for it at most timeout (none: as long as it takes).
    [[nodiscard]] IncomingMessage next(std::optional<std::chrono::milliseconds> timeout);
    // Frames and writes one JSON text; false when the output is gone.
    [[nodiscard]] bool send(std::string_view json);

private:
    [[nodiscard]] std::optional<IncomingMessage> takeBuffered();
    void dropSkipped();

    ByteChannel& m_channel;
    std::size_t m_maxBodyLength;
    std::string m_buffer;
    std::size_t m_skip = 0; // bytes of a dropped body still to come
};

// Replaces in JSON text every byte that is not part of valid UTF-8 and every \u escape of a
// lone surrogate with U+FFFD; true when it replaced any.
bool repairJsonText(std::string& json);

} // namespace beatplate
