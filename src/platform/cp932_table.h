#pragma once

#include <array>
#include <cstdint>
#include <optional>

namespace beatplate {

// A code of code page 932 (below 0x100 a single byte, else lead byte << 8 | trail byte) and the
// UTF-16 code unit it stands for, or the other way round.
struct Cp932Pair {
    std::uint16_t from;
    std::uint16_t to;
};

// Code page 932 as glibc's iconv converts it, made by tools/make_cp932_table.cpp: where the
// system has no such iconv, the same chart still gives the same text. Sorted by from.
extern const std::array<Cp932Pair, 9795> kCp932Decoding;
// The bytes that start a two-byte code, sorted, some of them with no code after them at all.
extern const std::array<std::uint8_t, 60> kCp932LeadBytes;
// Where the encoder does not give back the first code that decodes to a unit; to 0xFFFF is a
// unit it refuses.
extern const std::array<Cp932Pair, 382> kCp932EncodingExceptions;

// True when byte starts a two-byte code rather than standing for a character alone.
[[nodiscard]] bool isCp932LeadByte(unsigned char byte);
// The unit a code decodes to; none when code page 932 has no such code.
[[nodiscard]] std::optional<char16_t> cp932ToUnit(std::uint16_t code);
// The code a unit encodes to; none when code page 932 cannot hold it.
[[nodiscard]] std::optional<std::uint16_t> unitToCp932(char16_t unit);

} // namespace beatplate
