#include "platform/float_text.h"

#include <charconv>

namespace beatplate {

FloatParse parseFloat(const char* first, const char* last, float& value)
{
    const auto [end, error] = std::from_chars(first, last, value);
    return { end, error };
}

std::size_t formatGeneral(double value, int precision, std::span<char> out)
{
    char* const first = out.data();
    const auto [end, error] =
        std::to_chars(first, first + out.size(), value, std::chars_format::general, precision);
    return error == std::errc{} ? static_cast<std::size_t>(end - first) : 0;
}

} // namespace beatplate
