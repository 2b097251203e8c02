#pragma once

#include "lsp/text_document.h"

#include <nlohmann/json.hpp>

namespace beatplate {

// Colours for a chart in editors without our grammar: notes of each kind, spans, counts,
// directives and comments, as semantic tokens.
class SemanticTokensFeature {
public:
    // The token types and modifiers the data refers to by index.
    [[nodiscard]] static nlohmann::json legend();
    // The result of textDocument/semanticTokens/full.
    [[nodiscard]] static nlohmann::json tokens(const TextDocument& document);
};

} // namespace beatplate
