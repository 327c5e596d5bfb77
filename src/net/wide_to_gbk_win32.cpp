#include <windows.h>

#include "net/wide_to_gbk.h"
#include "win32/text.h"

namespace xl::net {

std::string WideToGbk(const char16_t* text) {
    if (text == nullptr) return {};
    // wchar_t is UTF-16 on Windows, so the two pointer types name the same units.
    return win32::Narrow(reinterpret_cast<const wchar_t*>(text));
}

}  // namespace xl::net
