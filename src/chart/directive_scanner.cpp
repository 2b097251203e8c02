#include "chart/directive_scanner.h"

#include "platform/float_text.h"

#include <algorithm>
#include <limits>
#include <string>
#include <system_error>

namespace beatplate {

constexpr std::uint64_t kSaturatedMagnitude = std::uint64_t{ 1 } << 33;
constexpr std::uint64_t kInt32Limit = std::uint64_t{ 1 } << 31;
constexpr std::uint64_t kUint32Max = 0xFFFF'FFFFu;

std::u16string_view trimChartSpace(std::u16string_view text)
{
    while (!text.empty() && isChartSpace(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isChartSpace(text.back()))
        text.remove_suffix(1);
    return text;
}

IntegerWord parseIntegerWord(std::u16string_view word)
{
    if (word.empty() || isChartSpace(word.front()))
        return {};
    DirectiveScanner scanner(word);
    const auto value = scanner.readInteger();
    if (!scanner.rest().empty())
        return {};
    return { value, scanner.outOfRange() };
}

// The power of ten of the first non-zero digit of a number as read ("-0.05e3" gives 1), its
// exponent saturated far beyond any float's.
static std::int64_t leadingPower(std::string_view number)
{
    const std::size_t mark = std::min(number.find_first_of("eE"), number.size());
    const std::string_view mantissa = number.substr(0, mark);
    const std::size_t point = std::min(mantissa.find('.'), mantissa.size());
    const std::size_t first = mantissa.find_first_of("123456789");
    if (first == std::string_view::npos)
        return 0;
    std::int64_t power = first < point ? static_cast<std::int64_t>(point - first) - 1
                                       : -static_cast<std::int64_t>(first - point);
    std::int64_t exponent = 0;
    for (const char c : number.substr(std::min(mark + 1, number.size()))) {
        if (c >= '0' && c <= '9')
            exponent = std::min<std::int64_t>(exponent * 10 + (c - '0'), 1'000'000'000);
    }
    const bool negativeExponent =
        number.find("e-") != std::string_view::npos || number.find("E-") != std::string_view::npos;
    return power + (negativeExponent ? -exponent : exponent);
}

template <typename Value>
std::optional<Value> DirectiveScanner::fail()
{
    m_failed = true;
    return std::nullopt;
}

void DirectiveScanner::skipSpace()
{
    while (m_position < m_text.size() && isChartSpace(m_text[m_position]))
        ++m_position;
    m_lastStart = m_position;
}

void DirectiveScanner::noteTextAfterNumber()
{
    if (!m_numberWithText && m_position < m_text.size() && !isChartSpace(m_text[m_position]))
        m_numberWithText = NumberWithText{ m_lastStart, m_position };
}

// word := one or more characters other than white space
std::optional<std::u16string_view> DirectiveScanner::readWord()
{
    if (m_failed)
        return std::nullopt;
    skipSpace();
    const std::size_t start = m_position;
    while (m_position < m_text.size() && !isChartSpace(m_text[m_position]))
        ++m_position;
    if (m_position == start)
        return fail<std::u16string_view>();
    return m_text.substr(start, m_position - start);
}

// signed digits := [ "+" | "-" ] digit+
std::optional<DirectiveScanner::SignedDigits> DirectiveScanner::scanSignedDigits()
{
    SignedDigits digits;
    if (nextIs(u'+') || nextIs(u'-'))
        digits.negative = m_text[m_position++] == u'-';
    const std::size_t start = m_position;
    while (nextIsDigit()) {
        const auto digit = static_cast<std::uint64_t>(m_text[m_position++] - u'0');
        digits.magnitude = std::min(digits.magnitude * 10 + digit, kSaturatedMagnitude);
    }
    if (m_position == start)
        return std::nullopt;
    return digits;
}

std::optional<DirectiveScanner::SignedDigits>
DirectiveScanner::readDigitsWithin(std::uint64_t limit, std::uint64_t negativeLimit)
{
    if (m_failed)
        return std::nullopt;
    skipSpace();
    const auto digits = scanSignedDigits();
    if (!digits)
        return fail<SignedDigits>();
    if (digits->magnitude > (digits->negative ? negativeLimit : limit)) {
        m_outOfRange = true;
        return fail<SignedDigits>();
    }
    noteTextAfterNumber();
    return digits;
}

// integer := signed digits, within the signed 32-bit range
std::optional<std::int32_t> DirectiveScanner::readInteger()
{
    const auto digits = readDigitsWithin(kInt32Limit - 1, kInt32Limit);
    if (!digits)
        return std::nullopt;
    const auto magnitude = static_cast<std::int64_t>(digits->magnitude);
    return static_cast<std::int32_t>(digits->negative ? -magnitude : magnitude);
}

// unsigned := signed digits, the magnitude within 32 bits
std::optional<std::uint32_t> DirectiveScanner::readUnsigned()
{
    const auto digits = readDigitsWithin(kUint32Max, kUint32Max);
    if (!digits)
        return std::nullopt;
    const auto magnitude = static_cast<std::uint32_t>(digits->magnitude);
    return digits->negative ? 0u - magnitude : magnitude;
}

// real := [ "+" | "-" ] digit* [ "." digit* ] [ ( "e" | "E" ) [ "+" | "-" ] digit+ ],
// with at least one mantissa digit; an exponent mark without digits spoils the number
std::optional<float> DirectiveScanner::readReal()
{
    if (m_failed)
        return std::nullopt;
    skipSpace();
    std::string ascii; // the number for parseFloat, which takes no leading "+"
    const auto take = [&] { ascii.push_back(static_cast<char>(m_text[m_position++])); };
    if (nextIs(u'+'))
        ++m_position;
    else if (nextIs(u'-'))
        take();
    std::size_t mantissaDigits = 0;
    for (; nextIsDigit(); ++mantissaDigits)
        take();
    if (nextIs(u'.')) {
        take();
        for (; nextIsDigit(); ++mantissaDigits)
            take();
    }
    if (mantissaDigits == 0)
        return fail<float>();
    if (nextIs(u'e') || nextIs(u'E')) {
        take();
        if (nextIs(u'+') || nextIs(u'-'))
            take();
        std::size_t exponentDigits = 0;
        for (; nextIsDigit(); ++exponentDigits)
            take();
        if (exponentDigits == 0)
            return fail<float>();
    }
    float value = 0.0F;
    const char* const end = ascii.data() + ascii.size();
    const auto [stop, error] = parseFloat(ascii.data(), end, value);
    if (error == std::errc::result_out_of_range) {
        // Written, but beyond single precision: far too large, or far too small to be told
        // from zero.
        const bool huge = leadingPower(ascii) > 0;
        value = huge ? std::numeric_limits<float>::infinity() : 0.0F;
        value = ascii.front() == '-' ? -value : value;
    } else if (error != std::errc{} || stop != end) {
        return fail<float>();
    }
    noteTextAfterNumber();
    return value;
}

} // namespace beatplate
