#pragma once

#include <cstdint>
#include <span>
#include <string>

namespace beatplate {

// bytes in base64 with padding, as RFC 4648 gives it.
[[nodiscard]] std::string encodeBase64(std::span<const std::uint8_t> bytes);

} // namespace beatplate
