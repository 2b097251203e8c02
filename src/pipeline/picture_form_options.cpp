#include "pipeline/picture_form_options.h"

#include "base/chart_limits.h"
#include "cli/option_parser.h"

#include <charconv>
#include <string>

namespace beatplate {

// A whole number in [1, most], or none.
static std::optional<int> wholeNumber(std::string_view text, int most)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 1 || value > most)
        return std::nullopt;
    return value;
}

std::size_t parseColumnsOption(std::string_view text)
{
    if (text == "auto")
        return PictureForm::kAutoColumns;
    const auto columns = wholeNumber(text, static_cast<int>(kMaxColumns));
    if (!columns)
        throw CommandLineError("invalid number of columns: '" + std::string(text) + "' (1 to "
                               + std::to_string(kMaxColumns) + ", or auto)");
    return static_cast<std::size_t>(*columns);
}

PictureSize parseMaxSizeOption(std::string_view text)
{
    const auto by = text.find_first_of("xX");
    const auto width = wholeNumber(text.substr(0, by), kMaxPictureRows);
    const auto height = by == std::string_view::npos
        ? std::nullopt
        : wholeNumber(text.substr(by + 1), kMaxPictureRows);
    if (!width || !height)
        throw CommandLineError("invalid size: '" + std::string(text)
                               + "' (WIDTHxHEIGHT, e.g. 4096x4096)");
    return { *width, *height };
}

} // namespace beatplate
