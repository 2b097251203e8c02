#pragma once

#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>

namespace beatplate {

// Longest line readLine delivers, in UTF-16 code units; a longer one is a chart error.
inline constexpr std::size_t kMaxLineLength = std::size_t{ 1 } << 20;

// Decodes a chart file (code page 932, or UTF-8/UTF-16 behind a byte-order mark) into wide
// text, one UTF-16 code unit per wchar_t, folding CR LF to LF; 0x1A or an undecodable byte ends it.
// Characters outside the BMP (possible only behind a byte-order mark) become surrogate pairs.
class ChartTextReader {
public:
    // Empty when the file cannot be opened or its first bytes cannot be read. Throws
    // std::runtime_error when the system has no converter for the file's encoding.
    [[nodiscard]] static std::optional<ChartTextReader> open(const std::filesystem::path& path);
    // Reads from bytes held in memory (tests, fuzzing); throws like open.
    [[nodiscard]] static ChartTextReader fromBytes(std::string bytes);

    ChartTextReader(ChartTextReader&&) noexcept;
    ChartTextReader& operator=(ChartTextReader&&) noexcept;
    ~ChartTextReader();

    // True while the input may hold more; a read that reaches the end makes it false.
    [[nodiscard]] bool good() const;
    // Reads up to the next LF (consumed, not kept) or the end; line is emptied first.
    // Throws std::runtime_error for a line longer than kMaxLineLength or a failed file read.
    void readLine(std::wstring& line);

private:
    struct State;
    explicit ChartTextReader(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace beatplate
