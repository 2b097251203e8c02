#pragma once

#include "lsp/text_document.h"

#include <nlohmann/json.hpp>

namespace beatplate {

// Completion on directive lines: after "#" the directives, each with the shape of its arguments
// and what it sets; after a directive that takes a known set of values, those values.
class CompletionFeature {
public:
    // The CompletionList of textDocument/completion; empty where nothing is known.
    [[nodiscard]] static nlohmann::json complete(const TextDocument& document,
                                                 TextPosition position);
};

} // namespace beatplate
