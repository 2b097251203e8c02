#include "lsp/folding_feature.h"

#include "chart/directive_scanner.h"
#include "chart/directive_table.h"

#include <algorithm>
#include <string_view>

namespace beatplate {

namespace {

// The directive a line names; null on any other line.
const Directive* directiveOf(std::u16string_view line)
{
    if (line.empty() || line.front() != kDirectiveMark)
        return nullptr;
    DirectiveScanner scanner(line.substr(1));
    const auto keyword = scanner.readWord();
    return keyword ? findDirective(*keyword) : nullptr;
}

class Folds {
public:
    explicit Folds(const std::vector<std::u16string_view>& lines)
        : m_lines(lines)
    {
    }

    void line(int index)
    {
        const std::u16string_view text = m_lines[static_cast<std::size_t>(index)];
        const bool comment = !text.empty() && text.front() == kCommentMark;
        if (!comment)
            close(m_comment, index - 1, FoldKind::Comment);
        else if (m_comment == kNone)
            m_comment = index;
        const Directive* const directive = directiveOf(text);
        if (directive == nullptr)
            return;
        if (directive->kind == DirectiveKind::Branch) {
            close(m_branch, index - 1, FoldKind::Region);
            m_branch = index;
        } else if (directive->kind == DirectiveKind::BeginGogo) {
            close(m_gogo, index - 1, FoldKind::Region);
            m_gogo = index;
        } else if (directive->kind == DirectiveKind::EndGogo) {
            close(m_gogo, index, FoldKind::Region);
        }
    }

    std::vector<FoldRange> finish()
    {
        const int last = static_cast<int>(m_lines.size()) - 1;
        close(m_comment, last, FoldKind::Comment);
        close(m_gogo, last, FoldKind::Region);
        close(m_branch, last, FoldKind::Region);
        std::stable_sort(
            m_ranges.begin(), m_ranges.end(),
            [](const FoldRange& a, const FoldRange& b) { return a.startLine < b.startLine; });
        return std::move(m_ranges);
    }

private:
    // A section that runs out ends at its last line that is not empty.
    void close(int& start, int end, FoldKind kind)
    {
        if (start == kNone)
            return;
        while (end > start && m_lines[static_cast<std::size_t>(end)].empty())
            --end;
        if (end > start)
            m_ranges.push_back({ start, end, kind });
        start = kNone;
    }

    static constexpr int kNone = -1; // no section open

    const std::vector<std::u16string_view>& m_lines;
    std::vector<FoldRange> m_ranges;
    // The first line of the open comment block and sections.
    int m_comment = kNone;
    int m_branch = kNone;
    int m_gogo = kNone;
};

} // namespace

std::vector<FoldRange> FoldingFeature::ranges(const TextDocument& document)
{
    const auto lines = document.lines();
    Folds folds(lines);
    for (std::size_t index = 0; index < lines.size(); ++index)
        folds.line(static_cast<int>(index));
    return folds.finish();
}

nlohmann::json FoldingFeature::foldingRanges(const TextDocument& document)
{
    nlohmann::json result = nlohmann::json::array();
    for (const FoldRange& range : ranges(document))
        result.push_back({ { "startLine", range.startLine },
                           { "endLine", range.endLine },
                           { "kind", range.kind == FoldKind::Comment ? "comment" : "region" } });
    return result;
}

} // namespace beatplate
