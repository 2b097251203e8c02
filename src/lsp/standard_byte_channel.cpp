#include "lsp/standard_byte_channel.h"

#include "platform/terminal.h"

namespace beatplate {

TimedRead StandardByteChannel::read(std::span<char> buffer,
                                    std::optional<std::chrono::milliseconds> timeout)
{
    return readWithin(kStandardInput, buffer, timeout);
}

bool StandardByteChannel::write(std::string_view bytes)
{
    return writeAll(kStandardOutput, bytes);
}

void StandardByteChannel::log(std::string_view line)
{
    m_console.report(line, std::nullopt);
}

} // namespace beatplate
