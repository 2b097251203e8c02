#include "platform/float_text.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

namespace beatplate {

// The browser's C++ library has no floating-point std::from_chars or std::to_chars with a
// precision; its C library rounds correctly too and knows only the C locale. Its strtof says
// ERANGE also for a value it gives as a subnormal, which from_chars takes.
FloatParse parseFloat(const char* first, const char* last, float& value)
{
    const std::string text(first, last);
    char* end = nullptr;
    const float parsed = std::strtof(text.c_str(), &end);
    const auto taken = static_cast<std::size_t>(end - text.c_str());
    if (taken == 0)
        return { first, std::errc::invalid_argument };
    const std::string_view number(text.c_str(), taken);
    const std::string_view mantissa = number.substr(0, number.find_first_of("eE"));
    const bool nonZero =
        std::any_of(mantissa.begin(), mantissa.end(), [](char c) { return c >= '1' && c <= '9'; });
    if (std::isinf(parsed) || (parsed == 0.0F && nonZero))
        return { first + taken, std::errc::result_out_of_range };
    value = parsed;
    return { first + taken, std::errc{} };
}

std::size_t formatGeneral(double value, int precision, std::span<char> out)
{
    const int written = std::snprintf(out.data(), out.size(), "%.*g", precision, value);
    return written > 0 && static_cast<std::size_t>(written) < out.size()
        ? static_cast<std::size_t>(written)
        : 0;
}

} // namespace beatplate
