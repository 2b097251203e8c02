#pragma once

#include <span>
#include <string_view>

namespace beatplate {

// What starts a comment line and a directive line of the notation.
inline constexpr char16_t kCommentMark = u';';
inline constexpr char16_t kDirectiveMark = u'#';

// The directives of the notation; the reader reads each of them, and only them.
enum class DirectiveKind {
    Title,
    Difficulty,
    Level,
    Bpm,
    Hs,
    Meter,
    BeatChar,
    Tab,
    Branch,
    BeginGogo,
    EndGogo,
    NewLine,
};

// One directive as the reader knows it and as editors show it: hover, completion and every
// grammar of the editor packages are made from, or checked against, this table.
struct Directive {
    DirectiveKind kind;
    std::string_view name; // as written after the mark: "bpm"
    std::string_view arguments; // their shape as written, grid offset aside: "d n"; may be empty
    std::string_view description; // one line: "sets the tempo, ..."
    // The values it knows when they are a set, as written ("4", "8"); empty otherwise.
    std::span<const std::string_view> values;
    // Whether "d n" may follow the arguments: it acts n steps of a grid of d steps per quarter
    // note after where the next note line begins.
    bool gridOffset;
};

// Every directive, in the order the notation's help gives them.
[[nodiscard]] std::span<const Directive> directives();
// The directive of a name as written after the mark; null when the notation has none.
[[nodiscard]] const Directive* findDirective(std::u16string_view name);
// The directive a word that names none was most likely meant as: the one nearest to it by edit
// distance (a swap of two neighbours one edit, letter case aside), when that is near enough for
// a name of its length and no other is as near; null otherwise.
[[nodiscard]] const Directive* nearestDirective(std::u16string_view word);

} // namespace beatplate
