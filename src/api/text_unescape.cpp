// UnescapeUnicode: the service's replies carry \u escapes, percent escapes and backslash escapes.
// They are decoded as a single-quoted JScript string literal followed by JScript's unescape(),
// without a script engine: the text is prepared, read as UTF-16 the way the engine would see it,
// decoded, and written back in the ANSI code page.
#include <optional>

#include "api/text.h"

namespace xl::api {
namespace {

const std::string kLineBreakMarker = "{$}";
const std::string kRightQuote = "’";  // GBK A1 AF stands in for the apostrophe inside the literal

std::u16string ToUnits(std::string_view text) {
    std::string bytes = MultiByteToUtf16(text, kCodePageAnsi);
    std::u16string units;
    for (std::size_t i = 0; i + 1 < bytes.size(); i += 2) {
        char16_t u = static_cast<char16_t>(static_cast<unsigned char>(bytes[i]) |
                                           (static_cast<unsigned char>(bytes[i + 1]) << 8));
        if (u == 0) break;
        units.push_back(u);
    }
    return units;
}

std::string FromUnits(const std::u16string& units) {
    std::string bytes;
    for (char16_t u : units) {
        if (u == 0) break;  // the engine's string ends at a NUL once it becomes program text
        bytes.push_back(static_cast<char>(u & 0xFF));
        bytes.push_back(static_cast<char>(u >> 8));
    }
    return Utf16ToMultiByte(bytes, kCodePageAnsi);
}

int HexValue(char16_t c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// The value of `digits` hex digits at `at`, or nullopt when they are not all there.
std::optional<char16_t> HexAt(const std::u16string& s, std::size_t at, std::size_t digits) {
    if (at + digits > s.size()) return std::nullopt;
    unsigned v = 0;
    for (std::size_t k = 0; k < digits; ++k) {
        int h = HexValue(s[at + k]);
        if (h < 0) return std::nullopt;
        v = (v << 4) | static_cast<unsigned>(h);
    }
    return static_cast<char16_t>(v);
}

bool IsOctal(char16_t c) {
    return c >= '0' && c <= '7';
}
bool IsLineTerminator(char16_t c) {
    return c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029;
}

// Legacy octal escape at `at` (the digit after the backslash): up to three digits, value <= 0377.
char16_t ReadOctal(const std::u16string& s, std::size_t& at) {
    unsigned v = s[at++] - '0';
    std::size_t maxDigits = v <= 3 ? 3 : 2;
    for (std::size_t n = 1; n < maxDigits && at < s.size() && IsOctal(s[at]); ++n)
        v = v * 8 + (s[at++] - '0');
    return static_cast<char16_t>(v);
}

// The body of a single-quoted literal as the classic JScript engine reads it; nullopt when the
// literal would not compile (a raw line break, or a backslash escaping the closing quote).
std::optional<std::u16string> DecodeLiteral(const std::u16string& s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size();) {
        char16_t c = s[i++];
        if (IsLineTerminator(c)) return std::nullopt;
        if (c != '\\') {
            out.push_back(c);
            continue;
        }
        if (i == s.size()) return std::nullopt;
        char16_t e = s[i++];
        switch (e) {
            case 'b':
                out.push_back(0x08);
                break;
            case 'f':
                out.push_back(0x0C);
                break;
            case 'n':
                out.push_back(0x0A);
                break;
            case 'r':
                out.push_back(0x0D);
                break;
            case 't':
                out.push_back(0x09);
                break;
            case 'x':
                // Without two hex digits the engine keeps the letter, like any other escape.
                if (auto v = HexAt(s, i, 2)) {
                    out.push_back(*v);
                    i += 2;
                } else {
                    out.push_back('x');
                }
                break;
            case 'u':
                if (auto v = HexAt(s, i, 4)) {
                    out.push_back(*v);
                    i += 4;
                } else {
                    out.push_back('u');
                }
                break;
            case '\r':
                if (i < s.size() && s[i] == '\n') ++i;  // a continued line adds nothing
                break;
            case '\n':
            case 0x2028:
            case 0x2029:
                break;
            default:
                // \v is the letter v to this engine; every other escaped character is itself.
                if (IsOctal(e)) {
                    --i;
                    out.push_back(ReadOctal(s, i));
                } else {
                    out.push_back(e);
                }
        }
    }
    return out;
}

// JScript's unescape(): %uXXXX and %XX become that code unit; any other % stays.
std::u16string Unescape(const std::u16string& s) {
    std::u16string out;
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '%') {
            if (i + 1 < s.size() && s[i + 1] == 'u') {
                if (auto v = HexAt(s, i + 2, 4)) {
                    out.push_back(*v);
                    i += 5;
                    continue;
                }
            }
            if (auto v = HexAt(s, i + 1, 2)) {
                out.push_back(*v);
                i += 2;
                continue;
            }
        }
        out.push_back(s[i]);
    }
    return out;
}

std::string RestoreMarkers(std::string_view text) {
    return TextReplace(TextReplace(text, kRightQuote, "'"), kLineBreakMarker, "\r\n");
}

}  // namespace

std::string UnescapeUnicode(std::string_view text) {
    std::string prepared = TextReplace(text.substr(0, text.find('\0')), "\r\n", kLineBreakMarker);
    if (!prepared.empty() && prepared.front() == '\r') prepared.erase(0, 1);
    if (TextFind(prepared, "\\u") > 0) prepared = TextReplace(prepared, "\\u", "%u");
    prepared = TextReplace(prepared, "'", kRightQuote);
    std::optional<std::u16string> literal = DecodeLiteral(ToUnits(prepared));
    // Where the engine would reject the literal, the prepared text comes back as it was given.
    if (!literal) return RestoreMarkers(prepared);
    return RestoreMarkers(FromUnits(Unescape(*literal)));
}

}  // namespace xl::api
