// The search, replace, split, trim and cut primitives on arbitrary GBK-ish bytes. The input is
// cut into a text, a needle and a replacement at the first two 0x00 bytes; two more bytes give the
// start position and count.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "api/text.h"

namespace {

std::string_view NextPart(std::string_view& rest) {
    std::size_t cut = rest.find('\0');
    std::string_view part = rest.substr(0, cut);
    rest = cut == std::string_view::npos ? std::string_view() : rest.substr(cut + 1);
    return part;
}

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace xl::api;
    if (size < 2) return 0;
    int start = static_cast<std::int8_t>(data[0]);
    int count = static_cast<std::int8_t>(data[1]);
    std::string_view rest(reinterpret_cast<const char*>(data) + 2, size - 2);
    std::string_view text = NextPart(rest), needle = NextPart(rest), replacement = NextPart(rest);

    for (bool ignoreCase : {false, true}) {
        int p = TextFind(text, needle, start, ignoreCase);
        Check(p == -1 || (p >= 1 && static_cast<std::size_t>(p) <= text.size()));
        if (p > 0 && !needle.empty() && !ignoreCase)
            Check(text.substr(p - 1, needle.size()) == needle);
        std::string replaced = TextReplace(text, needle, replacement, start, count, ignoreCase);
        if (needle == replacement && !ignoreCase) Check(replaced == text);
    }
    std::size_t pieces = 0;
    for (const std::string& piece : TextSplit(text, needle)) pieces += piece.size();
    Check(pieces <= text.size());
    std::string trimmed = TextTrim(text);
    Check(trimmed.size() <= text.size() && text.find(trimmed) != std::string_view::npos);
    Check(TextLeft(text, count).size() <= text.size());
    Check(TextRight(text, count).size() <= text.size());
    Check(TextMiddle(text, start, count).size() <= text.size());
    Check(TextUpper(text).size() == text.size() && TextLower(text).size() == text.size());
    Check(Base64Encode(text).size() == (text.size() + 2) / 3 * 4);
    TextBefore(text, needle);
    TextBetween(text, needle, replacement, start, count < 0);
    int position = start;
    for (int guard = 0; guard < 1000 && position != -1; ++guard) {
        int before = position;
        TextBetweenFrom(text, needle, replacement, position);
        Check(position == -1 || position > before);
    }
    return 0;
}
