#pragma once

#include "cli/console.h"
#include "lsp/byte_channel.h"

namespace beatplate {

// Standard input and standard output, as an editor starts a language server, and the log on
// standard error.
class StandardByteChannel final : public ByteChannel {
public:
    explicit StandardByteChannel(Console& console)
        : m_console(console)
    {
    }

    [[nodiscard]] TimedRead read(std::span<char> buffer,
                                 std::optional<std::chrono::milliseconds> timeout) override;
    [[nodiscard]] bool write(std::string_view bytes) override;
    void log(std::string_view line) override;
    [[nodiscard]] std::chrono::steady_clock::time_point now() const override
    {
        return std::chrono::steady_clock::now();
    }

private:
    Console& m_console;
};

} // namespace beatplate
