#pragma once

#include <cstddef>
#include <mutex>
#include <optional>
#include <string>
#include <string_view>

namespace beatplate {

enum class MessageKind {
    Failure, // something went wrong: counts for --pause
    Warning, // accepted, but worth reading: counts for --pause as a failure does
    Information, // a report of work done
};

enum class ProgressDisplay {
    Off,
    InPlace, // one line on a terminal, redrawn over itself
};

// A message as printed: its first line, then " (SUBJECT)" naming the file it is about, then its
// other lines; every line ends with a line break. No subject, no parentheses.
[[nodiscard]] std::string formatMessage(std::string_view message,
                                        std::optional<std::string_view> subject);

// The detail of a failure to write path, as it follows a message: "output PATH: REASON", the
// reason being the system's text for errorNumber.
[[nodiscard]] std::string outputFailureDetail(std::string_view path, int errorNumber);
// A message with a detail on its second line, in parentheses, as chart errors give theirs; the
// message alone when there is no detail.
[[nodiscard]] std::string withDetail(std::string_view message, std::string_view detail);

// The longest start of text (UTF-8) that fits in columns terminal columns, counting the wide
// characters of East Asian scripts as two; a character is never cut in half.
[[nodiscard]] std::string fitToColumns(std::string_view text, std::size_t columns);

// The messages of a run, written to one descriptor (standard error) whole line by whole line, so
// that several threads may report at once; a progress line, when shown, stays below them.
class Console {
public:
    explicit Console(int fd, ProgressDisplay progress = ProgressDisplay::Off);
    Console(const Console&) = delete;
    Console& operator=(const Console&) = delete;

    void report(std::string_view message, std::optional<std::string_view> subject,
                MessageKind kind = MessageKind::Failure);
    // Replaces the progress line; does nothing unless the progress display is on.
    void showProgress(std::string_view line);
    void clearProgress();
    [[nodiscard]] bool showsProgress() const { return m_progress != ProgressDisplay::Off; }
    // True once a failure or a warning has been reported: what --pause waits after.
    [[nodiscard]] bool needsReading() const;

private:
    void write(std::string_view bytes) const;
    void eraseProgressLocked() const;
    [[nodiscard]] std::size_t columns() const;

    int m_fd;
    ProgressDisplay m_progress;
    mutable std::mutex m_mutex;
    std::string m_progressLine;
    bool m_needsReading = false;
};

// Writes text to standard output whole; false when it did not all get there.
[[nodiscard]] bool printText(const std::string& text);

} // namespace beatplate
