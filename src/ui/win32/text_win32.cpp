#include "ui/win32/text_win32.h"

#include <windows.h>

namespace xl::ui::win32 {

namespace {
// Code page 936 whatever the system's ANSI code page: the texts are GBK by design.
constexpr UINT kGbk = 936;
}  // namespace

std::wstring Widen(std::string_view gbk) {
    if (gbk.empty()) return {};
    const int n =
        MultiByteToWideChar(kGbk, 0, gbk.data(), static_cast<int>(gbk.size()), nullptr, 0);
    std::wstring out(static_cast<size_t>(n), L'\0');
    MultiByteToWideChar(kGbk, 0, gbk.data(), static_cast<int>(gbk.size()), out.data(), n);
    return out;
}

std::string Narrow(std::wstring_view utf16) {
    if (utf16.empty()) return {};
    const int n = WideCharToMultiByte(kGbk, 0, utf16.data(), static_cast<int>(utf16.size()),
                                      nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(n), '\0');
    WideCharToMultiByte(kGbk, 0, utf16.data(), static_cast<int>(utf16.size()), out.data(), n,
                        nullptr, nullptr);
    return out;
}

}  // namespace xl::ui::win32
