#include "platform/hidden_file_name.h"

namespace beatplate {

namespace {

constexpr std::size_t kHexDigits = 16;
constexpr std::string_view kSuffix = ".tmp";

} // namespace

std::string hiddenFileName(std::string_view prefix, std::random_device& device)
{
    static constexpr std::string_view kDigits = "0123456789abcdef";
    std::string name(prefix);
    for (std::size_t word = 0; word < kHexDigits / 8; ++word) {
        for (unsigned value = device(), digit = 0; digit < 8; ++digit, value >>= 4)
            name += kDigits[value & 0xF];
    }
    return name.append(kSuffix);
}

bool isHiddenFileName(std::string_view name, std::string_view prefix)
{
    if (name.size() != prefix.size() + kHexDigits + kSuffix.size() || !name.starts_with(prefix)
        || !name.ends_with(kSuffix))
        return false;
    const auto digits = name.substr(prefix.size(), kHexDigits);
    return digits.find_first_not_of("0123456789abcdef") == std::string_view::npos;
}

} // namespace beatplate
