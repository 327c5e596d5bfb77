#pragma once
// The program's texts are GBK bytes: a byte of 0x80 or above leads a
// two-byte character whose second byte may look like ASCII. Everything that
// searches, matches words in, changes the case of or cuts such a text goes
// through here, so that no caller ever matches or cuts inside a character.
// A lead byte at the very end of a text stands alone, as one character.
// Pure functions on any thread; offsets are 0-based bytes.
#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace xl::gbk {

// Bytes in the character that starts at `at`: 2 for a lead byte with a byte
// after it, otherwise 1.
std::size_t CharLength(std::string_view text, std::size_t at);

// The offset of the first character that starts at or after `from` (the
// text's size when none does).
std::size_t CharStartAtOrAfter(std::string_view text, std::size_t from);

// Whether `needle` occurs at byte `at`. With `ignoreCase`, ASCII letters of
// the needle match either case; two-byte characters match only exactly.
bool MatchesAt(std::string_view text, std::size_t at, std::string_view needle,
               bool ignoreCase = false);

// The offset of the first match that starts on a character at or after
// `from`, or npos. An empty needle matches at the first character there.
std::size_t Find(std::string_view text, std::string_view needle, std::size_t from = 0,
                 bool ignoreCase = false);

// Whether `needle` occurs in `text`; an empty needle is in every non-empty
// text and in no empty one.
bool Contains(std::string_view text, std::string_view needle);

// The two word rules. Both take words cut at single spaces; they differ in
// what an empty word (two spaces in a row, a space at either end) means.
//
// The pieces of `text` cut at every single space, empty pieces kept: ""
// gives one empty word, "a  b " gives "a", "", "b", "".
std::vector<std::string> SplitAtEverySpace(std::string_view text);
// Whether any word is in `text` by Contains: an empty word counts, and is in
// every non-empty text.
bool ContainsAnyWordCountingEmpty(std::string_view text, const std::vector<std::string>& words);
// Whether any non-empty word of `spaceSeparated` is in `text`: empty words
// are skipped, so no text contains a list of spaces only.
bool ContainsAnyWordSkippingEmpty(std::string_view text, std::string_view spaceSeparated);

// ASCII letters to lower or upper case; two-byte characters stay as they are.
std::string AsciiLower(std::string_view text);
std::string AsciiUpper(std::string_view text);

// The first `characters` characters of `text`, never half of a two-byte one.
std::string Cut(std::string_view text, std::size_t characters);

}  // namespace xl::gbk
