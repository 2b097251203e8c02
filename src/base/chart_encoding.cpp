#include "base/chart_encoding.h"

#include <string>

namespace beatplate {

std::string_view chartEncodingName(ChartEncoding encoding)
{
    switch (encoding) {
    case ChartEncoding::Utf8:
        return "UTF-8";
    case ChartEncoding::Utf16Le:
        return "UTF-16LE";
    case ChartEncoding::Utf16Be:
        return "UTF-16BE";
    case ChartEncoding::Cp932:
        break;
    }
    return "code page 932";
}

std::optional<ChartEncoding> chartEncodingNamed(std::string_view name)
{
    std::string lower(name);
    for (char& c : lower) {
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    }
    if (lower == "cp932")
        return ChartEncoding::Cp932;
    if (lower == "utf-8" || lower == "utf8")
        return ChartEncoding::Utf8;
    return std::nullopt;
}

} // namespace beatplate
