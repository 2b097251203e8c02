#pragma once

#include <cstddef>
#include <span>
#include <system_error>

namespace beatplate {

// Decimal text and floating-point numbers, read and written independently of any locale through
// std::from_chars and std::to_chars where the C++ library has them for floating point, and
// otherwise through the C library, which must then be correctly rounded and know only the C
// locale.

// The float that the decimal text [first, last) names, correctly rounded, with the contract of
// std::from_chars: errc::result_out_of_range when it is too large for a float or too small to be
// told from zero (value then unchanged), errc::invalid_argument when no number begins at first.
struct FloatParse {
    const char* end = nullptr;
    std::errc error = std::errc{};
};
[[nodiscard]] FloatParse parseFloat(const char* first, const char* last, float& value);

// value in general notation with precision significant digits, as "%.*g" writes it in the C
// locale: the count of characters written into out, 0 when it has too little room.
[[nodiscard]] std::size_t formatGeneral(double value, int precision, std::span<char> out);

} // namespace beatplate
