#pragma once

#include "lsp/text_document.h"

#include <initializer_list>
#include <nlohmann/json.hpp>
#include <string>
#include <string_view>

namespace beatplate {

// The protocol's JSON forms of our values, and its text (UTF-8 in JSON) as chart text (UTF-16).

[[nodiscard]] nlohmann::json toJson(TextPosition position);
[[nodiscard]] nlohmann::json toJson(const TextRange& range);
// Throws nlohmann::json::exception when the JSON is not a position or a range, and
// RpcError(InvalidParams) when a line or a character is not a uinteger.
[[nodiscard]] TextPosition positionOf(const nlohmann::json& json);
[[nodiscard]] TextRange rangeOf(const nlohmann::json& json);

// The value at a path of object keys; null when a key is missing or a step is no object.
[[nodiscard]] const nlohmann::json* findPath(const nlohmann::json& json,
                                             std::initializer_list<const char*> keys);
// The protocol's integer (signed 32 bits) and uinteger (0 to 2^31 - 1) in object[key]; a
// number of another kind, with a fraction or out of range throws RpcError(InvalidParams), so
// that no number is read as another. A missing key throws nlohmann::json::exception.
[[nodiscard]] int integerOf(const nlohmann::json& object, const char* key);
[[nodiscard]] int uintegerOf(const nlohmann::json& object, const char* key);

// JSON text is valid UTF-8 once read, so that this cannot fail.
[[nodiscard]] std::u16string chartTextOf(const std::string& utf8);
// params.textDocument.uri; throws nlohmann::json::exception when it is missing.
[[nodiscard]] std::string documentUriOf(const nlohmann::json& params);

} // namespace beatplate
