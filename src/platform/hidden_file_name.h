#pragma once

#include <random>
#include <string>
#include <string_view>

namespace beatplate {

// The name of one of our hidden files: prefix, 16 random hex digits, ".tmp".
[[nodiscard]] std::string hiddenFileName(std::string_view prefix, std::random_device& device);
// True when name is one that hiddenFileName makes with prefix.
[[nodiscard]] bool isHiddenFileName(std::string_view name, std::string_view prefix);

} // namespace beatplate
