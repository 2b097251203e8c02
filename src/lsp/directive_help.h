#pragma once

#include <span>
#include <string_view>

namespace beatplate {

// One directive of the notation as the editor shows it: hover tells what it sets, completion
// offers its name with the shape of its arguments and, where it takes a known set, its values.
struct DirectiveHelp {
    std::u16string_view name; // as written after "#"
    std::string_view arguments; // their shape as written: "d n"; empty when it takes none
    std::string_view sets; // what it sets, one line
    std::span<const std::string_view> values; // the values it knows, when they are a set
};

// Every directive, in the order the notation's help gives them.
[[nodiscard]] std::span<const DirectiveHelp> directiveHelp();
// The directive of a name as written after "#"; null when the notation has none.
[[nodiscard]] const DirectiveHelp* findDirectiveHelp(std::u16string_view name);

} // namespace beatplate
