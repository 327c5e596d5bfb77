#pragma once
// The program's texts are GBK bytes; Windows' wide calls take and give UTF-16.
// Every text that crosses the Win32 edge is converted here, through code page
// 936 named explicitly, so the program reads the same on a Windows whose ANSI
// code page is another one. Pure functions, any thread. Nothing fails: a
// character GBK lacks becomes "?", bytes that are no GBK character become the
// code page's replacement.
#include <string>
#include <string_view>

#include "gbk/code_page.h"

namespace xl::win32 {

std::wstring Widen(std::string_view gbk);
std::string Narrow(std::wstring_view utf16);

// True when every character of `utf16` has a GBK form, so Narrow loses nothing.
bool FitsGbk(std::wstring_view utf16);

// Text in the system's ANSI code page, as the few calls without a wide form
// give it (the adapter table), as GBK.
std::string AnsiToGbk(std::string_view ansi);

// The system's ANSI code page both ways: what an ANSI call would have made of
// a text, for reading back what an earlier version wrote through those calls.
std::wstring WidenAnsi(std::string_view ansi);
std::string NarrowAnsi(std::wstring_view utf16);

// A path from the system as GBK text that leads back to the same file: the
// path itself when GBK has all its characters, else its short (8.3) form when
// that one fits, else the path with "?" for what GBK lacks.
std::string PathToGbk(const std::wstring& path);

}  // namespace xl::win32
