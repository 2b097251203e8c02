#include "lsp/directive_help.h"

#include <algorithm>
#include <array>

namespace beatplate {

namespace {

constexpr std::array<std::string_view, 2> kTabWidths{ "4", "8" };

constexpr DirectiveHelp kDirectives[] = {
    { u"title", "text", "the title in the picture's header", {} },
    { u"difficulty", "text", "the difficulty in the picture's header", {} },
    { u"level", "n", "the level in the picture's header", {} },
    { u"bpm",
      "tempo",
      "the tempo, in quarter notes per minute (from here, or at a grid offset)",
      {} },
    { u"hs", "speed", "the scroll speed (from here, or at a grid offset)", {} },
    { u"meter", "d n", "the meter of the next measures: beats and note value", {} },
    { u"beatchar", "c", "the characters of a note line per beat", {} },
    { u"tab", "4|8", "the tab stops of note lines: 4 or 8", kTabWidths },
    { u"branch", "ooo", "the branches the next note lines fill", {} },
    { u"begingogo", "", "the start of a gogo section", {} },
    { u"endgogo", "", "the end of a gogo section", {} },
    { u"newline", "", "a new row of the picture", {} },
};

} // namespace

std::span<const DirectiveHelp> directiveHelp()
{
    return kDirectives;
}

const DirectiveHelp* findDirectiveHelp(std::u16string_view name)
{
    const auto* const found =
        std::find_if(std::begin(kDirectives), std::end(kDirectives),
                     [&](const DirectiveHelp& entry) { return entry.name == name; });
    return found == std::end(kDirectives) ? nullptr : found;
}

} // namespace beatplate
