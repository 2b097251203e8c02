#include "platform/iconv.h"

#include <iconv.h>

#include <cerrno>
#include <stdexcept>

namespace beatplate {

// iconv_open reports failure with this value, not with a null pointer.
static const iconv_t kNoIconv = reinterpret_cast<iconv_t>(-1); // NOLINT(performance-no-int-to-ptr)

// Owns one iconv conversion descriptor.
struct Iconv::State {
    explicit State(iconv_t descriptor)
        : handle(descriptor)
    {
    }
    State(const State&) = delete;
    State& operator=(const State&) = delete;
    ~State()
    {
        if (handle != kNoIconv)
            iconv_close(handle);
    }

    iconv_t handle;
};

Iconv::Iconv(const char* toCode, const char* fromCode)
    : m_state(std::make_unique<State>(iconv_open(toCode, fromCode)))
{
    if (m_state->handle == kNoIconv)
        throw std::runtime_error(std::string("no conversion from ") + fromCode + " to " + toCode);
}

Iconv::Iconv(Iconv&& other) noexcept = default;
Iconv& Iconv::operator=(Iconv&& other) noexcept = default;
Iconv::~Iconv() = default;

std::optional<std::size_t> Iconv::convert(std::string_view input, std::string& output)
{
    iconv(m_state->handle, nullptr, nullptr, nullptr, nullptr);
    // iconv takes a non-const input pointer but does not write through it.
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    output.assign(input.size() + 16, '\0');
    std::size_t used = 0;
    while (inLeft > 0) {
        char* out = output.data() + used;
        std::size_t outLeft = output.size() - used;
        const std::size_t result = iconv(m_state->handle, &in, &inLeft, &out, &outLeft);
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

std::size_t Iconv::convertSome(char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft)
{
    return iconv(m_state->handle, &in, &inLeft, &out, &outLeft);
}

} // namespace beatplate
