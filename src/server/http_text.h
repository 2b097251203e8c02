#pragma once

#include <cstdint>
#include <ctime>
#include <optional>
#include <span>
#include <string>
#include <string_view>

namespace beatplate {

// bytes in base64 with padding, as RFC 4648 gives it.
[[nodiscard]] std::string encodeBase64(std::span<const std::uint8_t> bytes);

// A time as HTTP dates write it: "Sun, 06 Nov 1994 08:49:37 GMT" (seconds dropped below).
[[nodiscard]] std::string formatHttpDate(std::time_t time);
// The time of an HTTP date in that form; none for any other text.
[[nodiscard]] std::optional<std::time_t> parseHttpDate(std::string_view text);
// A time as JSON gives it to the page: "1994-11-06T08:49:37.123Z", in milliseconds.
[[nodiscard]] std::string formatIsoTime(const ::timespec& time);

} // namespace beatplate
