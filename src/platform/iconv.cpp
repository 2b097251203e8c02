#include "platform/iconv.h"

#include <cerrno>

namespace beatplate {

std::optional<std::size_t> Iconv::convert(std::string_view input, std::string& output)
{
    restart();
    // convertSome takes a non-const input pointer but does not write through it.
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    // Room for UTF-16 from single-byte characters, the common case, without growing.
    output.assign(input.size() * 2 + 16, '\0');
    std::size_t used = 0;
    while (inLeft > 0) {
        char* out = output.data() + used;
        std::size_t outLeft = output.size() - used;
        const std::size_t result = convertSome(in, inLeft, out, outLeft);
        used = output.size() - outLeft;
        if (result != static_cast<std::size_t>(-1))
            continue;
        if (errno != E2BIG) {
            output.clear();
            return static_cast<std::size_t>(in - input.data());
        }
        output.resize(output.size() * 2);
    }
    // Both encodings are stateless, so there is no shift sequence to flush.
    output.resize(used);
    return std::nullopt;
}

} // namespace beatplate
