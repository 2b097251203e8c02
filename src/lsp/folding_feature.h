#pragma once

#include "lsp/text_document.h"

#include <nlohmann/json.hpp>
#include <vector>

namespace beatplate {

enum class FoldKind { Region, Comment };

// Lines from 0, both ends folded with the range.
struct FoldRange {
    int startLine = 0;
    int endLine = 0;
    FoldKind kind = FoldKind::Region;

    bool operator==(const FoldRange&) const = default;
};

// The parts of a chart an editor may fold: each branch section (to the next "#branch" or the
// end), each gogo section (to its "#endgogo" or the end) and each block of comment lines.
class FoldingFeature {
public:
    // In the order of their first lines; only ranges of two lines or more.
    [[nodiscard]] static std::vector<FoldRange> ranges(const TextDocument& document);
    // The FoldingRange array of textDocument/foldingRange.
    [[nodiscard]] static nlohmann::json foldingRanges(const TextDocument& document);
};

} // namespace beatplate
