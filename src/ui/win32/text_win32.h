#pragma once
// The program's texts are GBK; Win32's wide calls want UTF-16. Conversions
// happen here and nowhere else in the window layer.
#include <string>
#include <string_view>

namespace xl::ui::win32 {

std::wstring Widen(std::string_view gbk);
std::string Narrow(std::wstring_view utf16);

}  // namespace xl::ui::win32
