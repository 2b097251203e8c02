#pragma once

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace beatplate {

// A time as HTTP dates write it: "Sun, 06 Nov 1994 08:49:37 GMT" (seconds dropped below).
[[nodiscard]] std::string formatHttpDate(std::time_t time);
// The time of an HTTP date in that form; none for any other text.
[[nodiscard]] std::optional<std::time_t> parseHttpDate(std::string_view text);
// A time as JSON gives it to the page: "1994-11-06T08:49:37.123Z", in milliseconds.
[[nodiscard]] std::string formatIsoTime(const ::timespec& time);

} // namespace beatplate
