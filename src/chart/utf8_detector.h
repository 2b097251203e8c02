#pragma once

#include <cstddef>
#include <string_view>

namespace beatplate {

// Decides, from a chart's bytes given in growing pieces, whether its text is UTF-8: valid
// UTF-8 up to the end or to the first 0x1A byte (where the text ends), with at least one
// multi-byte sequence. Code page 932 text with Japanese in it is almost never valid UTF-8.
class Utf8Detector {
public:
    enum class Verdict {
        Undecided, // valid so far; more bytes may decide
        Utf8,
        NotUtf8,
    };

    // Scans bytes from where the last call stopped; bytes is all the input read so far.
    [[nodiscard]] Verdict scan(std::string_view bytes);
    // The verdict when the input ends after what was scanned. A sequence cut off by the end
    // counts for nothing: the reader drops a partial last character.
    [[nodiscard]] Verdict finish() const;

private:
    std::size_t m_scanned = 0;
    int m_continuations = 0; // bytes still owed by the sequence being read
    unsigned char m_lower = 0x80; // bounds of the next continuation byte
    unsigned char m_upper = 0xBF;
    bool m_multiByte = false;
};

} // namespace beatplate
