#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace beatplate {

// The text of a number as the digit sprites write it, held without allocating.
class NumberText {
public:
    [[nodiscard]] std::string_view view() const { return { m_chars.data(), m_size }; }
    [[nodiscard]] std::size_t size() const { return m_size; }

    // Decimal digits only: no sign, no leading zeros, no digit-group separators.
    [[nodiscard]] static NumberText wholeNumber(std::uint32_t value);
    // value / 100 as "%.16g" writes it, independent of any locale: 15050 gives "150.5",
    // -150 gives "-1.5".
    [[nodiscard]] static NumberText hundredths(std::int32_t value);

private:
    // "%.16g" of any double needs at most 23 characters (sign, 16 digits, point, "e-308").
    std::array<char, 32> m_chars{};
    std::size_t m_size = 0;
};

} // namespace beatplate
