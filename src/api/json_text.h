#pragma once
// How the document's values read and write as text, the way the script engine that used to hold
// them did: numbers in JavaScript's shortest form, strings quoted with the escapes of the classic
// JSON polyfill, decimal strings read as numbers. Internal to the JSON document.
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <string_view>

namespace xl::api::json_detail {

using Json = nlohmann::ordered_json;

// Deeper nesting than this is refused when parsing, so that nothing recurses without bound.
constexpr int kMaxDepth = 512;

// The edges of the document: its texts are GBK, its values UTF-8 (ASCII passes unconverted).
std::string ToUtf8(std::string_view gbk);
std::string ToGbk(std::string_view utf8);

// JavaScript's Number.prototype.toString() for a finite double: '100', '1.5', '1e+21', '1.5e-7'.
std::string FormatJsNumber(double value);
// Compact JSON of a value (UTF-8), as JSON.stringify of the polyfill writes it.
std::string Stringify(const Json& value);
// Strict JSON (UTF-8) to a value; nullopt for anything else, or for nesting beyond kMaxDepth.
std::optional<Json> ParseStrict(std::string_view utf8);
// A string holding a decimal number (surrounding whitespace allowed) as that number.
std::optional<double> DecimalStringValue(std::string_view text);

}  // namespace xl::api::json_detail
