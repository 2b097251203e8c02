#pragma once

#include "lsp/byte_channel.h"

namespace beatplate {

// Standard input and standard output, as an editor starts a language server.
class StandardByteChannel final : public ByteChannel {
public:
    [[nodiscard]] TimedRead read(std::span<char> buffer,
                                 std::optional<std::chrono::milliseconds> timeout) override;
    [[nodiscard]] bool write(std::string_view bytes) override;
    [[nodiscard]] std::chrono::steady_clock::time_point now() const override
    {
        return std::chrono::steady_clock::now();
    }
};

} // namespace beatplate
