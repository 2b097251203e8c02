#pragma once

#include "lsp/text_document.h"

#include <functional>
#include <nlohmann/json.hpp>
#include <string_view>

namespace beatplate {

// Colours for a chart in editors without our grammar: notes of each kind, spans, counts,
// directives and comments, as semantic tokens.
class SemanticTokensFeature {
public:
    // The token types and modifiers the data refers to by index.
    [[nodiscard]] static nlohmann::json legend();
    // The result of a request for the tokens of lines first to last (from 0, both included,
    // none past the text's end), {"data": [...]}, as JSON text handed to sink in pieces, so
    // that the answer for a long chart is never held whole.
    static void write(const TextDocument& document, int first, int last,
                      const std::function<void(std::string_view)>& sink);
};

} // namespace beatplate
