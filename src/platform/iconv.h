#pragma once

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

namespace beatplate {

// A conversion between two encodings named as iconv names them ("CP932", "UTF-8", "UTF-16LE"),
// stateless encodings only.
class Iconv {
public:
    // Throws std::runtime_error when the C library has no such conversion.
    Iconv(const char* toCode, const char* fromCode);
    Iconv(Iconv&& other) noexcept;
    Iconv& operator=(Iconv&& other) noexcept;
    Iconv(const Iconv&) = delete;
    Iconv& operator=(const Iconv&) = delete;
    ~Iconv();

    // Converts all of input; on failure returns the byte offset in input where conversion stopped.
    [[nodiscard]] std::optional<std::size_t> convert(std::string_view input, std::string& output);
    // One call of iconv itself, with its result and errno contract: the four cursors advance past
    // what was converted, and the conversion state carries over to the next call.
    std::size_t convertSome(char*& in, std::size_t& inLeft, char*& out, std::size_t& outLeft);

private:
    // Drops what an earlier input left in the conversion state.
    void restart();

    struct State;
    std::unique_ptr<State> m_state;
};

} // namespace beatplate
