#include "render/number_text.h"

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
    NumberText text;
    char* const first = text.m_chars.data();
    // General notation with 16 significant digits is what "%.16g" writes in the C locale.
    const auto [end, error] = std::to_chars(first, first + text.m_chars.size(), value / 100.0,
                                            std::chars_format::general, 16);
    text.m_size = error == std::errc{} ? static_cast<std::size_t>(end - first) : 0;
    return text;
}

} // namespace beatplate
