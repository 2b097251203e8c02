#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace beatplate {

// A place in a text as the protocol counts it: lines from 0, characters in UTF-16 code units
// from 0.
struct TextPosition {
    int line = 0;
    int character = 0;

    bool operator==(const TextPosition&) const = default;
};

struct TextRange {
    TextPosition start;
    TextPosition end;

    bool operator==(const TextRange&) const = default;
};

// The text of one open chart as the editor holds it, kept up to date by its edits. Lines end at
// LF, CR LF or a lone CR, as the chart reader ends them.
class TextDocument {
public:
    TextDocument(std::u16string text, int version);

    [[nodiscard]] const std::u16string& text() const { return m_text; }
    [[nodiscard]] int version() const { return m_version; }

    // Replaces the text of range (the whole text when there is none) with replacement. A
    // position past its line's end stands at the line's end, one past the last line at the
    // text's end, as the protocol asks.
    void edit(const std::optional<TextRange>& range, std::u16string_view replacement, int version);

    // The index in text() of a position, held inside the text.
    [[nodiscard]] std::size_t offsetOf(TextPosition position) const;
    // The position of an index in text().
    [[nodiscard]] TextPosition positionOf(std::size_t offset) const;
    // Line number (from 0) without its line end; empty past the last line.
    [[nodiscard]] std::u16string_view line(int number) const;
    [[nodiscard]] int lineCount() const;
    // Every line without its line end, in order; valid until the next edit.
    [[nodiscard]] std::vector<std::u16string_view> lines() const;
    // Lines first to last (from 0, both included) as lines() gives them; fewer past the end.
    [[nodiscard]] std::vector<std::u16string_view> lines(int first, int last) const;

private:
    // The index where line number begins, or text().size() past the last.
    [[nodiscard]] std::size_t lineStart(int number) const;
    [[nodiscard]] std::size_t lineEnd(std::size_t start) const;

    std::u16string m_text;
    int m_version;
};

} // namespace beatplate
