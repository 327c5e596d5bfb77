// Code-page conversions on arbitrary bytes: invalid UTF-8, truncated GBK lead bytes, odd UTF-16.
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "api/text.h"

namespace {

void Check(bool ok) {
    if (!ok) __builtin_trap();
}

bool IsValidUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        unsigned char b = static_cast<unsigned char>(s[i]);
        std::size_t n = b < 0x80         ? 1
                        : (b >> 5) == 6  ? 2
                        : (b >> 4) == 14 ? 3
                        : (b >> 3) == 30 ? 4
                                         : 0;
        if (n == 0 || i + n > s.size()) return false;
        for (std::size_t k = 1; k < n; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += n;
    }
    return true;
}

void CheckUtf16(const std::string& units) {
    Check(units.size() >= 2 && units.size() % 2 == 0);
    Check(units[units.size() - 1] == 0 && units[units.size() - 2] == 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace xl::api;
    std::string_view input(reinterpret_cast<const char*>(data), size);
    CheckUtf16(MultiByteToUtf16(input));
    CheckUtf16(MultiByteToUtf16(input, xl::gbk::kCodePage));
    std::string utf8 = GbkToUtf8(input);
    Check(IsValidUtf8(utf8));
    std::string gbk = Utf8ToGbk(utf8);
    // Every GBK character survives the trip; only undecodable bytes come back as '?'.
    Check(gbk.size() <= input.size());
    Check(IsValidUtf8(Utf16ToMultiByte(input, kCodePageUtf8)));
    Utf16ToMultiByte(input, xl::gbk::kCodePage);
    Utf8ToGbk(input);
    return 0;
}
