#include "platform/iconv.h"

#include <iconv.h>

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

void Iconv::restart()
{
    iconv(m_state->handle, nullptr, nullptr, nullptr, nullptr);
}

std::size_t Iconv::convertSome(char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft)
{
    return iconv(m_state->handle, &in, &inLeft, &out, &outLeft);
}

} // namespace beatplate
