#include "platform/cp932_table.h"
#include "platform/iconv.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <cstdint>
#include <optional>
#include <string>

namespace beatplate::test {
namespace {

struct Converted {
    std::optional<std::string> output;
    int error = 0; // errno when refused
};

Converted convertWith(Iconv& converter, std::string input)
{
    std::string output(8, '\0');
    char* in = input.data();
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    static_cast<void>(converter.convertSome(in, inLeft, out, outLeft)); // resets nothing: stateless
    if (inLeft != 0)
        return { std::nullopt, errno };
    output.resize(output.size() - outLeft);
    return { output, 0 };
}

std::optional<unsigned> unitOf(const Converted& utf16)
{
    if (!utf16.output || utf16.output->size() != 2)
        return std::nullopt;
    return static_cast<unsigned char>((*utf16.output)[0])
        | static_cast<unsigned char>((*utf16.output)[1]) << 8;
}

// The table the Windows build converts with is what this system's iconv does, code by code.
TEST(Cp932Table, DecodesEveryCodeAndEncodesEveryUnitAsIconvDoes)
{
    Iconv decoder("UTF-16LE", "CP932");
    Iconv encoder("CP932", "UTF-16LE");
    int mismatches = 0;
    for (unsigned byte = 0; byte < 0x100; ++byte) {
        const Converted alone = convertWith(decoder, std::string(1, static_cast<char>(byte)));
        EXPECT_EQ(isCp932LeadByte(static_cast<unsigned char>(byte)),
                  !alone.output && alone.error == EINVAL)
            << byte;
    }
    for (unsigned code = 0; code < 0x10000; ++code) {
        const bool pair = code >= 0x100;
        if (pair && !isCp932LeadByte(static_cast<unsigned char>(code >> 8)))
            continue;
        const std::string bytes = pair
            ? std::string{ static_cast<char>(code >> 8), static_cast<char>(code & 0xFF) }
            : std::string(1, static_cast<char>(code));
        const auto expected = unitOf(convertWith(decoder, bytes));
        const auto actual = cp932ToUnit(static_cast<std::uint16_t>(code));
        if (expected != (actual ? std::optional<unsigned>(*actual) : std::nullopt)
            && ++mismatches < 10)
            ADD_FAILURE() << "code " << std::hex << code;
    }
    for (unsigned unit = 0; unit < 0x10000; ++unit) {
        if (unit >= 0xD800 && unit < 0xE000)
            continue;
        const Converted bytes = convertWith(
            encoder, std::string{ static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8) });
        // -1: refused.
        long expected = bytes.output && !bytes.output->empty() ? 0 : -1;
        for (const char c : bytes.output.value_or(""))
            expected = expected << 8 | static_cast<unsigned char>(c);
        const auto actual = unitToCp932(static_cast<char16_t>(unit));
        if (expected != (actual ? long{ *actual } : -1) && ++mismatches < 10)
            ADD_FAILURE() << "unit " << std::hex << unit;
    }
    EXPECT_EQ(mismatches, 0);
}

} // namespace
} // namespace beatplate::test
