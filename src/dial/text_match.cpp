#include "dial/text_match.h"

namespace xl::dial {

bool ContainsGbk(std::string_view text, std::string_view needle) {
    if (needle.empty()) return !text.empty();
    for (std::size_t i = 0; i + needle.size() <= text.size();) {
        if (text.compare(i, needle.size(), needle) == 0) return true;
        const bool lead = static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size();
        i += lead ? 2 : 1;
    }
    return false;
}

bool ContainsAnyWord(std::string_view text, std::string_view words) {
    if (text.empty()) return false;
    while (!words.empty()) {
        const std::size_t space = words.find(' ');
        const std::string_view word = words.substr(0, space);
        if (!word.empty() && ContainsGbk(text, word)) return true;
        if (space == std::string_view::npos) break;
        words.remove_prefix(space + 1);
    }
    return false;
}

std::string AsciiLower(std::string_view text) {
    std::string out(text);
    for (std::size_t i = 0; i < out.size(); ++i) {
        const unsigned char c = static_cast<unsigned char>(out[i]);
        if (c >= 0x80 && i + 1 < out.size()) {
            ++i;  // second byte of a GBK character may look like an ASCII letter
        } else if (c >= 'A' && c <= 'Z') {
            out[i] = static_cast<char>(c - 'A' + 'a');
        }
    }
    return out;
}

std::string CutGbk(std::string_view text, std::size_t characters) {
    std::size_t end = 0;
    for (std::size_t n = 0; n < characters && end < text.size(); ++n) {
        const bool lead = static_cast<unsigned char>(text[end]) >= 0x80 && end + 1 < text.size();
        end += lead ? 2 : 1;
    }
    return std::string(text.substr(0, end));
}

}  // namespace xl::dial
