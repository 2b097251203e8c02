#include "lsp/protocol_json.h"

#include "base/text_codec.h"

namespace beatplate {

nlohmann::json toJson(TextPosition position)
{
    return { { "line", position.line }, { "character", position.character } };
}

nlohmann::json toJson(const TextRange& range)
{
    return { { "start", toJson(range.start) }, { "end", toJson(range.end) } };
}

TextPosition positionOf(const nlohmann::json& json)
{
    return { json.at("line").get<int>(), json.at("character").get<int>() };
}

TextRange rangeOf(const nlohmann::json& json)
{
    return { positionOf(json.at("start")), positionOf(json.at("end")) };
}

const nlohmann::json* findPath(const nlohmann::json& json, std::initializer_list<const char*> keys)
{
    const nlohmann::json* at = &json;
    for (const char* key : keys) {
        if (!at->is_object())
            return nullptr;
        const auto found = at->find(key);
        if (found == at->end())
            return nullptr;
        at = &*found;
    }
    return at;
}

std::u16string chartTextOf(const std::string& utf8)
{
    return decodeUtf8(utf8).value_or(std::u16string());
}

std::string documentUriOf(const nlohmann::json& params)
{
    return params.at("textDocument").at("uri").get<std::string>();
}

} // namespace beatplate
