// The basic text operations over GBK bytes, and the marker-based extraction built on them.
#include "api/text.h"

#include <algorithm>
#include <climits>
#include <cstddef>

#include "gbk/characters.h"

namespace xl::api {
namespace {

constexpr unsigned char kFullWidthSpaceByte = 0xA1;  // the full-width space is A1 A1

using gbk::CharLength;
using gbk::MatchesAt;

std::size_t StartOffset(int start) {
    return start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
}

int ToPosition(std::size_t offset) {
    return offset >= static_cast<std::size_t>(INT_MAX) ? -1 : static_cast<int>(offset) + 1;
}

bool IsSpaceAt(std::string_view text, std::size_t i) {
    if (text[i] == ' ') return true;
    return CharLength(text, i) == 2 && static_cast<unsigned char>(text[i]) == kFullWidthSpaceByte &&
           static_cast<unsigned char>(text[i + 1]) == kFullWidthSpaceByte;
}

std::string ExpandQuoteMarker(std::string_view marker) {
    return TextReplace(marker, "#引号", "\"");
}

}  // namespace

int TextFind(std::string_view text, std::string_view needle, int start, bool ignoreCase) {
    std::size_t from = StartOffset(start);
    if (from >= text.size()) return -1;
    if (needle.empty()) return 1;
    std::size_t at = gbk::Find(text, needle, from, ignoreCase);
    return at == std::string_view::npos ? -1 : ToPosition(at);
}

std::string TextReplace(std::string_view text, std::string_view from, std::string_view to,
                        int start, int count, bool ignoreCase) {
    std::size_t begin = StartOffset(start);
    if (from.empty() || count == 0 || begin >= text.size()) return std::string(text);
    begin = gbk::CharStartAtOrAfter(text, begin);
    std::string out(text.substr(0, begin));
    std::size_t i = begin;
    int done = 0;
    while (i < text.size()) {
        if ((count < 0 || done < count) && MatchesAt(text, i, from, ignoreCase)) {
            out.append(to);
            i += from.size();
            ++done;
        } else {
            std::size_t n = CharLength(text, i);
            out.append(text.substr(i, n));
            i += n;
        }
    }
    return out;
}

std::vector<std::string> TextSplit(std::string_view text, std::string_view separator) {
    std::vector<std::string> items;
    if (text.empty()) return items;
    if (separator.empty()) return {std::string(text)};
    std::size_t pieceStart = 0;
    for (std::size_t i = 0; i < text.size();) {
        if (MatchesAt(text, i, separator, false)) {
            items.emplace_back(text.substr(pieceStart, i - pieceStart));
            i += separator.size();
            pieceStart = i;
        } else {
            i += CharLength(text, i);
        }
    }
    if (pieceStart < text.size()) items.emplace_back(text.substr(pieceStart));
    return items;
}

std::string TextTrim(std::string_view text) {
    std::size_t first = text.size(), end = 0;
    for (std::size_t i = 0; i < text.size(); i += CharLength(text, i)) {
        if (IsSpaceAt(text, i)) continue;
        if (first == text.size()) first = i;
        end = i + CharLength(text, i);
    }
    return first == text.size() ? std::string() : std::string(text.substr(first, end - first));
}

std::string TextLeft(std::string_view text, int n) {
    if (n <= 0) return {};
    return std::string(text.substr(0, static_cast<std::size_t>(n)));
}

std::string TextRight(std::string_view text, int n) {
    if (n <= 0) return {};
    std::size_t k = std::min(text.size(), static_cast<std::size_t>(n));
    return std::string(text.substr(text.size() - k));
}

std::string TextMiddle(std::string_view text, int start, int n) {
    if (start < 1 || n <= 0 || static_cast<std::size_t>(start) > text.size()) return {};
    return std::string(
        text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(n)));
}

std::string TextUpper(std::string_view text) {
    return gbk::AsciiUpper(text);
}
std::string TextLower(std::string_view text) {
    return gbk::AsciiLower(text);
}

std::string Base64Encode(std::string_view bytes) {
    static constexpr char kAlphabet[] =
        "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
    std::string out;
    out.reserve((bytes.size() + 2) / 3 * 4);
    for (std::size_t i = 0; i < bytes.size(); i += 3) {
        std::size_t n = std::min<std::size_t>(3, bytes.size() - i);
        unsigned v = static_cast<unsigned char>(bytes[i]) << 16;
        if (n > 1) v |= static_cast<unsigned char>(bytes[i + 1]) << 8;
        if (n > 2) v |= static_cast<unsigned char>(bytes[i + 2]);
        out += kAlphabet[(v >> 18) & 0x3F];
        out += kAlphabet[(v >> 12) & 0x3F];
        out += n > 1 ? kAlphabet[(v >> 6) & 0x3F] : '=';
        out += n > 2 ? kAlphabet[v & 0x3F] : '=';
    }
    return out;
}

std::string TextBefore(std::string_view text, std::string_view separator) {
    int p = TextFind(text, separator);
    return p < 1 ? std::string() : TextLeft(text, p - 1);
}

std::string TextBetween(std::string_view text, std::string_view startMarker,
                        std::string_view endMarker, int start, bool ignoreCase) {
    std::string open = ExpandQuoteMarker(startMarker), close = ExpandQuoteMarker(endMarker);
    int p = TextFind(text, open, start, ignoreCase);
    if (p < 1) return {};
    p += static_cast<int>(open.size());
    int q = TextFind(text, close, p, ignoreCase);
    if (q < 1) return {};
    return TextMiddle(text, p, q - p);
}

std::string TextBetweenFrom(std::string_view text, std::string_view startMarker,
                            std::string_view endMarker, int& position) {
    // An empty marker would match without moving on, and a caller's walk would never end.
    if (startMarker.empty() || endMarker.empty()) {
        position = -1;
        return {};
    }
    int a = TextFind(text, startMarker, position);
    int b = a < 1 ? -1 : TextFind(text, endMarker, a + static_cast<int>(startMarker.size()));
    if (b < 1) {
        position = -1;
        return {};
    }
    int valueStart = a + static_cast<int>(startMarker.size());
    position = b + static_cast<int>(endMarker.size());
    return TextMiddle(text, valueStart, b - valueStart);
}

}  // namespace xl::api
