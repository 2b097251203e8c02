#pragma once

#include <optional>
#include <string_view>

namespace beatplate {

// The encodings a chart file is read and written in.
enum class ChartEncoding {
    Cp932, // Shift_JIS as Windows writes it; what a chart without a byte-order mark is read as
    Utf8,
    Utf16Le,
    Utf16Be,
};

// The name users know: "code page 932", "UTF-8", "UTF-16LE", "UTF-16BE".
[[nodiscard]] std::string_view chartEncodingName(ChartEncoding encoding);
// The encoding an option names: "cp932" or "utf-8" (also "utf8"), in any letter case.
[[nodiscard]] std::optional<ChartEncoding> chartEncodingNamed(std::string_view name);

} // namespace beatplate
