#include "lsp/code_actions_feature.h"

#include "base/text_codec.h"
#include "lsp/diagnostics_feature.h"
#include "lsp/protocol_json.h"

#include <algorithm>

namespace beatplate {

namespace {

constexpr char16_t kFullWidthSpace = u'\u3000';

struct TextEdit {
    TextRange range;
    std::u16string text;
};

class ActionList {
public:
    explicit ActionList(const std::string& uri)
        : m_uri(uri)
    {
    }

    void add(const std::string& title, const ChartDiagnostic& diagnostic,
             const std::vector<TextEdit>& edits)
    {
        nlohmann::json changes = nlohmann::json::array();
        for (const TextEdit& edit : edits)
            changes.push_back(
                { { "range", toJson(edit.range) }, { "newText", utf8Of(edit.text) } });
        const nlohmann::json fixed = { { "range", toJson(DiagnosticsFeature::rangeOf(diagnostic)) },
                                       { "message", diagnostic.text() } };
        m_actions.push_back({ { "title", title },
                              { "kind", "quickfix" },
                              { "diagnostics", nlohmann::json::array({ fixed }) },
                              { "edit", { { "changes", { { m_uri, changes } } } } } });
    }

    [[nodiscard]] nlohmann::json take() { return std::move(m_actions); }

private:
    const std::string& m_uri;
    nlohmann::json m_actions = nlohmann::json::array();
};

TextPosition at(int line, std::size_t unit)
{
    return { line, static_cast<int>(unit) };
}

void wholeMeasureFixes(ActionList& actions, const ChartDiagnostic& diagnostic,
                       std::u16string_view line, const NoteLinePlace& place)
{
    const int index = diagnostic.line() - 1;
    const std::size_t slots = place.slotOfUnit(line, line.size());
    const std::size_t missing = place.charsPerMeasure - slots % place.charsPerMeasure;
    actions.add(
        "Pad the line with rests to whole measures", diagnostic,
        { { { at(index, line.size()), at(index, line.size()) }, std::u16string(missing, u' ') } });
    const auto cut = static_cast<std::size_t>(diagnostic.units.start);
    actions.add("Trim the line to whole measures", diagnostic,
                { { { at(index, cut), at(index, line.size()) }, {} } });
}

// The span opened at the diagnostic is closed at the end of the last note line of its branch.
void closeSpanFix(ActionList& actions, const ChartDiagnostic& diagnostic,
                  const std::vector<std::u16string_view>& lines, const ChartAnalysis& analysis)
{
    const std::u16string_view opening = lines[static_cast<std::size_t>(diagnostic.line() - 1)];
    const auto start = static_cast<std::size_t>(diagnostic.units.start);
    const char16_t opener = start < opening.size() ? opening[start] : u'(';
    const char16_t closer = opener == u'<' ? u'>' : opener == u'[' ? u']' : u')';
    const NoteLinePlace* const opened = analysis.placeOfLine(diagnostic.line());
    int last = diagnostic.line() - 1;
    for (const NoteLinePlace& place : analysis.noteLines()) {
        if (opened != nullptr && place.line > opened->line && place.branch == opened->branch)
            last = place.line - 1;
    }
    const std::u16string_view line = lines[static_cast<std::size_t>(last)];
    // A rest or a "=" at the line's end becomes the closer, so that the line keeps its length.
    const bool replaceLast = !line.empty() && (line.back() == u' ' || line.back() == u'=');
    const std::size_t from = replaceLast ? line.size() - 1 : line.size();
    actions.add(std::string("Close the span with \"") + static_cast<char>(closer) + "\"",
                diagnostic,
                { { { at(last, from), at(last, line.size()) }, std::u16string(1, closer) } });
}

void fullWidthSpaceFix(ActionList& actions, const ChartDiagnostic& diagnostic,
                       std::u16string_view line)
{
    const int index = diagnostic.line() - 1;
    std::vector<TextEdit> edits;
    for (std::size_t unit = 0; unit < line.size(); ++unit) {
        if (line[unit] == kFullWidthSpace)
            edits.push_back({ { at(index, unit), at(index, unit + 1) }, u" " });
    }
    actions.add("Replace the full-width spaces with spaces", diagnostic, edits);
}

void splitNumberFix(ActionList& actions, const ChartDiagnostic& diagnostic)
{
    const int index = diagnostic.line() - 1;
    const auto split = static_cast<std::size_t>(diagnostic.units.start);
    actions.add("Put a space between the number and what follows", diagnostic,
                { { { at(index, split), at(index, split) }, u" " } });
}

} // namespace

nlohmann::json CodeActionsFeature::actions(const std::string& uri, const TextDocument& document,
                                           const ChartAnalysis& analysis, const TextRange& range)
{
    const auto lines = document.lines();
    ActionList actions(uri);
    for (const ChartDiagnostic& diagnostic : analysis.diagnostics()) {
        const int index = diagnostic.line() - 1;
        if (index < range.start.line || index > range.end.line
            || static_cast<std::size_t>(index) >= lines.size())
            continue;
        const std::u16string_view line = lines[static_cast<std::size_t>(index)];
        if (diagnostic.slip == ChartSlip::LineBeyondMeasures) {
            if (const NoteLinePlace* place = analysis.placeOfLine(diagnostic.line()))
                wholeMeasureFixes(actions, diagnostic, line, *place);
        } else if (diagnostic.slip == ChartSlip::SpanNeverClosed) {
            closeSpanFix(actions, diagnostic, lines, analysis);
        } else if (diagnostic.slip == ChartSlip::NumberWithText) {
            splitNumberFix(actions, diagnostic);
        }
        if (line.find(kFullWidthSpace) != std::u16string_view::npos)
            fullWidthSpaceFix(actions, diagnostic, line);
    }
    return actions.take();
}

} // namespace beatplate
