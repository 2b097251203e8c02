#include "chart/directive_table.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <numeric>
#include <vector>

namespace beatplate {
namespace {

constexpr std::string_view kTabWidths[] = { "4", "8" };
// The branch words that select at least one branch.
constexpr std::string_view kBranchWords[] = { "ooo", "oox", "oxo", "xoo", "oxx", "xox", "xxo" };

constexpr Directive kDirectives[] = {
    { DirectiveKind::Title, "title", "text", "sets the title in the picture's header", {}, false },
    { DirectiveKind::Difficulty,
      "difficulty",
      "text",
      "sets the difficulty in the picture's header",
      {},
      false },
    { DirectiveKind::Level, "level", "n", "sets the level in the picture's header", {}, false },
    { DirectiveKind::Bpm,
      "bpm",
      "tempo",
      "sets the tempo, in quarter notes per minute (from here, or at a grid offset)",
      {},
      true },
    { DirectiveKind::Hs,
      "hs",
      "speed [ooo]",
      "sets the scroll speed (from here, or at a grid offset)",
      {},
      true },
    { DirectiveKind::Meter,
      "meter",
      "d n",
      "sets the meter of the next measures: beats and note value",
      {},
      false },
    { DirectiveKind::BeatChar,
      "beatchar",
      "c",
      "sets the characters of a note line per beat",
      {},
      false },
    { DirectiveKind::Tab, "tab", "width", "sets the tab stops of note lines: 4 or 8", kTabWidths,
      false },
    { DirectiveKind::Branch, "branch", "ooo", "sets the branches the next note lines fill",
      kBranchWords, false },
    { DirectiveKind::BeginGogo, "begingogo", "", "sets the start of a gogo section", {}, true },
    { DirectiveKind::EndGogo, "endgogo", "", "sets the end of a gogo section", {}, true },
    { DirectiveKind::NewLine, "newline", "", "sets a new row of the picture", {}, false },
};

// Names are ASCII: a word with any other character names none.
bool sameName(std::u16string_view word, std::string_view name)
{
    return std::equal(word.begin(), word.end(), name.begin(), name.end(),
                      [](char16_t a, char b) { return a == static_cast<unsigned char>(b); });
}

char16_t folded(char16_t c)
{
    return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c;
}

// Edits that turn a into b: inserting, deleting or changing a character, or swapping two
// neighbours, letter case aside.
std::size_t editDistance(std::u16string_view a, std::string_view b)
{
    // Three rows of the table suffice: a swap looks two rows back.
    std::vector<std::size_t> before(b.size() + 1);
    std::vector<std::size_t> previous(b.size() + 1);
    std::vector<std::size_t> current(b.size() + 1);
    std::iota(previous.begin(), previous.end(), std::size_t{ 0 });
    for (std::size_t i = 1; i <= a.size(); ++i) {
        current[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const bool same = folded(a[i - 1]) == static_cast<unsigned char>(b[j - 1]);
            current[j] =
                std::min({ previous[j] + 1, current[j - 1] + 1, previous[j - 1] + (same ? 0 : 1) });
            if (i > 1 && j > 1 && folded(a[i - 1]) == static_cast<unsigned char>(b[j - 2])
                && folded(a[i - 2]) == static_cast<unsigned char>(b[j - 1]))
                current[j] = std::min(current[j], before[j - 2] + 1);
        }
        std::swap(before, previous);
        std::swap(previous, current);
    }
    return previous[b.size()];
}

// One slip in a short name, two in a longer one: "#bmp" is "#bpm", "#titel" "#title".
std::size_t nearEnough(std::string_view name)
{
    return name.size() <= 4 ? 1 : 2;
}

// Longer words are no slip of any name, and would only cost time.
constexpr std::size_t kLongestSlip = 16;

} // namespace

std::span<const Directive> directives()
{
    return kDirectives;
}

const Directive* findDirective(std::u16string_view name)
{
    const auto* const found =
        std::find_if(std::begin(kDirectives), std::end(kDirectives),
                     [&](const Directive& directive) { return sameName(name, directive.name); });
    return found == std::end(kDirectives) ? nullptr : found;
}

const Directive* nearestDirective(std::u16string_view word)
{
    if (word.empty() || word.size() > kLongestSlip)
        return nullptr;
    const Directive* nearest = nullptr;
    std::size_t nearestDistance = kLongestSlip;
    bool tied = false;
    for (const Directive& directive : kDirectives) {
        const std::size_t distance = editDistance(word, directive.name);
        if (distance > nearEnough(directive.name) || distance > nearestDistance)
            continue;
        tied = nearest != nullptr && distance == nearestDistance;
        nearest = &directive;
        nearestDistance = distance;
    }
    return tied ? nullptr : nearest;
}

} // namespace beatplate
