// The two conversions every caller needs, built on the platform's code-page conversions.
#include "api/text.h"

namespace xl::api {

std::string Utf8ToGbk(std::string_view utf8) {
    return Utf16ToMultiByte(MultiByteToUtf16(utf8, kCodePageUtf8), gbk::kCodePage);
}

std::string GbkToUtf8(std::string_view gbk) {
    return Utf16ToMultiByte(MultiByteToUtf16(gbk, gbk::kCodePage), kCodePageUtf8);
}

}  // namespace xl::api
