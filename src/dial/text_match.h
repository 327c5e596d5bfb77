#pragma once
// The few text tests the dial engine makes on GBK status texts: a search that
// never starts on the second byte of a two-byte character, the check for any
// of a space-separated list of words, ASCII-only lower case and a cut on a
// character boundary.
#include <string>
#include <string_view>

namespace xl::dial {

bool ContainsGbk(std::string_view text, std::string_view needle);
// True when any word of `words` (split at single spaces) occurs in `text`.
bool ContainsAnyWord(std::string_view text, std::string_view words);
std::string AsciiLower(std::string_view text);
// At most `characters` characters of `text`, never half of a two-byte one.
std::string CutGbk(std::string_view text, std::size_t characters);

}  // namespace xl::dial
