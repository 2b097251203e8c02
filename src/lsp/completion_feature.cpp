#include "lsp/completion_feature.h"

#include "chart/directive_scanner.h"
#include "chart/directive_table.h"
#include "lsp/protocol_json.h"

#include <algorithm>

namespace beatplate {

namespace {

// The protocol's completion item kinds.
constexpr int kValueItem = 12;
constexpr int kKeywordItem = 14;

// The word of a line that holds unit: from after the white space before it to the white space
// after it, as a range of code units.
std::pair<std::size_t, std::size_t> wordAround(std::u16string_view line, std::size_t from,
                                               std::size_t unit)
{
    std::size_t start = unit;
    while (start > from && !isChartSpace(line[start - 1]))
        --start;
    std::size_t end = unit;
    while (end < line.size() && !isChartSpace(line[end]))
        ++end;
    return { start, end };
}

nlohmann::json edit(int line, std::pair<std::size_t, std::size_t> word, const std::string& text)
{
    return { { "range",
               toJson(TextRange{ { line, static_cast<int>(word.first) },
                                 { line, static_cast<int>(word.second) } }) },
             { "newText", text } };
}

// The directive as written: "#meter".
std::string written(const Directive& directive)
{
    return std::string(1, static_cast<char>(kDirectiveMark)).append(directive.name);
}

// The shape of a directive's arguments as written after its name: " d n", with the grid offset
// it may take in brackets; empty when it takes none.
std::string argumentShape(const Directive& directive)
{
    std::string shape;
    if (!directive.arguments.empty())
        shape.append(1, ' ').append(directive.arguments);
    if (directive.gridOffset)
        shape.append(" [d n]");
    return shape;
}

nlohmann::json directiveItem(const Directive& directive, int line,
                             std::pair<std::size_t, std::size_t> word)
{
    const std::string name(directive.name);
    const std::string arguments = argumentShape(directive);
    nlohmann::json item = {
        { "label", name },
        { "kind", kKeywordItem },
        { "detail", written(directive).append(arguments) },
        { "documentation", std::string(directive.description) },
        { "filterText", name },
        { "textEdit", edit(line, word, name) },
    };
    if (!arguments.empty())
        item["labelDetails"] = { { "detail", arguments } };
    return item;
}

nlohmann::json list(nlohmann::json items)
{
    return { { "isIncomplete", false }, { "items", std::move(items) } };
}

} // namespace

nlohmann::json CompletionFeature::complete(const TextDocument& document, TextPosition position)
{
    nlohmann::json items = nlohmann::json::array();
    const std::u16string_view line = document.line(position.line);
    const auto unit =
        static_cast<std::size_t>(std::clamp(position.character, 0, static_cast<int>(line.size())));
    if (line.empty() || line.front() != kDirectiveMark || unit == 0)
        return list(std::move(items));
    const std::u16string_view typed = line.substr(1, unit - 1);
    const auto keywordEnd = std::find_if(typed.begin(), typed.end(), isChartSpace);
    if (keywordEnd == typed.end()) {
        const auto word = wordAround(line, 1, unit);
        for (const Directive& directive : directives())
            items.push_back(directiveItem(directive, position.line, word));
        return list(std::move(items));
    }
    const std::u16string_view keyword = typed.substr(0, keywordEnd - typed.begin());
    const Directive* const directive = findDirective(keyword);
    if (directive == nullptr)
        return list(std::move(items));
    // Values are offered for the first argument only: none once a word and a space were typed.
    const std::u16string_view arguments = typed.substr(keyword.size());
    const auto firstWord = std::find_if_not(arguments.begin(), arguments.end(), isChartSpace);
    if (std::find_if(firstWord, arguments.end(), isChartSpace) != arguments.end())
        return list(std::move(items));
    const auto word = wordAround(line, 1 + keyword.size(), unit);
    for (const std::string_view value : directive->values)
        items.push_back({ { "label", std::string(value) },
                          { "kind", kValueItem },
                          { "detail", written(*directive).append(1, ' ').append(value) },
                          { "textEdit", edit(position.line, word, std::string(value)) } });
    return list(std::move(items));
}

} // namespace beatplate
