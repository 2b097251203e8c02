#include "lsp/symbols_feature.h"

#include "base/text_codec.h"
#include "chart/directive_scanner.h"
#include "lsp/protocol_json.h"

#include <set>

namespace beatplate {

namespace {

// The protocol's symbol kinds.
constexpr int kNamespaceSymbol = 3;
constexpr int kPropertySymbol = 7;
constexpr int kFieldSymbol = 8;
constexpr int kNumberSymbol = 16;
constexpr int kEventSymbol = 24;

// Every tenth measure gets an entry.
constexpr std::uint32_t kMeasureStride = 10;

nlohmann::json symbol(const std::string& name, int kind, const TextRange& range,
                      const TextRange& selection)
{
    return { { "name", name.empty() ? std::string("(empty)") : name },
             { "kind", kind },
             { "range", toJson(range) },
             { "selectionRange", toJson(selection) } };
}

TextRange wholeLine(int index, std::u16string_view line)
{
    return { { index, 0 }, { index, static_cast<int>(line.size()) } };
}

class Outline {
public:
    explicit Outline(const std::vector<std::u16string_view>& lines)
        : m_lines(lines)
    {
    }

    void directive(int index)
    {
        const std::u16string_view line = m_lines[static_cast<std::size_t>(index)];
        DirectiveScanner scanner(line.substr(1));
        const auto keyword = scanner.readWord();
        if (!keyword)
            return;
        const std::string value = utf8Of(trimChartSpace(scanner.rest()));
        const TextRange here = wholeLine(index, line);
        if (*keyword == u"title" || *keyword == u"difficulty" || *keyword == u"level")
            m_symbols.push_back(
                symbol(utf8Of(*keyword) + " " + value, kPropertySymbol, here, here));
        else if (*keyword == u"bpm")
            m_symbols.push_back(symbol("tempo " + value, kNumberSymbol, here, here));
        else if (*keyword == u"branch")
            openSection(m_branch, "branch " + value, kNamespaceSymbol, index);
        else if (*keyword == u"begingogo")
            openSection(m_gogo, "gogo", kEventSymbol, index);
        else if (*keyword == u"endgogo")
            closeSection(m_gogo, index);
    }

    void measures(int index, const NoteLinePlace& place)
    {
        const std::u16string_view line = m_lines[static_cast<std::size_t>(index)];
        std::size_t slot = 0;
        for (std::size_t unit = 0; unit < line.size(); ++unit) {
            const std::size_t next = place.slotOfUnit(line, unit + 1);
            for (; slot < next; ++slot) {
                if (slot % place.charsPerMeasure != 0)
                    continue;
                const auto measure = place.firstMeasure
                    + static_cast<std::uint32_t>(slot / place.charsPerMeasure) + 1;
                if (measure % kMeasureStride == 0 && m_measuresShown.insert(measure).second) {
                    const TextRange at{ { index, static_cast<int>(unit) },
                                        { index, static_cast<int>(unit + 1) } };
                    m_symbols.push_back(
                        symbol("measure " + std::to_string(measure), kFieldSymbol, at, at));
                }
            }
        }
    }

    nlohmann::json finish()
    {
        const int last = static_cast<int>(m_lines.size()) - 1;
        closeSection(m_gogo, last);
        closeSection(m_branch, last);
        return std::move(m_symbols);
    }

private:
    void openSection(std::optional<std::size_t>& section, const std::string& name, int kind,
                     int index)
    {
        closeSection(section, index);
        const TextRange here = wholeLine(index, m_lines[static_cast<std::size_t>(index)]);
        section = m_symbols.size();
        m_symbols.push_back(symbol(name, kind, here, here));
    }

    // A section reaches to the end of line index.
    void closeSection(std::optional<std::size_t>& section, int index)
    {
        if (!section)
            return;
        m_symbols[*section]["range"]["end"] = toJson(TextPosition{
            index, static_cast<int>(m_lines[static_cast<std::size_t>(index)].size()) });
        section.reset();
    }

    const std::vector<std::u16string_view>& m_lines;
    nlohmann::json m_symbols = nlohmann::json::array();
    std::optional<std::size_t> m_branch;
    std::optional<std::size_t> m_gogo;
    std::set<std::uint32_t> m_measuresShown;
};

} // namespace

nlohmann::json SymbolsFeature::symbols(const TextDocument& document, const ChartAnalysis& analysis)
{
    const auto lines = document.lines();
    Outline outline(lines);
    for (std::size_t index = 0; index < lines.size(); ++index) {
        const int number = static_cast<int>(index);
        if (!lines[index].empty() && lines[index].front() == u'#')
            outline.directive(number);
        else if (const NoteLinePlace* place = analysis.placeOfLine(number + 1))
            outline.measures(number, *place);
    }
    return outline.finish();
}

} // namespace beatplate
