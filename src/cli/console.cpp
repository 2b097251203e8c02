#include "cli/console.h"

#include "platform/terminal.h"

#include <cstdio>
#include <system_error>

namespace beatplate {

namespace {

constexpr std::size_t kDefaultColumns = 80;
constexpr std::string_view kEraseLine = "\r\x1b[K";

} // namespace

std::string formatMessage(std::string_view message, std::optional<std::string_view> subject)
{
    if (message.ends_with('\n'))
        message.remove_suffix(1);
    const auto lineEnd = message.find('\n');
    std::string text(message.substr(0, lineEnd));
    if (subject)
        text += " (" + std::string(*subject) + ")";
    if (lineEnd != std::string_view::npos)
        text += message.substr(lineEnd);
    return text + "\n";
}

std::string outputFailureDetail(std::string_view path, int errorNumber)
{
    return "output " + std::string(path) + ": " + std::generic_category().message(errorNumber);
}

std::string withDetail(std::string_view message, std::string_view detail)
{
    std::string text(message);
    if (!detail.empty())
        text.append("\n(").append(detail).append(")");
    return text;
}

// Kana, kanji, Hangul and the full-width forms take two columns on a terminal.
static std::size_t columnsOf(char32_t c)
{
    const bool wide = (c >= 0x1100 && c <= 0x115F) || (c >= 0x2E80 && c <= 0xA4CF)
        || (c >= 0xAC00 && c <= 0xD7A3) || (c >= 0xF900 && c <= 0xFAFF)
        || (c >= 0xFE30 && c <= 0xFE4F) || (c >= 0xFF00 && c <= 0xFF60)
        || (c >= 0xFFE0 && c <= 0xFFE6) || c >= 0x20000;
    return wide ? 2 : 1;
}

std::string fitToColumns(std::string_view text, std::size_t columns)
{
    std::size_t used = 0;
    std::size_t at = 0;
    while (at < text.size()) {
        const auto lead = static_cast<unsigned char>(text[at]);
        const std::size_t length = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
        char32_t c = length == 1 ? lead : lead & (0x7F >> length);
        for (std::size_t i = 1; i < length && at + i < text.size(); ++i)
            c = c << 6 | (static_cast<unsigned char>(text[at + i]) & 0x3F);
        used += columnsOf(c);
        if (used > columns || at + length > text.size())
            break;
        at += length;
    }
    return std::string(text.substr(0, at));
}

Console::Console(int fd, ProgressDisplay progress)
    : m_fd(fd)
    , m_progress(progress)
{
}

void Console::write(std::string_view bytes) const
{
    // Nothing is left to tell a failing standard error to.
    static_cast<void>(writeAll(m_fd, bytes));
}

void Console::eraseProgressLocked() const
{
    if (!m_progressLine.empty())
        write(kEraseLine);
}

std::size_t Console::columns() const
{
    return terminalColumns(m_fd).value_or(kDefaultColumns);
}

void Console::report(std::string_view message, std::optional<std::string_view> subject,
                     MessageKind kind)
{
    const std::string text = formatMessage(message, subject);
    const std::lock_guard lock(m_mutex);
    if (kind != MessageKind::Information)
        m_needsReading = true;
    eraseProgressLocked();
    write(text);
    write(m_progressLine);
}

void Console::showProgress(std::string_view line)
{
    if (m_progress == ProgressDisplay::Off)
        return;
    // The last column stays free: a line that fills it wraps on some terminals.
    std::string fitted = fitToColumns(line, columns() - 1);
    const std::lock_guard lock(m_mutex);
    write(kEraseLine);
    write(fitted);
    m_progressLine = std::move(fitted);
}

void Console::clearProgress()
{
    const std::lock_guard lock(m_mutex);
    eraseProgressLocked();
    m_progressLine.clear();
}

bool Console::needsReading() const
{
    const std::lock_guard lock(m_mutex);
    return m_needsReading;
}

bool printText(const std::string& text)
{
    // Through the platform's writer, which shows text on a Windows console as it is meant.
    return std::fflush(stdout) == 0 && writeAll(kStandardOutput, text);
}

} // namespace beatplate
