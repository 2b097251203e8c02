#pragma once

#include "base/chart_encoding.h"
#include "chart/chart_diagnostic.h"

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace beatplate {

// Longest line readLine delivers, in UTF-16 code units; a longer one is a chart error.
inline constexpr std::size_t kMaxLineLength = std::size_t{ 1 } << 20;

// Decodes a chart file into UTF-16 text (characters outside the BMP become surrogate pairs)
// and keeps what it has read; or reads UTF-16 text as an editor holds it, as it stands. A
// byte-order mark decides the encoding; without one the forced encoding does, or else detection:
// text that is valid UTF-8 up to its end (or to a 0x1A byte) and holds a multi-byte sequence is
// UTF-8, any other is code page 932. Line ends are LF, CR LF and a lone CR; 0x1A ends the text, and
// so does a partial character at the very end of the file. Bytes that cannot be decoded are a chart
// error.
class ChartTextReader {
public:
    // Empty when the file cannot be opened or its first bytes cannot be read. Throws
    // std::runtime_error when the system has no converter for the encoding.
    [[nodiscard]] static std::optional<ChartTextReader>
    open(const std::filesystem::path& path, std::optional<ChartEncoding> forced = std::nullopt);
    // Reads from bytes held in memory (tests, fuzzing, a server); throws like open.
    [[nodiscard]] static ChartTextReader
    fromBytes(std::string bytes, std::optional<ChartEncoding> forced = std::nullopt);
    // Reads text that is UTF-16 already, which must outlive the reader; a surrogate that is not
    // half of a pair is an encoding error, as in a file.
    [[nodiscard]] static ChartTextReader fromText(std::u16string_view text);

    ChartTextReader(ChartTextReader&&) noexcept;
    ChartTextReader& operator=(ChartTextReader&&) noexcept;
    ~ChartTextReader();

    // The encoding the text is read in, and whether a byte-order mark named it: what a
    // program that writes the chart back needs to write it as it was.
    [[nodiscard]] ChartEncoding encoding() const;
    [[nodiscard]] bool hasByteOrderMark() const;

    // The bytes the input holds, when known (a regular file or bytes in memory): a bound on
    // the code units it decodes to, with one more for a last line without a line end.
    [[nodiscard]] std::optional<std::uint64_t> byteSize() const;

    // True while the input may hold more; a read that reaches the end makes it false.
    [[nodiscard]] bool good() const;
    // True once the text has ended at a 0x1A that more input follows, which is not read.
    [[nodiscard]] bool cutAtEndOfFileMark() const;
    // Reads up to the next line end (consumed, not kept) or the end; line is emptied first.
    // The line and one LF are added to text(). The fault, when the line has one: bytes that
    // cannot be decoded (the line is read to its end without them, and kept so, or empty when
    // it is too long to keep), and a line longer than kMaxLineLength, a text longer than
    // kMaxChartLength and a failed file read, which end the text and add nothing to text().
    [[nodiscard]] std::optional<LineFault> readLine(std::u16string& line);

    // Every line read so far, each followed by one LF: the chart text a picture carries. A line
    // of text() is the line of the same number read.
    [[nodiscard]] const std::u16string& text() const;
    // Hands the text over, leaving none behind.
    [[nodiscard]] std::u16string takeText();

private:
    struct State;
    explicit ChartTextReader(std::unique_ptr<State> state);
    std::unique_ptr<State> m_state;
};

} // namespace beatplate
