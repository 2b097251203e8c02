#include "lsp/protocol_json.h"

#include "base/text_codec.h"
#include "lsp/rpc_error.h"

#include <cstdint>
#include <limits>

namespace beatplate {

nlohmann::json toJson(TextPosition position)
{
    return { { "line", position.line }, { "character", position.character } };
}

nlohmann::json toJson(const TextRange& range)
{
    return { { "start", toJson(range.start) }, { "end", toJson(range.end) } };
}

static int integerFrom(const nlohmann::json& object, const char* key, std::int64_t lowest)
{
    constexpr std::int64_t kHighest = std::numeric_limits<std::int32_t>::max();
    const nlohmann::json& value = object.at(key);
    // A fraction, even a whole one such as 2.0 or 1e20, is no integer of the protocol.
    const bool inRange = value.is_number_unsigned()
        ? value.get<std::uint64_t>() <= static_cast<std::uint64_t>(kHighest)
        : value.is_number_integer() && value.get<std::int64_t>() >= lowest
            && value.get<std::int64_t>() <= kHighest;
    if (!inRange) {
        constexpr std::size_t kShown = 40;
        std::string shown = value.dump();
        if (shown.size() > kShown)
            shown = shown.substr(0, kShown) + "...";
        throw RpcError(RpcErrorCode::InvalidParams,
                       std::string(key) + " must be an integer from " + std::to_string(lowest)
                           + " to " + std::to_string(kHighest) + ", not " + shown);
    }
    return static_cast<int>(value.get<std::int64_t>());
}

int integerOf(const nlohmann::json& object, const char* key)
{
    return integerFrom(object, key, std::numeric_limits<std::int32_t>::min());
}

int uintegerOf(const nlohmann::json& object, const char* key)
{
    return integerFrom(object, key, 0);
}

TextPosition positionOf(const nlohmann::json& json)
{
    return { uintegerOf(json, "line"), uintegerOf(json, "character") };
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
