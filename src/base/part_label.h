#pragma once

#include <cstddef>
#include <optional>
#include <string>
#include <string_view>

namespace beatplate {

// Which part of a picture cut in parts a picture is, counted from 1.
struct PartNumber {
    std::size_t part = 0;
    std::size_t parts = 0;

    bool operator==(const PartNumber&) const = default;
};

// The label a part carries in its header and in its "bpPt" chunk: "2/3".
[[nodiscard]] std::string partLabel(PartNumber number);
// The part a label names: decimal digits without a leading zero, "/", the same, the part within
// the parts; none for anything else.
[[nodiscard]] std::optional<PartNumber> readPartLabel(std::string_view label);

} // namespace beatplate
