#include "api/json_text.h"

#include <charconv>
#include <cmath>
#include <cstdio>

#include "api/text.h"

namespace xl::api::json_detail {
namespace {

void AppendNumber(const Json& value, std::string& out) {
    if (value.is_number_integer()) {
        // Integers keep every digit; the engine's doubles rounded those above 2^53.
        out += value.is_number_unsigned() ? std::to_string(value.get<std::uint64_t>())
                                          : std::to_string(value.get<std::int64_t>());
        return;
    }
    double d = value.get<double>();
    out += std::isfinite(d) ? FormatJsNumber(d) : "null";
}

// The characters the polyfill writes as \uXXXX besides the control characters.
bool EscapedByPolyfill(char32_t c) {
    return c < 0x20 || (c >= 0x7F && c <= 0x9F) || c == 0xAD || (c >= 0x600 && c <= 0x604) ||
           c == 0x70F || c == 0x17B4 || c == 0x17B5 || (c >= 0x200C && c <= 0x200F) ||
           (c >= 0x2028 && c <= 0x202F) || (c >= 0x2060 && c <= 0x206F) || c == 0xFEFF ||
           (c >= 0xFFF0 && c <= 0xFFFF);
}

// Length of the UTF-8 sequence at `i` and its code point; the strings held are valid UTF-8.
std::size_t DecodeAt(const std::string& s, std::size_t i, char32_t& c) {
    unsigned char b = static_cast<unsigned char>(s[i]);
    std::size_t n = b < 0x80 ? 1 : b < 0xE0 ? 2 : b < 0xF0 ? 3 : 4;
    if (i + n > s.size()) n = 1;
    c = n == 1 ? b : n == 2 ? (b & 0x1F) : n == 3 ? (b & 0x0F) : (b & 0x07);
    for (std::size_t k = 1; k < n; ++k)
        c = (c << 6) | (static_cast<unsigned char>(s[i + k]) & 0x3F);
    return n;
}

void AppendQuoted(const std::string& s, std::string& out) {
    out += '"';
    for (std::size_t i = 0; i < s.size();) {
        char32_t c = 0;
        std::size_t n = DecodeAt(s, i, c);
        switch (c) {
            case '"':
                out += "\\\"";
                break;
            case '\\':
                out += "\\\\";
                break;
            case '\b':
                out += "\\b";
                break;
            case '\f':
                out += "\\f";
                break;
            case '\n':
                out += "\\n";
                break;
            case '\r':
                out += "\\r";
                break;
            case '\t':
                out += "\\t";
                break;
            default:
                if (EscapedByPolyfill(c)) {
                    char buf[8];
                    std::snprintf(buf, sizeof buf, "\\u%04x", static_cast<unsigned>(c));
                    out += buf;
                } else {
                    out.append(s, i, n);
                }
        }
        i += n;
    }
    out += '"';
}

void AppendValue(const Json& value, std::string& out) {
    switch (value.type()) {
        case Json::value_t::object: {
            out += '{';
            bool first = true;
            for (const auto& [key, member] : value.items()) {
                if (!first) out += ',';
                first = false;
                AppendQuoted(key, out);
                out += ':';
                AppendValue(member, out);
            }
            out += '}';
            break;
        }
        case Json::value_t::array: {
            out += '[';
            for (std::size_t i = 0; i < value.size(); ++i) {
                if (i > 0) out += ',';
                AppendValue(value[i], out);
            }
            out += ']';
            break;
        }
        case Json::value_t::string:
            AppendQuoted(value.get_ref<const std::string&>(), out);
            break;
        case Json::value_t::boolean:
            out += value.get<bool>() ? "true" : "false";
            break;
        case Json::value_t::number_integer:
        case Json::value_t::number_unsigned:
        case Json::value_t::number_float:
            AppendNumber(value, out);
            break;
        default:
            out += "null";
    }
}

// Nesting depth of JSON text, brackets inside strings not counted.
int NestingDepth(std::string_view text) {
    int depth = 0, deepest = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            deepest = std::max(deepest, ++depth);
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return deepest;
}

bool IsJsWhitespace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

bool IsAscii(std::string_view s) {
    for (char c : s)
        if (static_cast<unsigned char>(c) >= 0x80) return false;
    return true;
}

}  // namespace

std::string ToUtf8(std::string_view gbk) {
    return IsAscii(gbk) ? std::string(gbk) : GbkToUtf8(gbk);
}

std::string ToGbk(std::string_view utf8) {
    return IsAscii(utf8) ? std::string(utf8) : Utf8ToGbk(utf8);
}

std::string FormatJsNumber(double value) {
    if (value == 0) return "0";
    if (value < 0) return "-" + FormatJsNumber(-value);
    char buf[64];
    auto result = std::to_chars(buf, buf + sizeof buf, value, std::chars_format::scientific);
    std::string_view sci(buf, static_cast<std::size_t>(result.ptr - buf));  // "d.ddde+XX"
    std::size_t e = sci.find('e');
    std::string digits;
    for (char c : sci.substr(0, e))
        if (c != '.') digits += c;
    int exponent = 0;
    std::string_view expText = sci.substr(e + 1);
    if (!expText.empty() && expText.front() == '+') expText.remove_prefix(1);
    std::from_chars(expText.data(), expText.data() + expText.size(), exponent);
    const int k = static_cast<int>(digits.size()), n = exponent + 1;
    if (k <= n && n <= 21) return digits + std::string(static_cast<std::size_t>(n - k), '0');
    if (0 < n && n <= 21) return digits.substr(0, n) + "." + digits.substr(n);
    if (-6 < n && n <= 0) return "0." + std::string(static_cast<std::size_t>(-n), '0') + digits;
    std::string mantissa = k == 1 ? digits : digits.substr(0, 1) + "." + digits.substr(1);
    return mantissa + "e" + (n - 1 >= 0 ? "+" : "-") + std::to_string(std::abs(n - 1));
}

std::string Stringify(const Json& value) {
    std::string out;
    AppendValue(value, out);
    return out;
}

std::optional<Json> ParseStrict(std::string_view utf8) {
    if (NestingDepth(utf8) > kMaxDepth) return std::nullopt;
    try {
        Json value = Json::parse(utf8, nullptr, false);
        if (value.is_discarded()) return std::nullopt;
        return value;
    } catch (const std::exception&) {  // parse errors come back as discarded; this is the rest
        return std::nullopt;
    }
}

std::optional<double> DecimalStringValue(std::string_view text) {
    while (!text.empty() && IsJsWhitespace(text.front())) text.remove_prefix(1);
    while (!text.empty() && IsJsWhitespace(text.back())) text.remove_suffix(1);
    if (!text.empty() && text.front() == '+') text.remove_prefix(1);
    if (text.empty()) return std::nullopt;
    char first = text.front() == '-' && text.size() > 1 ? text[1] : text.front();
    if (!(first >= '0' && first <= '9') && first != '.') return std::nullopt;  // no inf, nan, hex
    double value = 0;
    auto [end, ec] =
        std::from_chars(text.data(), text.data() + text.size(), value, std::chars_format::general);
    if (ec != std::errc() || end != text.data() + text.size()) return std::nullopt;
    return value;
}

}  // namespace xl::api::json_detail
