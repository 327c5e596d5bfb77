#include "api/http_text.h"

#include <algorithm>
#include <vector>

#include "api/text.h"

namespace xl::api {
namespace {

constexpr std::string_view kLineBreak = "\r\n";
constexpr std::string_view kCookieSeparator = "; ";
constexpr std::string_view kSetCookieName = "Set-Cookie";
constexpr std::string_view kSetCookieMarker = "Set-Cookie:";
constexpr std::string_view kDeletedSuffix = "=deleted";

std::string CapitaliseFirst(std::string_view piece) {
    std::string text(piece);
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z')
        text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

std::string Join(const std::vector<std::string>& items, std::string_view separator) {
    std::string text;
    for (std::size_t i = 0; i < items.size(); ++i) {
        if (i > 0) text += separator;
        text += items[i];
    }
    return text;
}

// Trimmed, with a space after a final ';' so that splitting at "; " drops it.
std::string PrepareCookieText(std::string_view text) {
    std::string prepared = TextTrim(text);
    if (!prepared.empty() && prepared.back() == ';') prepared += ' ';
    return prepared;
}

}  // namespace

std::string HeaderLineName(std::string_view line) {
    const int colon = TextFind(line, ":");
    return colon < 1 ? std::string() : TextTrim(line.substr(0, colon - 1));
}

std::string HeaderLineValue(std::string_view line) {
    const int colon = TextFind(line, ":");
    return colon < 1 ? std::string() : TextTrim(line.substr(colon));
}

std::string NormaliseHeaderBlock(std::string_view block) {
    std::string result;
    for (const std::string& line : TextSplit(block, kLineBreak)) {
        const int colon = TextFind(line, ":");
        if (colon < 1) continue;
        std::string_view name = std::string_view(line).substr(0, colon - 1);
        std::string normalised;
        if (TextFind(name, "-") < 1) {
            normalised = CapitaliseFirst(name);
        } else {
            std::vector<std::string> pieces = TextSplit(name, "-");
            for (std::string& piece : pieces) piece = CapitaliseFirst(piece);
            normalised = Join(pieces, "-");
        }
        result += normalised;
        result += std::string_view(line).substr(colon - 1);
        result += kLineBreak;
    }
    if (!result.empty()) result.resize(result.size() - kLineBreak.size());
    return result;
}

std::string CollectReceivedCookies(std::string_view responseHeaders) {
    std::string cookies;
    for (const std::string& line : TextSplit(responseHeaders, kLineBreak)) {
        if (TextBefore(line, ": ") != kSetCookieName) continue;
        // Attributes after the first ';' (path, expiry, domain) are not kept.
        std::string item = TextFind(line, ";") > 0
                               ? TextTrim(TextBetween(line, kSetCookieMarker, ";"))
                               : TextTrim(TextReplace(line, kSetCookieMarker, "", 1, -1, true));
        cookies += item;
        cookies += kCookieSeparator;
    }
    if (cookies.ends_with(kCookieSeparator))
        cookies.resize(cookies.size() - kCookieSeparator.size());
    return cookies;
}

std::string CookieName(std::string_view item) {
    const int equals = TextFind(item, "=");
    return equals < 1 ? TextTrim(item) : TextTrim(item.substr(0, equals - 1));
}

std::string RemoveDuplicateItems(std::string_view text, std::string_view separator) {
    std::vector<std::string> kept;
    for (std::string& item : TextSplit(text, separator)) {
        if (std::find(kept.begin(), kept.end(), item) == kept.end())
            kept.push_back(std::move(item));
    }
    return Join(kept, separator);
}

std::string MergeCookies(std::string& old, std::string_view received) {
    const std::vector<std::string> oldItems = TextSplit(PrepareCookieText(old), kCookieSeparator);
    std::vector<std::string> items = TextSplit(PrepareCookieText(received), kCookieSeparator);
    for (const std::string& oldItem : oldItems) {
        const std::string name = CookieName(oldItem);
        const bool mentioned =
            std::any_of(items.begin(), items.end(),
                        [&](const std::string& item) { return CookieName(item) == name; });
        if (!mentioned) items.push_back(oldItem);
    }
    std::string merged;
    for (const std::string& item : items) {
        if (TextRight(item, static_cast<int>(kDeletedSuffix.size())) == kDeletedSuffix) continue;
        merged += item;
        merged += kCookieSeparator;
    }
    if (!merged.empty()) merged.resize(merged.size() - kCookieSeparator.size());
    old = RemoveDuplicateItems(merged, kCookieSeparator);
    return old;
}

std::string EncodeQueryValue(std::string_view value) {
    static constexpr char kHex[] = "0123456789ABCDEF";
    std::string encoded;
    encoded.reserve(value.size());
    for (char c : value) {
        const auto byte = static_cast<unsigned char>(c);
        // None of these bytes can be the second byte of a GBK character (those start at 0x40 and
        // skip 0x7F), so encoding byte by byte never splits a character.
        const bool structural = byte < 0x20 || byte == 0x7F || c == '&' || c == '=' || c == '#' ||
                                c == '%' || c == '+' || c == '?' || c == ' ';
        if (structural) {
            encoded += '%';
            encoded += kHex[byte >> 4];
            encoded += kHex[byte & 0x0F];
        } else {
            encoded += c;
        }
    }
    return encoded;
}

}  // namespace xl::api
