#pragma once
// The program keeps every text as GBK bytes while the service answers in UTF-8
// and JSON escapes. These helpers are where the service's texts are searched,
// cut and converted (over the character walk of gbk/characters.h), so that
// every caller follows the same byte-exact rules:
// lengths and positions are in bytes, positions are 1-based, a failed search
// gives -1, and a two-byte GBK character (lead byte 0x80 or above) is never
// split by a search, a replacement, a split or a case change.
#include <string>
#include <string_view>
#include <vector>

#include "gbk/code_page.h"

namespace xl::api {

// 1-based positions, -1 when not found; GBK-aware (never matches on a trail byte); ASCII-only case
// folding. A start below 1 means 1. An empty needle gives 1 when the text from the start position
// on is non-empty, else -1.
int TextFind(std::string_view text, std::string_view needle, int start = 1,
             bool ignoreCase = false);
// Replaces left to right without overlap from `start`; `count` below 0 replaces every occurrence,
// 0 none. An empty `from` leaves the text as it is.
std::string TextReplace(std::string_view text, std::string_view from, std::string_view to,
                        int start = 1, int count = -1, bool ignoreCase = false);
// An empty text gives no items; empty pieces between separators and before a leading separator
// are kept; a trailing separator gives no empty last item. An empty separator gives the whole
// text as one item.
std::vector<std::string> TextSplit(std::string_view text, std::string_view separator);
// Removes leading and trailing ASCII spaces and full-width spaces (A1 A1) only.
std::string TextTrim(std::string_view text);
std::string TextLeft(std::string_view text, int n);
std::string TextRight(std::string_view text, int n);
std::string TextMiddle(std::string_view text, int start, int n);
std::string TextUpper(std::string_view text);
std::string TextLower(std::string_view text);

// The code pages the conversions take: UTF-8, GBK (gbk::kCodePage) and
// "ANSI", which is the program's own code page, GBK, whatever the system's is.
constexpr unsigned kCodePageUtf8 = 65001, kCodePageAnsi = 0;
// Both conversions read their input up to its first NUL (UTF-16: first zero code unit) and give
// an empty text when the code page is unknown. Characters GBK lacks come out as '?'.
std::string MultiByteToUtf16(
    std::string_view text,
    unsigned codePage = kCodePageUtf8);  // UTF-16LE incl. 2-byte terminator
std::string Utf16ToMultiByte(std::string_view utf16le, unsigned codePage = kCodePageAnsi);
std::string Utf8ToGbk(std::string_view utf8);
std::string GbkToUtf8(std::string_view gbk);  // the reverse edge, for JSON and the screen

// Decodes the \u, \x, backslash and % escapes of the service's replies into GBK text: the text is
// read as the body of a single-quoted JScript string literal, then JScript's unescape() applies.
// A text no such literal can hold (a bare CR or LF, a backslash at the very end) comes back
// undecoded. CR LF pairs and apostrophes are kept as they are.
std::string UnescapeUnicode(std::string_view text);
std::string Base64Encode(std::string_view bytes);

// The text before the first occurrence of `separator`, or empty.
std::string TextBefore(std::string_view text, std::string_view separator);
// The text between the first start marker at or after `start` and the end marker following it,
// or empty. "#引号" in a marker stands for a double quote.
std::string TextBetween(std::string_view text, std::string_view startMarker,
                        std::string_view endMarker, int start = 1, bool ignoreCase = false);
// As TextBetween from `position` (0 = the beginning); on success `position` becomes the first
// byte after the end marker, on failure -1.
std::string TextBetweenFrom(std::string_view text, std::string_view startMarker,
                            std::string_view endMarker, int& position);

}  // namespace xl::api
