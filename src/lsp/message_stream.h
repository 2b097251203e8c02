#pragma once

#include "lsp/byte_channel.h"

#include <chrono>
#include <cstddef>
#include <functional>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace beatplate {

enum class IncomingKind {
    Message,
    TimedOut, // nothing whole came within the time given
    End, // the input closed, or cannot be read
    // The two faults of framing; the stream cannot be read past either.
    TooLarge, // a body longer than allowed
    Malformed, // a header that says no length, or that does not end
};

struct IncomingMessage {
    IncomingKind kind = IncomingKind::End;
    std::string body; // of a Message: the JSON text
    // Bytes that are not UTF-8 and escapes of lone surrogates were replaced by U+FFFD, so that
    // the message can still be read; the text it carries is then not what the editor holds.
    bool textRepaired = false;
    std::string problem; // of TooLarge and Malformed, for the answer
};

// Takes the text of a message in pieces.
using TextSink = std::function<void(std::string_view)>;

// JSON-RPC messages framed by a "Content-Length" header (its lines ended by CR LF or LF), read
// from and written to a channel. Messages are read on one thread; any thread may send, each
// message written whole before the next.
class MessageStream {
public:
    MessageStream(ByteChannel& channel, std::size_t maxBodyLength);

    // The next message, waiting for it at most timeout (none: as long as it takes). After a
    // fault of framing it is not to be asked again.
    [[nodiscard]] IncomingMessage next(std::optional<std::chrono::milliseconds> timeout);
    // Frames and writes one JSON text; false when the output is gone.
    [[nodiscard]] bool send(std::string_view json);
    // Frames and writes a JSON text of length bytes that produce hands to its sink in pieces,
    // so that a long one is never held whole; false when the output is gone.
    [[nodiscard]] bool send(std::size_t length,
                            const std::function<void(const TextSink&)>& produce);

private:
    [[nodiscard]] std::optional<IncomingMessage> takeBuffered();

    ByteChannel& m_channel;
    std::size_t m_maxBodyLength;
    std::string m_buffer;
    std::mutex m_writing;
};

// Replaces in JSON text every byte that is not part of valid UTF-8 and every \u escape of a
// lone surrogate with U+FFFD; true when it replaced any.
bool repairJsonText(std::string& json);

} // namespace beatplate
