#pragma once
// The few text tests the dial engine makes on GBK status texts: a search that
// never starts on the second byte of a two-byte character, the check for any
// of a space-separated list of words, and ASCII-only lower case.
#include <string>
#include <string_view>

namespace xl::dial {

bool ContainsGbk(std::string_view text, std::string_view needle);
// True when any word of `words` (split at single spaces) occurs in `text`.
bool ContainsAnyWord(std::string_view text, std::string_view words);
std::string AsciiLower(std::string_view text);

}  // namespace xl::dial
