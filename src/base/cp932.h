#pragma once

#include "platform/iconv.h"

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace beatplate {

struct Cp932Encoding {
    std::string bytes; // the code page 932 text, valid when badUnit is npos
    std::size_t badUnit = std::u16string_view::npos; // first code unit that cannot be written
};

// Encodes UTF-16 text as code page 932. A code unit counts as writable only when decoding its
// bytes gives that code unit back, so surrogates, unmapped characters and the characters that
// code page 932 folds into others (U+00A5 into "\", for one) are all refused.
[[nodiscard]] Cp932Encoding encodeCp932(std::u16string_view text);

// Encodes UTF-16 text as UTF-8; empty when it holds a surrogate that is not half of a pair.
[[nodiscard]] std::optional<std::string> encodeUtf8(std::u16string_view text);

// Decodes UTF-8 bytes into UTF-16; empty when they are not valid UTF-8.
[[nodiscard]] std::optional<std::u16string> decodeUtf8(std::string_view bytes);

// Decodes code page 932 bytes; empty when they are not valid code page 932.
[[nodiscard]] std::optional<std::u16string> decodeCp932(std::string_view bytes);

} // namespace beatplate
