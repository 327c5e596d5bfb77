#include "gbk/characters.h"

#include <algorithm>

namespace xl::gbk {
namespace {

constexpr unsigned char kLeadByteMin = 0x80;

bool IsLeadByte(char c) {
    return static_cast<unsigned char>(c) >= kLeadByteMin;
}

char FoldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string ChangeAsciiCase(std::string_view text, bool upper) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); i += CharLength(out, i)) {
        const char c = out[i];
        if (upper && c >= 'a' && c <= 'z') out[i] = static_cast<char>(c - 'a' + 'A');
        if (!upper && c >= 'A' && c <= 'Z') out[i] = static_cast<char>(c - 'A' + 'a');
    }
    return out;
}

}  // namespace

std::size_t CharLength(std::string_view text, std::size_t at) {
    return (IsLeadByte(text[at]) && at + 1 < text.size()) ? 2 : 1;
}

std::size_t CharStartAtOrAfter(std::string_view text, std::size_t from) {
    std::size_t i = 0;
    while (i < from && i < text.size()) i += CharLength(text, i);
    return i;
}

bool MatchesAt(std::string_view text, std::size_t at, std::string_view needle, bool ignoreCase) {
    if (text.size() - at < needle.size()) return false;
    if (!ignoreCase) return text.compare(at, needle.size(), needle) == 0;
    for (std::size_t j = 0; j < needle.size();) {
        if (IsLeadByte(needle[j])) {
            // Only single-byte characters fold, so a trail byte never
            // matches a letter of the other case.
            const std::size_t n = std::min<std::size_t>(2, needle.size() - j);
            if (text.compare(at + j, n, needle.substr(j, n)) != 0) return false;
            j += n;
        } else {
            if (FoldAscii(text[at + j]) != FoldAscii(needle[j])) return false;
            ++j;
        }
    }
    return true;
}

std::size_t Find(std::string_view text, std::string_view needle, std::size_t from,
                 bool ignoreCase) {
    for (std::size_t i = CharStartAtOrAfter(text, from); i < text.size();
         i += CharLength(text, i)) {
        if (MatchesAt(text, i, needle, ignoreCase)) return i;
    }
    return std::string_view::npos;
}

bool Contains(std::string_view text, std::string_view needle) {
    return Find(text, needle) != std::string_view::npos;
}

std::vector<std::string> SplitAtEverySpace(std::string_view text) {
    std::vector<std::string> words;
    for (;;) {
        const std::size_t space = text.find(' ');
        words.emplace_back(text.substr(0, space));
        if (space == std::string_view::npos) return words;
        text.remove_prefix(space + 1);
    }
}

bool ContainsAnyWordCountingEmpty(std::string_view text, const std::vector<std::string>& words) {
    return std::any_of(words.begin(), words.end(),
                       [text](const std::string& word) { return Contains(text, word); });
}

bool ContainsAnyWordSkippingEmpty(std::string_view text, std::string_view spaceSeparated) {
    for (;;) {
        const std::size_t space = spaceSeparated.find(' ');
        const std::string_view word = spaceSeparated.substr(0, space);
        if (!word.empty() && Contains(text, word)) return true;
        if (space == std::string_view::npos) return false;
        spaceSeparated.remove_prefix(space + 1);
    }
}

std::string AsciiLower(std::string_view text) {
    return ChangeAsciiCase(text, false);
}

std::string AsciiUpper(std::string_view text) {
    return ChangeAsciiCase(text, true);
}

std::string Cut(std::string_view text, std::size_t characters) {
    std::size_t end = 0;
    for (std::size_t n = 0; n < characters && end < text.size(); ++n) end += CharLength(text, end);
    return std::string(text.substr(0, end));
}

}  // namespace xl::gbk
