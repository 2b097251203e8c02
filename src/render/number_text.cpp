#include "render/number_text.h"

#include "platform/float_text.h"

#include <charconv>
#include <system_error>

namespace beatplate {

NumberText NumberText::wholeNumber(std::uint32_t value)
{
    NumberText text;
    char* const first = text.m_chars.data();
    const auto [end, error] = std::to_chars(first, first + text.m_chars.size(), value);
    // The buffer holds any 32-bit number, so an error cannot happen; it would leave the text empty.
    text.m_size = error == std::errc{} ? static_cast<std::size_t>(end - first) : 0;
    return text;
}

NumberText NumberText::hundredths(std::int32_t value)
{
    constexpr int kSignificantDigits = 16;
    NumberText text;
    text.m_size = formatGeneral(value / 100.0, kSignificantDigits, text.m_chars);
    return text;
}

} // namespace beatplate
