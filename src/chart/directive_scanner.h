#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string_view>

namespace beatplate {

// White space between the words of a directive: U+0009 to U+000D, U+0020 and U+3000.
[[nodiscard]] constexpr bool isChartSpace(char16_t c)
{
    return (c >= u'\t' && c <= u'\r') || c == u' ' || c == u'\u3000';
}

// The text without chart white space at either end.
[[nodiscard]] std::u16string_view trimChartSpace(std::u16string_view text);

struct IntegerWord {
    std::optional<std::int32_t> value;
    bool outOfRange = false; // the word is an integer too large for 32 bits
};

// A whole word as a signed 32-bit decimal integer: an optional sign and digits, nothing else.
[[nodiscard]] IntegerWord parseIntegerWord(std::u16string_view word);

// Reads the words and numbers of one directive line in order, each after skipping white space.
// A number stops at the first character that cannot continue it ("150abc" reads 150); once a
// read fails, every later read of the line fails too.
class DirectiveScanner {
public:
    explicit DirectiveScanner(std::u16string_view text)
        : m_text(text)
    {
    }

    [[nodiscard]] std::optional<std::u16string_view> readWord();
    // Correctly rounded to single precision; a number too large for it reads as infinity
    // with its sign, one too small as zero.
    [[nodiscard]] std::optional<float> readReal();
    // An integer too large for 32 bits fails, and outOfRange() tells why.
    [[nodiscard]] std::optional<std::int32_t> readInteger();
    // A negative number gives its 32-bit two's complement, as formatted extraction does.
    [[nodiscard]] std::optional<std::uint32_t> readUnsigned();

    // Everything after the last read, white space included.
    [[nodiscard]] std::u16string_view rest() const { return m_text.substr(m_position); }
    [[nodiscard]] bool failed() const { return m_failed; }
    // True when a read failed on an integer written too large to hold.
    [[nodiscard]] bool outOfRange() const { return m_outOfRange; }
    // Index in the text where the last read's word or number begins, after white space.
    [[nodiscard]] std::size_t lastStart() const { return m_lastStart; }
    // Where a number read so far was first followed directly by other characters ("150,5"):
    // the index of its first character and of the first character after it.
    struct NumberWithText {
        std::size_t numberStart = 0;
        std::size_t textStart = 0;
    };
    [[nodiscard]] std::optional<NumberWithText> numberWithText() const { return m_numberWithText; }

private:
    struct SignedDigits {
        bool negative = false;
        std::uint64_t magnitude = 0; // saturates above 32 bits
    };

    [[nodiscard]] bool nextIs(char16_t c) const
    {
        return m_position < m_text.size() && m_text[m_position] == c;
    }
    [[nodiscard]] bool nextIsDigit() const
    {
        return m_position < m_text.size() && m_text[m_position] >= u'0'
            && m_text[m_position] <= u'9';
    }
    void skipSpace();
    void noteTextAfterNumber();
    [[nodiscard]] std::optional<SignedDigits> scanSignedDigits();
    // A number read after white space, its magnitude at most limit (negativeLimit with a minus
    // sign); a larger one fails as out of range.
    [[nodiscard]] std::optional<SignedDigits> readDigitsWithin(std::uint64_t limit,
                                                               std::uint64_t negativeLimit);
    template <typename Value>
    std::optional<Value> fail();

    std::u16string_view m_text;
    std::size_t m_position = 0;
    std::size_t m_lastStart = 0;
    bool m_failed = false;
    bool m_outOfRange = false;
    std::optional<NumberWithText> m_numberWithText;
};

} // namespace beatplate
