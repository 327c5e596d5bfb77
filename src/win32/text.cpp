#include "win32/text.h"

#include <windows.h>

#include <climits>

namespace xl::win32 {
namespace {

// Longer texts than an int can count are cut: no text of this program comes near.
int Count(std::size_t n) {
    return n > static_cast<std::size_t>(INT_MAX) ? INT_MAX : static_cast<int>(n);
}

std::wstring ToWide(unsigned codePage, std::string_view text) {
    if (text.empty()) return {};
    const int n = MultiByteToWideChar(codePage, 0, text.data(), Count(text.size()), nullptr, 0);
    if (n <= 0) return {};
    std::wstring out(static_cast<std::size_t>(n), L'\0');
    if (MultiByteToWideChar(codePage, 0, text.data(), Count(text.size()), out.data(), n) != n) {
        return {};
    }
    return out;
}

std::string ToBytes(unsigned codePage, std::wstring_view text) {
    if (text.empty()) return {};
    const int n = WideCharToMultiByte(codePage, 0, text.data(), Count(text.size()), nullptr, 0,
                                      nullptr, nullptr);
    if (n <= 0) return {};
    std::string out(static_cast<std::size_t>(n), '\0');
    if (WideCharToMultiByte(codePage, 0, text.data(), Count(text.size()), out.data(), n, nullptr,
                            nullptr) != n) {
        return {};
    }
    return out;
}

}  // namespace

std::wstring Widen(std::string_view text) {
    return ToWide(gbk::kCodePage, text);
}

std::string Narrow(std::wstring_view utf16) {
    return ToBytes(gbk::kCodePage, utf16);
}

bool FitsGbk(std::wstring_view utf16) {
    if (utf16.empty()) return true;
    BOOL usedDefault = FALSE;
    const int n = WideCharToMultiByte(gbk::kCodePage, 0, utf16.data(), Count(utf16.size()), nullptr,
                                      0, nullptr, &usedDefault);
    // A lone surrogate or an unassigned unit may map without "using the default":
    // the round trip is the test that counts.
    return n > 0 && !usedDefault && Widen(Narrow(utf16)) == utf16;
}

std::string AnsiToGbk(std::string_view ansi) {
    return Narrow(WidenAnsi(ansi));
}

std::wstring WidenAnsi(std::string_view ansi) {
    return ToWide(CP_ACP, ansi);
}

std::string NarrowAnsi(std::wstring_view utf16) {
    return ToBytes(CP_ACP, utf16);
}

std::string PathToGbk(const std::wstring& path) {
    if (FitsGbk(path)) return Narrow(path);
    const DWORD size = GetShortPathNameW(path.c_str(), nullptr, 0);
    if (size > 0) {
        std::wstring shortPath(size, L'\0');
        const DWORD n = GetShortPathNameW(path.c_str(), shortPath.data(), size);
        if (n > 0 && n < size) {
            shortPath.resize(n);
            if (FitsGbk(shortPath)) return Narrow(shortPath);
        }
    }
    return Narrow(path);
}

}  // namespace xl::win32
