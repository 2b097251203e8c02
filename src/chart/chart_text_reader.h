#pragma once

#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace beatplate {

// Decodes a chart file (code page 932, or UTF-8/UTF-16 behind a byte-order mark) into wide
// text, one UTF-16 code unit per wchar_t, folding CR LF to LF; 0x1A or an undecodable byte ends it.
class ChartTextReader {
public:
    // Empty when the file cannot be opened for reading.
    [[nodiscard]] static std::optional<ChartTextReader> open(const std::filesystem::path& path);
    // Reads from bytes held in memory (tests, fuzzing).
    [[nodiscard]] static ChartTextReader fromBytes(std::string bytes);

    ChartTextReader(ChartTextReader&&) noexcept;
    ChartTextReader& operator=(ChartTextReader&&) noexcept;
    ~ChartTextReader();

    // True while the input may hold more; a read that reaches the end makes it false.
    [[nodiscard]] bool good() const;
    // Reads up to the next LF (consumed, not kept) or the end; line is emptied first.
    void readLine(std::wstring& line);

private:
    struct State;
    explicit ChartTextReader(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace beatplate
