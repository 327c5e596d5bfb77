#include <windows.h>

#include "net/wide_to_oem.h"

namespace xl::net {

std::string WideToOem(const char16_t* text) {
    if (text == nullptr) return {};
    // wchar_t is UTF-16 on Windows, so the two pointer types name the same units.
    const auto* wide = reinterpret_cast<const wchar_t*>(text);
    const int size = WideCharToMultiByte(CP_OEMCP, 0, wide, -1, nullptr, 0, nullptr, nullptr);
    if (size <= 0) return {};
    std::string buffer(static_cast<std::size_t>(size), ' ');
    if (WideCharToMultiByte(CP_OEMCP, 0, wide, -1, buffer.data(), size, nullptr, nullptr) != size) {
        return {};
    }
    buffer.resize(buffer.find('\0'));
    return buffer;
}

}  // namespace xl::net
