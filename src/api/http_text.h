#pragma once
// The header and cookie text handling of HttpRequest::Fetch, kept apart from
// the request flow so each rule can be checked (and fuzzed) on its own. Header
// blocks are lines joined by CR LF; cookie texts are items joined by "; ".
#include <string>
#include <string_view>

namespace xl::api {

// The text before a line's first ':', trimmed; empty without ':'.
std::string HeaderLineName(std::string_view line);
// The text after a line's first ':', trimmed; empty without ':'.
std::string HeaderLineValue(std::string_view line);
// Drops lines without ':' and capitalises the first letter of each hyphen-separated part of every
// name ("content-type" -> "Content-Type"); the rest of each line stays as written.
std::string NormaliseHeaderBlock(std::string_view block);

// The cookie items ("name=value") of a reply's Set-Cookie lines, joined by "; ".
std::string CollectReceivedCookies(std::string_view responseHeaders);
// The name of a cookie item: the text before its first '=', trimmed, or the whole item trimmed.
std::string CookieName(std::string_view item);
// Keeps each item only at its first occurrence (exact comparison).
std::string RemoveDuplicateItems(std::string_view text, std::string_view separator);
// New values win, old cookies the reply did not mention follow them, items ending in "=deleted"
// go; the result is also stored into `old`.
std::string MergeCookies(std::string& old, std::string_view received);

// Percent-encodes the bytes that would change a query's structure ('&', '=', '#', '%', '+', '?',
// space and control bytes); every other byte, GBK included, passes unchanged.
std::string EncodeQueryValue(std::string_view value);

}  // namespace xl::api
