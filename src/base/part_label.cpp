#include "base/part_label.h"

#include <charconv>

namespace beatplate {

std::string partLabel(PartNumber number)
{
    return std::to_string(number.part) + "/" + std::to_string(number.parts);
}

// count = digits without a leading zero; the rest of text after it.
static std::optional<std::size_t> readCount(std::string_view& text)
{
    std::size_t count = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), count);
    if (error != std::errc() || end == text.data() || text.front() == '0')
        return std::nullopt;
    text.remove_prefix(static_cast<std::size_t>(end - text.data()));
    return count;
}

std::optional<PartNumber> readPartLabel(std::string_view label)
{
    const auto part = readCount(label);
    if (!part || !label.starts_with('/'))
        return std::nullopt;
    label.remove_prefix(1);
    const auto parts = readCount(label);
    if (!parts || !label.empty() || *part > *parts)
        return std::nullopt;
    return PartNumber{ *part, *parts };
}

} // namespace beatplate
