// Writes src/platform/cp932_table.cpp: code page 932 as the C library's iconv on this machine
// converts it, so that a build without that iconv (Windows) decodes and encodes charts alike.
//   make_cp932_table > src/platform/cp932_table.cpp && clang-format -i src/platform/cp932_table.cpp
#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace {

// One conversion of input through iconv; none when it is refused or incomplete.
std::optional<std::string> convert(iconv_t converter, const std::string& input)
{
    iconv(converter, nullptr, nullptr, nullptr, nullptr);
    std::string output(16, '\0');
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char* out = output.data();
    std::size_t outLeft = output.size();
    if (iconv(converter, &in, &inLeft, &out, &outLeft) == static_cast<std::size_t>(-1))
        return std::nullopt;
    output.resize(output.size() - outLeft);
    return output;
}

// The one UTF-16 code unit a code decodes to; none when it decodes to nothing or to more.
std::optional<unsigned> unitOf(const std::optional<std::string>& utf16)
{
    if (!utf16 || utf16->size() != 2)
        return std::nullopt;
    return static_cast<unsigned char>((*utf16)[0]) | static_cast<unsigned char>((*utf16)[1]) << 8;
}

void printPairs(const char* name, const std::vector<std::pair<unsigned, unsigned>>& pairs)
{
    std::printf("const std::array<Cp932Pair, %zu> %s{ {\n", pairs.size(), name);
    for (std::size_t i = 0; i < pairs.size(); ++i) {
        std::printf("%s{ 0x%04X, 0x%04X },%s", i % 4 == 0 ? "    " : " ", pairs[i].first,
                    pairs[i].second, i % 4 == 3 || i + 1 == pairs.size() ? "\n" : "");
    }
    std::printf("} };\n\n");
}

} // namespace

int main()
{
    const iconv_t decoder = iconv_open("UTF-16LE", "CP932");
    const iconv_t encoder = iconv_open("CP932", "UTF-16LE");
    // iconv_open reports failure with this value, not with a null pointer.
    const auto none = reinterpret_cast<iconv_t>(-1); // NOLINT(performance-no-int-to-ptr)
    if (decoder == none || encoder == none) {
        std::fputs("make_cp932_table: iconv has no CP932\n", stderr);
        return 1;
    }
    // Codes below 0x100 are single bytes; the others are a lead byte and a trail byte.
    std::vector<std::pair<unsigned, unsigned>> decoding;
    std::map<unsigned, unsigned> inverse; // the first code that decodes to each unit
    for (unsigned code = 0; code < 0x10000; ++code) {
        const std::string bytes = code < 0x100
            ? std::string(1, static_cast<char>(code))
            : std::string{ static_cast<char>(code >> 8), static_cast<char>(code & 0xFF) };
        if (code >= 0x100 && unitOf(convert(decoder, std::string(1, static_cast<char>(code >> 8)))))
            continue; // a single byte followed by another: two characters, not one code
        if (const auto unit = unitOf(convert(decoder, bytes))) {
            decoding.emplace_back(code, *unit);
            inverse.emplace(*unit, code);
        }
    }
    // The bytes that start a two-byte code, whether or not any code follows them: alone at the
    // end of the input they are cut off, not wrong.
    std::vector<unsigned> leads;
    for (unsigned byte = 0; byte < 0x100; ++byte) {
        iconv(decoder, nullptr, nullptr, nullptr, nullptr);
        char in[1] = { static_cast<char>(byte) };
        char* from = in;
        std::size_t inLeft = 1;
        char out[8];
        char* to = out;
        std::size_t outLeft = sizeof out;
        if (iconv(decoder, &from, &inLeft, &to, &outLeft) == static_cast<std::size_t>(-1)
            && errno == EINVAL)
            leads.push_back(byte);
    }
    // What the encoder does differently from the inverse of the decoder.
    std::vector<std::pair<unsigned, unsigned>> encoding;
    for (unsigned unit = 0; unit < 0x10000; ++unit) {
        if (unit >= 0xD800 && unit < 0xE000)
            continue;
        const std::string utf16{ static_cast<char>(unit & 0xFF), static_cast<char>(unit >> 8) };
        const auto bytes = convert(encoder, utf16);
        // 0xFFFF: refused, a code that code page 932 has not.
        unsigned code = 0xFFFF;
        if (bytes && bytes->size() == 1)
            code = static_cast<unsigned char>((*bytes)[0]);
        else if (bytes && bytes->size() == 2)
            code = static_cast<unsigned char>((*bytes)[0]) << 8
                | static_cast<unsigned char>((*bytes)[1]);
        const auto known = inverse.find(unit);
        const unsigned expected = known != inverse.end() ? known->second : 0xFFFF;
        if (code != expected)
            encoding.emplace_back(unit, code);
    }
    std::printf("// Made by tools/make_cp932_table.cpp from glibc's iconv; do not edit.\n"
                "#include \"platform/cp932_table.h\"\n\nnamespace beatplate {\n\n");
    std::printf("const std::array<std::uint8_t, %zu> kCp932LeadBytes{ {", leads.size());
    for (std::size_t i = 0; i < leads.size(); ++i)
        std::printf("%s0x%02X,", i % 12 == 0 ? "\n    " : " ", leads[i]);
    std::printf("\n} };\n\n");
    printPairs("kCp932Decoding", decoding);
    printPairs("kCp932EncodingExceptions", encoding);
    std::printf("} // namespace beatplate\n");
    iconv_close(decoder);
    iconv_close(encoder);
    return 0;
}
