// Code-page conversions through Windows' own tables, as the program has always made them: flags 0,
// NUL-terminated input, the size asked for first. The program's "ANSI" code page is its own, 936,
// whatever the system's: its texts are GBK by design.
#include <windows.h>

#include <cstring>

#include "api/text.h"

namespace xl::api {
namespace {

// Everything up to the first zero code unit of UTF-16LE bytes (an odd last byte is dropped).
std::wstring UnitsUpToNul(std::string_view utf16le) {
    std::wstring units;
    for (std::size_t i = 0; i + 1 < utf16le.size(); i += 2) {
        wchar_t u = static_cast<wchar_t>(static_cast<unsigned char>(utf16le[i]) |
                                         (static_cast<unsigned char>(utf16le[i + 1]) << 8));
        if (u == 0) break;
        units.push_back(u);
    }
    return units;
}

UINT WindowsCodePage(unsigned codePage) {
    return codePage == kCodePageAnsi ? gbk::kCodePage : codePage;
}

}  // namespace

std::string MultiByteToUtf16(std::string_view text, unsigned codePage) {
    codePage = WindowsCodePage(codePage);
    std::string input(text.substr(0, text.find('\0')));
    int units = MultiByteToWideChar(codePage, 0, input.c_str(), -1, nullptr, 0);
    if (units <= 0) return {};
    std::wstring wide(static_cast<std::size_t>(units), L'\0');
    units = MultiByteToWideChar(codePage, 0, input.c_str(), -1, wide.data(), units);
    if (units <= 0) return {};
    // Wine swallows the terminator with a truncated UTF-8 sequence at the end; callers rely on it.
    if (wide[static_cast<std::size_t>(units) - 1] != L'\0') {
        wide.push_back(L'\0');
        ++units;
    }
    std::string out(static_cast<std::size_t>(units) * 2, '\0');
    for (int i = 0; i < units; ++i) {
        out[2 * i] = static_cast<char>(wide[i] & 0xFF);
        out[2 * i + 1] = static_cast<char>((wide[i] >> 8) & 0xFF);
    }
    return out;
}

std::string Utf16ToMultiByte(std::string_view utf16le, unsigned codePage) {
    codePage = WindowsCodePage(codePage);
    std::wstring wide = UnitsUpToNul(utf16le);
    int size = WideCharToMultiByte(codePage, 0, wide.c_str(), -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string out(static_cast<std::size_t>(size) * 2, '\0');
    size =
        WideCharToMultiByte(codePage, 0, wide.c_str(), -1, out.data(), size * 2, nullptr, nullptr);
    if (size <= 0) return {};
    out.resize(std::strlen(out.c_str()));
    return out;
}

}  // namespace xl::api
